#include "resources/archive_index.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace tolven {
namespace {

constexpr size_t kLayoutAHeader = 4;
constexpr size_t kLayoutANameWidth = 16;
constexpr size_t kLayoutBHeader = 8;

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// A name field ends at its first zero byte; a field without one is taken whole.
std::string NameField(const uint8_t* field, size_t width) {
  const void* end = std::memchr(field, 0, width);
  size_t length = end ? static_cast<size_t>(static_cast<const uint8_t*>(end) - field) : width;
  return UpperCaseName(std::string_view(reinterpret_cast<const char*>(field), length));
}

// Appends one record unless its data would lie outside the archive.
void AddEntry(ArchiveIndex& index, std::string name, uint32_t offset, uint32_t size,
              size_t fileSize) {
  if (static_cast<uint64_t>(offset) + size > fileSize) return;
  index.names.push_back(std::move(name));
  index.offsets.push_back(offset);
  index.sizes.push_back(size);
}

// Each record is nameWidth bytes of name, then offset and size.
void ParseRecords(ArchiveIndex& index, const uint8_t* data, size_t size, size_t tableStart,
                  uint64_t count, size_t nameWidth, uint64_t fileSize) {
  const size_t recordSize = nameWidth + 8;
  const uint64_t fitting = (size - std::min(size, tableStart)) / recordSize;
  const uint64_t records = std::min(count, fitting);
  for (uint64_t i = 0; i < records; ++i) {
    const uint8_t* record = data + tableStart + i * recordSize;
    AddEntry(index, NameField(record, nameWidth), ReadU32(record + nameWidth),
             ReadU32(record + nameWidth + 4), fileSize);
  }
}

// Parses a header and the table bytes that follow it; entries are checked against the size of
// the whole archive, which may be larger than the bytes given.
ArchiveIndex ParseIndex(const uint8_t* data, size_t size, ArchiveLayout layout, uint64_t fileSize) {
  ArchiveIndex index;
  if (layout == ArchiveLayout::A) {
    if (size < kLayoutAHeader) return index;
    ParseRecords(index, data, size, kLayoutAHeader, ReadU32(data), kLayoutANameWidth, fileSize);
    index.count = static_cast<uint32_t>(index.names.size());
    return index;
  }
  if (size < kLayoutBHeader) return index;
  index.count = ReadU32(data);
  index.nameWidth = ReadU32(data + 4);
  // A zero width leaves no room for a name; such an index cannot be sound.
  if (index.nameWidth == 0 || index.nameWidth > fileSize) return index;
  ParseRecords(index, data, size, kLayoutBHeader, index.count, index.nameWidth, fileSize);
  return index;
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
  return ParseIndex(data, size, layout, size);
}

ArchiveIndex LoadArchiveIndex(const std::filesystem::path& path, ArchiveLayout layout) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  file.seekg(0, std::ios::end);
  const std::streamoff end = file.tellg();
  if (end <= 0) return {};
  const uint64_t fileSize = static_cast<uint64_t>(end);
  file.seekg(0);
  const size_t headerSize = layout == ArchiveLayout::A ? kLayoutAHeader : kLayoutBHeader;
  std::vector<uint8_t> table(headerSize);
  file.read(reinterpret_cast<char*>(table.data()), static_cast<std::streamsize>(headerSize));
  if (static_cast<size_t>(file.gcount()) < headerSize) return {};
  const uint64_t count = ReadU32(table.data());
  const uint64_t nameWidth = layout == ArchiveLayout::A ? kLayoutANameWidth : ReadU32(&table[4]);
  if (nameWidth == 0 || nameWidth > fileSize) return {};
  // Only as much of the table as the file can hold is read, whatever the count claims.
  const uint64_t records = std::min(count, (fileSize - headerSize) / (nameWidth + 8));
  const size_t tableBytes = static_cast<size_t>(records * (nameWidth + 8));
  table.resize(headerSize + tableBytes);
  file.read(reinterpret_cast<char*>(table.data() + headerSize),
            static_cast<std::streamsize>(tableBytes));
  table.resize(headerSize + static_cast<size_t>(file.gcount()));
  ArchiveIndex index = ParseIndex(table.data(), table.size(), layout, fileSize);
  if (layout == ArchiveLayout::B) index.count = static_cast<uint32_t>(count);
  return index;
}

int FindEntry(const ArchiveIndex& index, std::string_view name) {
  const std::string wanted = UpperCaseName(name);
  for (size_t i = 0; i < index.names.size(); ++i) {
    if (index.names[i] == wanted) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace tolven
