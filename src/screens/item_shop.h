#pragma once

#include <string_view>

#include "base/trace.h"
#include "screens/screen.h"

namespace tolven {

// The item shop (state 4). Not built yet; each entry point says so in the developer trace.
class ItemShop final : public Screen {
 public:
  explicit ItemShop(Trace& trace) : trace_(trace) {}

  void Shop(std::string_view) { trace_.NotBuiltYet("shop"); }

  void PointerMove(int, int) override { trace_.NotBuiltYet("ItemHover"); }
  void Press(MouseButton, int, int) override { trace_.NotBuiltYet("ShopClick"); }
  bool WaitsForInput() const override { return true; }

 private:
  Trace& trace_;
};

// The item screen (state 10) and the item counter over the story. Not built yet; each entry
// point says so in the developer trace.
class Inventory final : public Screen {
 public:
  explicit Inventory(Trace& trace) : trace_(trace) {}

  void ShowInventory(int) { trace_.NotBuiltYet("ShowInventory"); }
  void DrawItemCounter() { trace_.NotBuiltYet("DrawItemCounter"); }

  void PointerMove(int, int) override { trace_.NotBuiltYet("ItemHover"); }
  void Press(MouseButton, int, int) override { trace_.NotBuiltYet("CloseInventory"); }
  bool WaitsForInput() const override { return true; }

 private:
  Trace& trace_;
};

}  // namespace tolven
