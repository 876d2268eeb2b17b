// `seltree`: the scripts of a tree read from the "seltree" definition text, shown in columns;
// a branch opens its children in the next column, a leaf is called like `call`.
#include <algorithm>
#include <cstdlib>

#include "base/engine_values.h"
#include "graphics/blending.h"
#include "graphics/picture_copy.h"
#include "script/choices.h"
#include "script/interpreter.h"
#include "script/variables.h"
#include "text/glyph_face.h"

namespace tolven {
namespace {

constexpr int kTileWidth = 136;
constexpr int kTileHeight = 30;
constexpr int kTreeLeft = 20;
constexpr int kTreeTop = 20;
constexpr int kTreeBottom = 470;
constexpr int kMaxDepth = 9;
constexpr int kColumns = kMaxDepth + 1;
constexpr int kLabelPoints = 16;
constexpr int kFace = 0, kMask = 1, kHighlightedFace = 2, kHighlightedMask = 3, kHalvedMask = 4;

std::string UpperCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return text;
}

int ColumnLeft(int column) {
  return kTreeLeft + kTileWidth * column;
}

}  // namespace

// Trees are runs of item lines ended by "END"; "ALLEND" ends them all. An item line is its depth
// in leading blanks, then label, T bit number and script name. A line whose T bit is not a
// number is left out.
void Choices::ReadSeltreeDefinition() {
  for (auto& tree : trees_) tree.clear();
  uint32_t position = 0;
  int tree = 0;
  while (position < definitions_.DefinitionSize() && tree < kSeltreeCount) {
    const std::string line = definitions_.ReadDefLine(position);
    if (line.empty()) continue;
    const std::string upper = UpperCase(line);
    if (upper == "ALLEND") break;
    if (upper == "END") {
      ++tree;
      continue;
    }
    if (trees_[tree].size() >= static_cast<size_t>(kSeltreeItems)) continue;
    const size_t text = std::min(line.find_first_not_of(' '), line.size());
    SeltreeItem item;
    item.depth = static_cast<int>(std::min<size_t>(text, kMaxDepth));
    const std::string body = line.substr(text);
    item.label = Field(body, 0);
    const std::string bit = Field(body, 1);
    char* end = nullptr;
    item.tBit = static_cast<int>(std::strtol(bit.c_str(), &end, 10));
    if (bit.empty() || end == bit.c_str()) continue;
    item.script = Field(body, 2);
    trees_[tree].push_back(std::move(item));
  }
}

void Choices::OpenSeltree(int tree) {
  if (tree < 0 || tree >= kSeltreeCount) return;
  tree_ = tree;
  column_ = 0;
  hoveredItem_ = -1;
  branchOpen_ = false;
  pendingScript_.clear();
  DrawSeltreeColumn(0, 0, -1, false);
  flags_.ChoiceMode = ChoiceKind::Seltree;
}

// Shows at most 15 items of depth `column` from item `first` on, while the walk stays inside the
// branch (depth at least `column`); an item whose T bit is clear takes no row.
void Choices::DrawSeltreeColumn(int column, int first, int highlightRow, bool branchOpen) {
  if (column < 0 || column >= kColumns) return;
  const std::vector<SeltreeItem>& items = trees_[tree_];
  columnFirst_[column] = first;
  columnItems_[column].fill(-1);
  ScreenBuffers& buffers = stage_.Buffers();
  const int x = ColumnLeft(column);
  int row = 0;
  for (int i = first; i < static_cast<int>(items.size()) && row < kSeltreeRows; ++i) {
    const SeltreeItem& item = items[static_cast<size_t>(i)];
    if (item.depth < column) break;
    if (item.depth != column || !variables_.TestBit('T', item.tBit)) continue;
    columnItems_[column][row] = i;
    const int y = kTreeTop + kTileHeight * row;
    const bool highlighted = row == highlightRow;
    const Bitmap24& face = treeTiles_[highlighted ? kHighlightedFace : kFace];
    const Bitmap24& mask =
        treeTiles_[highlighted ? kHighlightedMask : (branchOpen ? kHalvedMask : kMask)];
    Bitmap24 tile(kTileWidth, kTileHeight);
    CopyRect(buffers.SceneBuffer, x, y, kTileWidth, kTileHeight, tile, 0, 0);
    if (face.Width() == kTileWidth && mask.Width() == kTileWidth) {
      for (int r = 0; r < kTileHeight; ++r) {
        MaskedBlend(tile.Row(r), face.Row(r), mask.Row(r), tile.Row(r), 3 * kTileWidth);
      }
    }
    const int em = PointsToPixelEm(kLabelPoints);
    glyphs_.DrawText(item.label, tile, 24, 6, em, TextRgb{0, 0, 0});
    glyphs_.DrawText(item.label, tile, 22, 4, em, TextRgb{255, 255, 255});
    CopyRect(tile, 0, 0, kTileWidth, kTileHeight, buffers.StageBuffer, x, y);
    CopyRect(tile, 0, 0, kTileWidth, kTileHeight, pb_.Draw(), x, y);
    ++row;
  }
  host_.Present();
}

