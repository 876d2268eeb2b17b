#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "resources/definition_text.h"
#include "save/global_progress.h"

namespace tolven {

inline constexpr int kRecollectionTabs = 5;
inline constexpr int kRecollectionCells = 150;  // three columns of fifty rows

// The sub-pages of a tab: only bath, night and event are split.
int SubPageCount(int tab);
// The title that opens a page: the tab's name, and for split tabs the sub-page counted from 1.
std::string PageMarker(int tab, int subPage);

// A line of a page the player gets to see.
struct PageLine {
  int cell = 0;
  int scene = 0;
  std::string text;  // a heading without its '*'
  bool heading = false;
};

// A page laid out: which scene each cell holds (0 none) and what is written where.
struct PageLayout {
  std::array<int, kRecollectionCells> map{};
  std::vector<PageLine> lines;
};

// The scenes of "sys_flashbak", numbered by their line. Page markers (':') and headings ('*')
// are scenes too, without a key, so that a heading has a flag of its own and a page keeps its
// shape whatever the player has seen.
class SceneTable {
 public:
  // Reads the whole text: lines upper-cased, empty ones skipped, up to ":END", which always
  // ends the table (a text without it still gets one).
  void Load(const DefinitionText& text);

  int Count() const { return static_cast<int>(titles_.size()); }
  // Both empty for a number the table does not have.
  const std::string& Title(int scene) const;
  const std::string& Key(int scene) const;

  // The first scene whose key is the name.
  std::optional<int> SceneOfKey(std::string_view upperName) const;
  // A story script of a scene was loaded: the scene and its heading count as seen.
  void MarkSeen(std::string_view upperName, GlobalProgress& progress) const;
  // The page under its marker; a marker the table lacks reads from scene 0.
  PageLayout LayOut(std::string_view marker, const GlobalProgress& progress) const;

 private:
  std::vector<std::string> titles_;
  std::vector<std::string> keys_;
};

}  // namespace tolven
