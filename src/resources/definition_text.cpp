#include "resources/definition_text.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "resources/archive_index.h"
#include "resources/script_source.h"

namespace tolven {

bool DefinitionText::Load(const Archives& archives, std::string_view name) {
  std::optional<std::vector<uint8_t>> text = ReadScriptEntry(archives, name);
  if (!text) return false;
  text_ = std::move(*text);
  return true;
}

std::string DefinitionText::ReadDefLine(uint32_t& position) const {
  if (position >= text_.size()) return {};
  const uint8_t* start = text_.data() + position;
  const size_t left = text_.size() - position;
  const void* zero = std::memchr(start, 0, left);
  const size_t length =
      zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - start) : left;
  // A last line without its zero byte ends at the end of the text.
  position += static_cast<uint32_t>(zero ? length + 1 : length);
  return std::string(reinterpret_cast<const char*>(start), length);
}

std::optional<uint32_t> DefinitionText::FindSectionStart(std::string_view name) const {
  // Built by appending: GCC 12 warns falsely (-Wrestrict) on "literal" + string at -O2 and up.
  std::string target = ":";
  target += UpperCaseName(name);
  uint32_t position = 0;
  while (position < DefinitionSize()) {
    if (UpperCaseName(ReadDefLine(position)) == target) return position;
  }
  return std::nullopt;
}

std::vector<std::string> DefinitionText::SectionLines(std::string_view name) const {
  std::vector<std::string> lines;
  std::optional<uint32_t> position = FindSectionStart(name);
  if (!position) return lines;
  while (*position < DefinitionSize()) {
    std::string line = ReadDefLine(*position);
    if (line.empty() || line == "{") continue;
    if (line == "}") break;
    lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<DefinitionEntry> DefinitionText::FindSection(std::string_view name) const {
  std::vector<DefinitionEntry> body;
  for (const std::string& line : SectionLines(name)) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos) {
      body.push_back({"", line});
    } else {
      body.push_back({UpperCaseName(line.substr(0, colon)), line.substr(colon + 1)});
    }
  }
  return body;
}

std::string Field(std::string_view text, int n) {
  size_t start = 0;
  for (int passed = 0; passed < n; ++passed) {
    const size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) return {};
    start = comma + 1;
  }
  const size_t end = text.find(',', start);
  return std::string(text.substr(start, end == std::string_view::npos ? end : end - start));
}

int FieldNumber(std::string_view text, int n) {
  const std::string field = Field(text, n);
  const long long value = std::strtoll(field.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

}  // namespace tolven