// The whole height of a column is restored, so a long column leaves nothing behind.
void Choices::RestoreArea(int x, int y, int width, int height) {
  const ScreenBuffers& buffers = stage_.Buffers();
  CopyRect(buffers.SceneBuffer, x, y, width, height, stage_.Buffers().StageBuffer);
  CopyRect(buffers.SceneBuffer, x, y, width, height, pb_.Draw());
}

void Choices::HoverSeltree(int x, int y) {
  const int c = column_;
  const int columnHeight = kTileHeight * kSeltreeRows;
  if (x >= ColumnLeft(c) && x < ColumnLeft(c + 1) && y > kTreeTop && y < kTreeBottom) {
    const int row = (y - kTreeTop) / kTileHeight;
    const int item = row < kSeltreeRows ? columnItems_[c][row] : -1;
    if (item < 0 || item == hoveredItem_) return;
    hoveredItem_ = item;
    RestoreArea(ColumnLeft(c + 1), kTreeTop, kTileWidth, columnHeight);
    const SeltreeItem& chosen = trees_[tree_][static_cast<size_t>(item)];
    pendingScript_ = chosen.script;
    branchOpen_ = chosen.script.empty();
    if (branchOpen_) DrawSeltreeColumn(c + 1, item + 1, -1, false);
    DrawSeltreeColumn(c, columnFirst_[c], row, branchOpen_);
    return;
  }
  if (branchOpen_ && x >= ColumnLeft(c + 1) && x < ColumnLeft(c + 2) && y > kTreeTop &&
      y < kTreeBottom) {
    const int row = (y - kTreeTop) / kTileHeight;
    if (row < kSeltreeRows && columnItems_[c][row] >= 0 && c + 1 < kColumns) {
      column_ = c + 1;
      hoveredItem_ = -1;
      branchOpen_ = false;
    }
    return;
  }
  if (c > 0 && x < ColumnLeft(c)) {
    RestoreArea(ColumnLeft(c + 1), kTreeTop, kTileWidth, columnHeight);
    column_ = c - 1;
    hoveredItem_ = -1;
  }
}

std::optional<std::pair<int, int>> Choices::SeltreeRowPoint(int row) const {
  if (row < 0 || row >= kSeltreeRows || columnItems_[column_][row] < 0) return std::nullopt;
  return std::pair{ColumnLeft(column_) + kTileWidth / 2, kTreeTop + kTileHeight * row + 15};
}

void Choices::PickSeltree() {
  if (pendingScript_.empty()) return;
  PlayPickSound();
  const std::string script = pendingScript_;
  pendingScript_.clear();
  RestoreArea(kTreeLeft, kTreeTop, kTileWidth * 4, kTileHeight * kSeltreeRows);
  flags_.ChoiceMode = ChoiceKind::None;
  interpreter_.Call(script, "");
  interpreter_.State().NeedLine = true;
  host_.Present();
}

}  // namespace tolven
