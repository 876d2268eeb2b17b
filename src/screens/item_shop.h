#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "base/engine_flags.h"
#include "base/script_state.h"
#include "graphics/stage.h"
#include "resources/paint_box.h"
#include "screens/item_pictures.h"
#include "screens/screen.h"
#include "text/glyphs.h"

namespace tolven {

// What the shop acts on.
struct ItemShopParts {
  PaintBox& pb;
  Stage& stage;    // StageBuffer, and PreviousBuffer holding the screen to return to
  Glyphs& glyphs;  // the names, prices and questions
  EngineFlags& flags;
  ScriptState& state;  // the currency and the owned items
  ItemPictures& pictures;
};

inline constexpr int kShopRows = 4;

struct ShopOffer {
  int item = 0;  // 0: the row is empty
  int32_t price = 0;
  bool operator==(const ShopOffer&) const = default;
};
using ShopOffers = std::array<ShopOffer, kShopRows>;

enum class ShopQuestion : int { None = 0, Buy = 1, Leave = 2 };

// The item shop (state 4): up to four offers beside the grid of owned items, bought with the
// currency after a yes to "購入しますか？"; the leave button asks before the shop closes, a
// right press leaves at once. The screen under the shop comes back as it was.
class ItemShop final : public Screen {
 public:
  explicit ItemShop(const ItemShopParts& parts);

  // The `shop` command: its argument lists pairs of an item number and a price.
  void Shop(std::string_view argument) { OpenShop(argument); }
  void OpenShop(std::string_view argument);
  void DrawShop();
  void ShopClick(MouseButton button, int x, int y);
  void LeaveShop();

  void PointerMove(int x, int y) override { grid_.ItemHover(x, y); }
  void Press(MouseButton button, int x, int y) override { ShopClick(button, x, y); }
  bool WaitsForInput() const override { return true; }
  // The keyboard: Up and Down go over the offers and the leave button, Enter asks as a click
  // there does, Escape leaves as a right press; a question is answered by Left ("ＹＥＳ") or
  // Right ("ＮＯ", where it starts) and Enter, or by Escape (no).
  void KeyDown(int key) override;
  bool TakesKey(int key) const override;
  // The offer row (0-3) or the leave button (kShopRows) the keyboard is on; -1 none.
  int KeyFocus() const { return keyFocus_; }

  // Complete pairs only, at most four: a number without its price is left out. An owned item,
  // or a number that names no item, leaves its row empty.
  static ShopOffers ReadOffers(std::string_view argument, const ScriptState& state);

  bool Open() const { return open_; }
  const ShopOffers& Offers() const { return offers_; }
  ShopQuestion Question() const { return question_; }
  // Null when the shop is closed.
  nlohmann::ordered_json DumpObject() const;

 private:
  void AskToBuy(int row);
  void AskToLeave();
  void Answer(bool yes);
  void ShowStage();
  void DrawText(const std::string& text, int x, int y, int colour);
  // The offer row under the point, -1 for none.
  static int RowAt(int x, int y);
  // The frame around what the keyboard is on, drawn over the screen only.
  void ShowKeyFocus();

  ItemShopParts parts_;
  ItemGrid grid_;
  std::string buyQuestion_;
  std::string leaveQuestion_;
  std::string answers_;

  bool open_ = false;
  ShopOffers offers_{};
  ShopQuestion question_ = ShopQuestion::None;
  ShopOffer pending_{};
  int keyFocus_ = -1;
  bool keyYes_ = false;
};

}  // namespace tolven
