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
};

// Names are stored and compared in ASCII upper case. Double-byte Shift-JIS characters are
// left whole: their second byte may fall in the range of small letters.
std::string UpperCaseName(std::string_view name);
bool IsShiftJisLeadByte(uint8_t byte);

// Reads an index from an archive's bytes in memory. Outside data is not trusted: records that
// pass the end of the data are not read, and entries whose data lies outside it are left out.
ArchiveIndex ParseArchiveIndex(const uint8_t* data, size_t size, ArchiveLayout layout);

// Reads the index of an archive file; an absent or unreadable file gives an empty index.
ArchiveIndex LoadArchiveIndex(const std::filesystem::path& path, ArchiveLayout layout);

// The first entry whose name equals the requested one, letter case ignored; -1 when none.
int FindEntry(const ArchiveIndex& index, std::string_view name);

}  // namespace tolven
