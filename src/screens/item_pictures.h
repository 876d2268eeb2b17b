#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/script_state.h"
#include "base/trace.h"
#include "graphics/stage.h"
#include "resources/archives.h"
#include "resources/bitmap24.h"
#include "resources/paint_box.h"
#include "screens/screen_text.h"

namespace tolven {

inline constexpr int kItemCount = 33;
// V800 is the currency; item n is owned while V(800 + n) is not 0.
inline constexpr int kCurrencyVariable = 800;

inline constexpr int kInventoryGridLeft = 192;
inline constexpr int kShopGridLeft = 36;

// Whether item n is owned; numbers outside 1-33 name no item and are never owned.
bool ItemOwned(const ScriptState& state, int n);

struct SlotPlace {
  int x = 0;
  int y = 0;
};
// The top-left corner of slot n (1-33) on the grid whose left edge is x0.
SlotPlace SlotPosition(int x0, int n);
// The slot under the point on the grid whose left edge is x0; 0 off the grid or past slot 33.
int SlotAt(int x0, int x, int y);

// What the item screen and the shop draw with: the panels, the 33 icons, the leave button, the
// name label, and the item names, which are game content read from the definition text
// "sys_items" (one name a line, item 1 on the first). A missing picture draws nothing.
class ItemPictures {
 public:
  ItemPictures(Stage& stage, const Archives& archives, Trace& trace);

  // At start-up: the item screen's panel, the icons, the leave button and the names.
  void LoadItemPictures();
  // The shop's own panels, held only while it is open.
  void LoadShopPictures();
  void ReleaseShopPictures();

  const std::string& Name(int n) const;
  // "所持煩悩:" and the count, in Shift-JIS.
  std::string CurrencyText(int32_t count) const { return currencyLabel_ + std::to_string(count); }

  // The item screen's panel ("item_1", masked) with its top-left corner at (x, y).
  void DrawPanel(Bitmap24& target, int x, int y) { DrawMasked(target, panel_, x, y); }
  // The shop's offer panel ("item_2"), its price panel ("item_3") and the confirmation panel
  // ("item_4"), all masked.
  void DrawOfferPanel(Bitmap24& target, int x, int y) { DrawMasked(target, offerPanel_, x, y); }
  void DrawPricePanel(Bitmap24& target, int x, int y) { DrawMasked(target, pricePanel_, x, y); }
  void DrawQuestionPanel(Bitmap24& target, int x, int y) {
    DrawMasked(target, questionPanel_, x, y);
  }
  void DrawLeaveButton(Bitmap24& target, int x, int y) const;
  void DrawIcon(Bitmap24& target, int n, int x, int y) const;
  // The icon of every owned item but `except` in its slot of the grid whose left edge is x0.
  void DrawOwnedIcons(Bitmap24& target, const ScriptState& state, int x0, int except = 0) const;
  // Item n's name on its label, put on PB under its slot of the grid whose left edge is x0.
  void ShowLabel(PaintBox& pb, int x0, int n);

 private:
  // A picture that does not fit the target is left out, as the sprite drawing does it.
  void DrawMasked(Bitmap24& target, const Bitmap24& picture, int x, int y);
  void Load(const char* name, Bitmap24& picture);
  void LoadNames();
  ScreenText& LabelFont();

  Stage& stage_;
  const Archives& archives_;
  Trace& trace_;
  std::string currencyLabel_;
  Bitmap24 panel_;          // item_1
  Bitmap24 offerPanel_;     // item_2
  Bitmap24 pricePanel_;     // item_3
  Bitmap24 questionPanel_;  // item_4
  Bitmap24 leaveButton_;    // item_x
  std::array<Bitmap24, kItemCount + 1> icons_;
  std::array<std::string, kItemCount + 1> names_;
  Bitmap24 label_;
  std::optional<ScreenText> labelFont_;
};

// The name label of the owned item under the pointer, on one of the two grids: shown when the
// pointer comes to a slot, taken away when it leaves.
class ItemGrid {
 public:
  ItemGrid(ItemPictures& pictures, const ScriptState& state, Stage& stage, PaintBox& pb, int x0)
      : pictures_(pictures), state_(state), stage_(stage), pb_(pb), x0_(x0) {}

  void ItemHover(int x, int y);
  int Pointed() const { return pointed_; }
  // After the screen was drawn again from StageBuffer there is no label on it.
  void Forget() { pointed_ = 0; }

 private:
  ItemPictures& pictures_;
  const ScriptState& state_;
  Stage& stage_;
  PaintBox& pb_;
  int x0_;
  int pointed_ = 0;
};

}  // namespace tolven
