#include "resources/archive_index.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "resources/regular_file.h"

namespace tolven {
namespace {

constexpr size_t kLayoutAHeader = 4;
constexpr size_t kLayoutANameWidth = 16;
constexpr size_t kLayoutBHeader = 8;
// The table is read this many bytes at a time (but at least one record), so an index claiming
// a huge table costs memory only for the entries it really keeps.
constexpr size_t kTableChunk = 1 << 20;

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// A name field ends at its first zero byte; a field without one is taken whole.
std::string NameField(const uint8_t* field, size_t width, bool& terminated) {
  const void* end = std::memchr(field, 0, width);
  terminated = end != nullptr;
  size_t length = end ? static_cast<size_t>(static_cast<const uint8_t*>(end) - field) : width;
  return UpperCaseName(std::string_view(reinterpret_cast<const char*>(field), length));
}

// The one index reader behind the file loader, the memory parser and the checking parser, so
// the tools report on exactly the entries the engine would keep. read(offset, bytes, length)
// fills bytes from the archive and fails when they are not all there; faults may be null.
template <typename Read>
ArchiveIndex ReadIndex(uint64_t fileSize, const Read& read, ArchiveLayout layout,
                       ArchiveIndexFaults* faults) {
  // Faults are put into words only while the list has room: a garbage file can have millions.
  auto fault = [&](auto describe) {
    if (faults == nullptr) return;
    if (faults->listed.size() < ArchiveIndexFaults::kListed) {
      faults->listed.push_back(describe());
    } else {
      ++faults->unlisted;
    }
  };
  ArchiveIndex index;
  const size_t headerSize = layout == ArchiveLayout::A ? kLayoutAHeader : kLayoutBHeader;
  uint8_t header[kLayoutBHeader];
  if (fileSize < headerSize) {
    fault([&] {
      return "file of " + std::to_string(fileSize) + " bytes is too short for an index header of " +
             std::to_string(headerSize) + " bytes";
    });
    return index;
  }
  if (!read(0, header, headerSize)) {
    fault([&] { return std::string("index header cannot be read"); });
    return index;
  }
  const uint64_t count = ReadU32(header);
  uint64_t nameWidth = kLayoutANameWidth;
  if (layout == ArchiveLayout::B) {
    index.count = static_cast<uint32_t>(count);
    index.nameWidth = ReadU32(header + 4);
    nameWidth = index.nameWidth;
    // An empty index has no table, so its width names nothing and cannot be wrong.
    if (count == 0) return index;
    // A zero width leaves no room for a name; such an index cannot be sound.
    if (nameWidth == 0) {
      fault([&] { return std::string("name width 0 leaves no room for a name"); });
      return index;
    }
    if (nameWidth > fileSize) {
      fault([&] {
        return "name width " + std::to_string(nameWidth) + " is larger than the file (" +
               std::to_string(fileSize) + " bytes)";
      });
      return index;
    }
  }
  const uint64_t recordSize = nameWidth + 8;
  // Only as much of the table as the file can hold is read, whatever the count claims.
  const uint64_t fitting = (fileSize - headerSize) / recordSize;
  const uint64_t records = std::min(count, fitting);
  if (count > fitting) {
    fault([&] {
      return "index of " + std::to_string(count) + " entries needs " +
             std::to_string(headerSize + count * recordSize) +
             " bytes and runs past the end of the file (" + std::to_string(fileSize) +
             " bytes; room for " + std::to_string(fitting) + " entries)";
    });
  }
  const uint64_t perChunk = std::max<uint64_t>(1, kTableChunk / recordSize);
  std::vector<uint8_t> table;
  for (uint64_t first = 0; first < records; first += perChunk) {
    const uint64_t inChunk = std::min(perChunk, records - first);
    table.resize(static_cast<size_t>(inChunk * recordSize));
    if (!read(headerSize + first * recordSize, table.data(), table.size())) {
      fault([&] { return std::string("index table cannot be read"); });
      break;
    }
    for (uint64_t i = 0; i < inChunk; ++i) {
      const uint8_t* record = table.data() + i * recordSize;
      bool terminated = false;
      std::string name = NameField(record, static_cast<size_t>(nameWidth), terminated);
      const uint32_t offset = ReadU32(record + nameWidth);
      const uint32_t size = ReadU32(record + nameWidth + 4);
      auto which = [&] { return "entry " + std::to_string(first + i); };
      if (!terminated) {
        fault([&] {
          return which() + ": name has no terminating zero byte within its " +
                 std::to_string(nameWidth) + "-byte field";
        });
      }
      if (static_cast<uint64_t>(offset) + size > fileSize) {
        fault([&] {
          return which() + " (" + name + "): data at offset " + std::to_string(offset) + ", size " +
                 std::to_string(size) + ", runs past the end of the file (" +
                 std::to_string(fileSize) + " bytes)";
        });
        continue;
      }
      index.names.push_back(std::move(name));
      index.offsets.push_back(offset);
      index.sizes.push_back(size);
    }
  }
  if (layout == ArchiveLayout::A) index.count = static_cast<uint32_t>(index.names.size());
  return index;
}

ArchiveIndex ReadIndexFromMemory(const uint8_t* data, size_t size, ArchiveLayout layout,
                                 ArchiveIndexFaults* faults) {
  auto read = [&](uint64_t offset, uint8_t* out, size_t length) {
    if (offset > size || length > size - offset) return false;
    if (length > 0) std::memcpy(out, data + offset, length);
    return true;
  };
  return ReadIndex(size, read, layout, faults);
}

}  // namespace

bool IsShiftJisLeadByte(uint8_t byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::string UpperCaseName(std::string_view name) {
  std::string upper(name);
  for (size_t i = 0; i < upper.size(); ++i) {
    const auto byte = static_cast<uint8_t>(upper[i]);
    if (IsShiftJisLeadByte(byte)) {
      ++i;  // the trail byte may look like a small letter but is part of the character
    } else if (byte >= 'a' && byte <= 'z') {
      upper[i] = static_cast<char>(byte - 'a' + 'A');
    }
  }
  return upper;
}

ArchiveIndex ParseArchiveIndex(const uint8_t* data, size_t size, ArchiveLayout layout) {
  return ReadIndexFromMemory(data, size, layout, nullptr);
}

ArchiveIndex CheckArchiveIndex(const uint8_t* data, size_t size, ArchiveLayout layout,
                               ArchiveIndexFaults& faults) {
  return ReadIndexFromMemory(data, size, layout, &faults);
}

ArchiveIndex LoadArchiveIndex(const std::filesystem::path& path, ArchiveLayout layout) noexcept {
  // A game folder that cannot be examined is the same to the engine as one without archives;
  // running out of memory on a monstrous index is no reason to stop either.
  try {
    std::optional<RegularFile> file = RegularFile::Open(path);
    if (!file) return {};
    auto read = [&](uint64_t offset, uint8_t* out, size_t length) {
      return file->ReadAt(offset, out, length);
    };
    return ReadIndex(file->Size(), read, layout, nullptr);
  } catch (const std::exception&) {
    return {};
  }
}

int FindEntry(const ArchiveIndex& index, std::string_view name) {
  const std::string wanted = UpperCaseName(name);
  for (size_t i = 0; i < index.names.size(); ++i) {
    if (index.names[i] == wanted) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace tolven
