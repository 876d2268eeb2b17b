#include "tools/archive_writer.h"

#include <algorithm>
#include <limits>

#include "resources/script_source.h"
#include "tools/file_io.h"

namespace tolven::tools {
namespace {

void PutU32(std::vector<uint8_t>& out, size_t at, uint64_t value) {
  if (value > std::numeric_limits<uint32_t>::max()) {
    throw ToolError("archive too large: offsets must fit in 32 bits");
  }
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

size_t NameWidth(ArchiveLayout layout, const std::vector<ArchiveInput>& entries) {
  size_t longest = 0;
  for (const ArchiveInput& entry : entries) {
    if (entry.name.empty()) throw ToolError("an entry without a name");
    if (entry.name.find('\0') != std::string::npos) {
      throw ToolError(entry.name + ": entry name holds a zero byte");
    }
    if (layout == ArchiveLayout::A && entry.name.size() > kLayoutAMaxName) {
      throw ToolError(entry.name + ": name longer than 15 characters");
    }
    longest = std::max(longest, entry.name.size());
  }
  return layout == ArchiveLayout::A ? kLayoutAMaxName + 1 : longest + 1;
}

}  // namespace

std::vector<uint8_t> BuildArchive(ArchiveLayout layout, const std::vector<ArchiveInput>& entries) {
  const size_t nameWidth = NameWidth(layout, entries);
  const size_t headerSize = layout == ArchiveLayout::A ? 4 : 8;
  const size_t recordSize = nameWidth + 8;
  std::vector<uint8_t> out(headerSize + recordSize * entries.size(), 0);
  PutU32(out, 0, entries.size());
  if (layout == ArchiveLayout::B) PutU32(out, 4, nameWidth);
  for (size_t i = 0; i < entries.size(); ++i) {
    const size_t record = headerSize + i * recordSize;
    std::copy(entries[i].name.begin(), entries[i].name.end(), out.begin() + record);
    PutU32(out, record + nameWidth, out.size());
    PutU32(out, record + nameWidth + 4, entries[i].data.size());
    std::vector<uint8_t> data = entries[i].data;
    if (layout == ArchiveLayout::A) NegateBytes(data);
    out.insert(out.end(), data.begin(), data.end());
  }
  return out;
}

ArchiveLayout LayoutForArchiveName(const std::string& fileName) {
  return UpperCaseName(fileName).starts_with("QE_DATA") ? ArchiveLayout::A : ArchiveLayout::B;
}

}  // namespace tolven::tools
