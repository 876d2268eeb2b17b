#include "screens/item_pictures.h"

#include <cstdio>

#include "base/text_encoding.h"
#include "graphics/blending.h"
#include "graphics/picture_copy.h"
#include "resources/definition_text.h"

namespace tolven {
namespace {

constexpr int kSlotSize = 70;
constexpr int kGridColumns = 6;
constexpr int kGridTop = 50;

constexpr int kLabelWidth = 100;
constexpr int kLabelHeight = 14;
// The label sits 18 pixels left of its slot and just under the icon.
constexpr int kLabelLeft = -18;
constexpr int kLabelTop = 118;
constexpr std::array<uint8_t, 3> kLabelColour = {128, 128, 64};  // blue, green, red
constexpr TextRgb kLabelText{255, 255, 255};
// A 10-point face at 96 DPI.
constexpr const char* kLabelFace = "ＭＳ ゴシック";
constexpr int kLabelPixelEm = 13;

constexpr const char* kNamesText = "sys_items";

}  // namespace

bool ItemOwned(const ScriptState& state, int n) {
  return n >= 1 && n <= kItemCount && state.V(kCurrencyVariable + n) != 0;
}

SlotPlace SlotPosition(int x0, int n) {
  return {x0 + kSlotSize * ((n - 1) % kGridColumns),
          kGridTop + kSlotSize * ((n - 1) / kGridColumns)};
}

int SlotAt(int x0, int x, int y) {
  if (x < x0 || x >= x0 + kGridColumns * kSlotSize || y < kGridTop) return 0;
  const int slot = (x - x0) / kSlotSize + (y - kGridTop) / kSlotSize * kGridColumns + 1;
  return slot <= kItemCount ? slot : 0;
}

ItemPictures::ItemPictures(Stage& stage, const Archives& archives, Trace& trace)
    : stage_(stage),
      archives_(archives),
      trace_(trace),
      currencyLabel_(Utf8ToShiftJis("所持煩悩:").value_or("")) {}

void ItemPictures::Load(const char* name, Bitmap24& picture) {
  // A missing picture must not leave the one loaded before under its name.
  picture = Bitmap24();
  stage_.LoadPicture(name, picture);
}

void ItemPictures::LoadItemPictures() {
  Load("item_1", panel_);
  for (int n = 1; n <= kItemCount; ++n) {
    char name[8];
    std::snprintf(name, sizeof name, "icon%02d", n);
    Load(name, icons_[static_cast<size_t>(n)]);
  }
  Load("item_x", leaveButton_);
  label_.Resize(kLabelWidth, kLabelHeight);
  LoadNames();
}

// A buffer of its own: the names are read once and must not disturb the shared one. Without
// the text every name is empty; lines past the last item are left alone.
void ItemPictures::LoadNames() {
  names_.fill({});
  DefinitionText text;
  if (!text.Load(archives_, kNamesText)) return;
  uint32_t position = 0;
  for (int n = 1; n <= kItemCount && position < text.DefinitionSize(); ++n) {
    std::string line = text.ReadDefLine(position);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    names_[static_cast<size_t>(n)] = std::move(line);
  }
}

void ItemPictures::LoadShopPictures() {
  Load("item_2", offerPanel_);
  Load("item_3", pricePanel_);
  Load("item_4", questionPanel_);
}

void ItemPictures::ReleaseShopPictures() {
  offerPanel_ = Bitmap24();
  pricePanel_ = Bitmap24();
  questionPanel_ = Bitmap24();
}

const std::string& ItemPictures::Name(int n) const {
  return names_[n >= 1 && n <= kItemCount ? static_cast<size_t>(n) : 0];
}

void ItemPictures::DrawMasked(Bitmap24& target, const Bitmap24& picture, int x, int y) {
  if (picture.Empty()) return;
  DrawStackedSprite(target, x, picture, y, trace_);
}

void ItemPictures::DrawLeaveButton(Bitmap24& target, int x, int y) const {
  CopyRect(leaveButton_, 0, 0, leaveButton_.Width(), leaveButton_.Height(), target, x, y);
}

void ItemPictures::DrawIcon(Bitmap24& target, int n, int x, int y) const {
  if (n < 1 || n > kItemCount) return;
  const Bitmap24& icon = icons_[static_cast<size_t>(n)];
  CopyRect(icon, 0, 0, icon.Width(), icon.Height(), target, x, y);
}

void ItemPictures::DrawOwnedIcons(Bitmap24& target, const ScriptState& state, int x0,
                                  int except) const {
  for (int n = 1; n <= kItemCount; ++n) {
    if (n == except || !ItemOwned(state, n)) continue;
    const SlotPlace at = SlotPosition(x0, n);
    DrawIcon(target, n, at.x, at.y);
  }
}

ScreenText& ItemPictures::LabelFont() {
  if (!labelFont_) labelFont_.emplace(kLabelFace, kLabelPixelEm);
  return *labelFont_;
}

void ItemPictures::ShowLabel(PaintBox& pb, int x0, int n) {
  label_.Resize(kLabelWidth, kLabelHeight);
  FillPicture(label_, kLabelColour);
  const std::string& name = Name(n);
  LabelFont().Draw(name, label_, (kLabelWidth - LabelFont().Width(name)) / 2, 0, kLabelText);
  const SlotPlace slot = SlotPosition(x0, n);
  const int x = slot.x + kLabelLeft;
  const int y = slot.y - kGridTop + kLabelTop;
  CopyRect(label_, 0, 0, kLabelWidth, kLabelHeight, pb.Draw(x, y, kLabelWidth, kLabelHeight), x, y);
}

void ItemGrid::ItemHover(int x, int y) {
  int slot = SlotAt(x0_, x, y);
  if (!ItemOwned(state_, slot)) slot = 0;
  if (slot == pointed_) return;
  pointed_ = slot;
  CopyTopLeftArea(stage_.Buffers().StageBuffer, pb_.Draw());
  if (slot != 0) pictures_.ShowLabel(pb_, x0_, slot);
}

}  // namespace tolven
