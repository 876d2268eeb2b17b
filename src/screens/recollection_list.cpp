#include "screens/recollection_list.h"

#include <cstdint>

#include "resources/archive_index.h"

namespace tolven {
namespace {

constexpr int kPageLineLimit = 149;
constexpr int kColumns = 3;
const std::string kNoText;

}  // namespace

int SubPageCount(int tab) {
  switch (tab) {
    case 1:
      return 2;
    case 3:
      return 10;
    case 4:
      return 5;
    default:
      return 0;
  }
}

std::string PageMarker(int tab, int subPage) {
  static constexpr const char* kNames[kRecollectionTabs] = {":MORNING", ":BATH", ":BLOOMER",
                                                            ":NIGHT", ":EVENT"};
  if (tab < 0 || tab >= kRecollectionTabs) return {};
  std::string marker = kNames[tab];
  if (SubPageCount(tab) > 0) marker += std::to_string(subPage + 1);
  return marker;
}

void SceneTable::Load(const DefinitionText& text) {
  titles_.clear();
  keys_.clear();
  uint32_t position = 0;
  while (position < text.DefinitionSize()) {
    const std::string line = UpperCaseName(text.ReadDefLine(position));
    if (line.empty()) continue;
    if (line == ":END") break;
    if (line[0] == ':' || line[0] == '*') {
      titles_.push_back(line);
      keys_.emplace_back();
    } else {
      titles_.push_back(Field(line, 0));
      keys_.push_back(Field(line, 1));
    }
  }
  titles_.emplace_back(":END");
  keys_.emplace_back();
}

const std::string& SceneTable::Title(int scene) const {
  if (scene < 0 || scene >= Count()) return kNoText;
  return titles_[static_cast<size_t>(scene)];
}

const std::string& SceneTable::Key(int scene) const {
  if (scene < 0 || scene >= Count()) return kNoText;
  return keys_[static_cast<size_t>(scene)];
}

std::optional<int> SceneTable::SceneOfKey(std::string_view upperName) const {
  if (upperName.empty()) return std::nullopt;
  for (size_t i = 0; i < keys_.size(); ++i) {
    if (keys_[i] == upperName) return static_cast<int>(i);
  }
  return std::nullopt;
}

void SceneTable::MarkSeen(std::string_view upperName, GlobalProgress& progress) const {
  const std::optional<int> scene = SceneOfKey(upperName);
  if (!scene) return;
  progress.SetSceneFlag(*scene);
  // The first line of the text is never taken for the heading: it opens the first page.
  for (int n = *scene - 1; n >= 1; --n) {
    if (Title(n).starts_with('*')) {
      progress.SetSceneFlag(n);
      return;
    }
  }
}

PageLayout SceneTable::LayOut(std::string_view marker, const GlobalProgress& progress) const {
  PageLayout page;
  int scene = 0;
  for (int n = 0; n < Count(); ++n) {
    if (Title(n) == marker) {
      scene = n + 1;
      break;
    }
  }
  int cell = 0;
  for (int lines = 0; lines < kPageLineLimit && scene < Count(); ++lines, ++scene) {
    const std::string& title = Title(scene);
    if (title.starts_with(':')) break;
    if (title.starts_with('*')) {
      // A heading starts a row of its own; one not yet reached still holds its row, so the
      // page does not shift as the player sees more.
      if (progress.SceneFlag(scene)) {
        cell = (cell + kColumns - 1) / kColumns * kColumns;
        if (cell < kRecollectionCells) page.lines.push_back({cell, scene, title.substr(1), true});
      }
      cell += kColumns;
      continue;
    }
    if (progress.SceneFlag(scene) && cell < kRecollectionCells) {
      page.map[static_cast<size_t>(cell)] = scene;
      page.lines.push_back({cell, scene, title, false});
    }
    ++cell;
  }
  return page;
}

}  // namespace tolven
