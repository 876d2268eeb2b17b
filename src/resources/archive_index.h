#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tolven {

// The two index layouts: A has 16-byte names, B gives the name width in its header.
enum class ArchiveLayout { A, B };

// The in-memory index of one archive file: upper-cased names in file order with offsets and
// sizes. It only ever holds entries that lie wholly inside the file it was read from.
struct ArchiveIndex {
  std::vector<std::string> names;
  std::vector<uint32_t> offsets;
  std::vector<uint32_t> sizes;
  uint32_t count = 0;      // layout B header count (entries actually kept: names.size())
  uint32_t nameWidth = 0;  // layout B header name width

  size_t Size() const { return names.size(); }
  bool Empty() const { return names.empty(); }
  bool operator==(const ArchiveIndex& other) const = default;
};

// What is wrong with an index, in words for the person who made the archive. The engine drops
// bad entries without a word; tools must say why an archive is unusable.
struct ArchiveIndexFaults {
  static constexpr size_t kListed = 20;  // a garbage file could otherwise yield millions
  std::vector<std::string> listed;
  size_t unlisted = 0;

  bool Any() const { return !listed.empty(); }
};

// Names are stored and compared in ASCII upper case. Double-byte Shift-JIS characters are
// left whole: their second byte may fall in the range of small letters.
std::string UpperCaseName(std::string_view name);
bool IsShiftJisLeadByte(uint8_t byte);

// Reads an index from an archive's bytes in memory. Outside data is not trusted: records that
// pass the end of the data are not read, and entries whose data lies outside it are left out.
ArchiveIndex ParseArchiveIndex(const uint8_t* data, size_t size, ArchiveLayout layout);

// The same index, with every fault found on the way: a file too short for its header, a name
// width of 0 or beyond the file, a count whose table would run past the end of the file, a name
// without its terminator, entry data outside the file.
ArchiveIndex CheckArchiveIndex(const uint8_t* data, size_t size, ArchiveLayout layout,
                               ArchiveIndexFaults& faults);

// Reads the index of an archive file, reading only the index and never more than the file
// holds. An absent or unreadable path, or one that is not a regular file, gives an empty index.
// Never throws.
ArchiveIndex LoadArchiveIndex(const std::filesystem::path& path, ArchiveLayout layout) noexcept;

// The first entry whose name equals the requested one, letter case ignored; -1 when none.
int FindEntry(const ArchiveIndex& index, std::string_view name);

}  // namespace tolven
