#include "graphics/gallery_list.h"

#include <algorithm>
#include <cstdlib>

#include "resources/archive_index.h"

namespace tolven {
namespace {

constexpr int kMaxPages = 10;
constexpr int kPageBlockLines = 31;  // a page block reads no further, "}" or not
constexpr int kNamesPerLine = 50;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Moves past the next "{"; false at the end of the text.
bool EnterBlock(const DefinitionText& definitions, uint32_t& position) {
  while (position < definitions.DefinitionSize()) {
    if (definitions.ReadDefLine(position) == "{") return true;
  }
  return false;
}

// The header block's page count; the other header keys belong to the viewer's screen.
int ReadPageCount(const DefinitionText& definitions, uint32_t& position) {
  int pages = 0;
  while (position < definitions.DefinitionSize()) {
    const std::string line = definitions.ReadDefLine(position);
    if (line == "}") break;
    const size_t colon = line.find(':');
    if (colon == std::string::npos || UpperCaseName(line.substr(0, colon)) != "SET") continue;
    pages = std::atoi(line.c_str() + colon + 1);
  }
  return std::clamp(pages, 0, kMaxPages);
}

}  // namespace

void GalleryList::LoadGalleryList(const Archives& archives, DefinitionText& definitions,
                                  std::string_view name) {
  names_.clear();
  if (!definitions.Load(archives, "view")) return;
  std::string target = ":";
  target += UpperCaseName(name);
  uint32_t position = 0;
  bool found = false;
  while (!found && position < definitions.DefinitionSize()) {
    found = UpperCaseName(definitions.ReadDefLine(position)) == target;
  }
  if (!found || !EnterBlock(definitions, position)) return;
  const int pages = ReadPageCount(definitions, position);
  for (int page = 0; page < pages && EnterBlock(definitions, position); ++page) {
    ReadPageBlock(definitions, position);
  }
}

// Lines whose key begins with a digit list picture names; the first empty field ends a list.
void GalleryList::ReadPageBlock(const DefinitionText& definitions, uint32_t& position) {
  for (int line = 0; line < kPageBlockLines && position < definitions.DefinitionSize(); ++line) {
    const std::string text = definitions.ReadDefLine(position);
    if (text == "}") return;
    const size_t colon = text.find(':');
    if (text.empty() || !IsDigit(text[0]) || colon == std::string::npos) continue;
    const std::string_view value = std::string_view(text).substr(colon + 1);
    for (int field = 0; field < kNamesPerLine; ++field) {
      const std::string picture = Field(value, field);
      if (picture.empty()) break;
      names_.push_back(UpperCaseName(picture));
    }
  }
}

int GalleryList::IndexOf(std::string_view upperName) const {
  const auto found = std::find(names_.begin(), names_.end(), upperName);
  return found == names_.end() ? -1 : static_cast<int>(found - names_.begin());
}

}  // namespace tolven
