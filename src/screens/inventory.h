#pragma once

#include <cstdint>

#include "base/engine_flags.h"
#include "base/host.h"
#include "base/script_state.h"
#include "graphics/frame_clock.h"
#include "graphics/stage.h"
#include "resources/paint_box.h"
#include "screens/item_pictures.h"
#include "screens/screen.h"
#include "text/glyphs.h"

namespace tolven {

// What the item screen acts on.
struct InventoryParts {
  Host& host;  // presents each frame of the fades
  FrameClock& clock;
  PaintBox& pb;
  Stage& stage;    // StageBuffer, PreviousBuffer (the screen to return to) and WorkBuffer
  Glyphs& glyphs;  // the currency line and the counter
  EngineFlags& flags;
  ScriptState& state;  // the currency, the owned items, the counter and whether it shows
  ItemPictures& pictures;
};

// The item screen (state 10): the owned items as a grid of icons over the current picture,
// faded in. Opened to look (`item 0`, the menu bar's "アイテム") it stays until a press; opened
// to announce a new item it blinks that item's icon three times, fades out and gives the story
// back by itself. Also the counter the story screen can show in its corner.
class Inventory final : public Screen {
 public:
  explicit Inventory(const InventoryParts& parts);

  // Only from the story state; n is the item to announce, 0 none.
  void ShowInventory(int n);
  void CloseInventory();
  // "%d/%d" of V100 in the top-left corner of StageBuffer, while S004 asks for it.
  void DrawItemCounter();

  void PointerMove(int x, int y) override { grid_.ItemHover(x, y); }
  void Press(MouseButton, int, int) override { CloseInventory(); }
  // Not while it fades or announces: it returns by itself then.
  bool WaitsForInput() const override { return !parts_.flags.Busy; }

  int Pointed() const { return grid_.Pointed(); }

 private:
  // StageBuffer over PreviousBuffer by the weight, onto PB by way of WorkBuffer.
  void ShowMix(int weight);
  void ShowStage();
  void Announce(int n);

  InventoryParts parts_;
  ItemGrid grid_;
};

}  // namespace tolven
