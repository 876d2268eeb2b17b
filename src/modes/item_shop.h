#pragma once

#include "base/input.h"
#include "base/trace.h"

namespace tolven {

// The item shop (state 4) and the item screen (state 10). Not built yet; each entry point says
// so in the developer trace.
class ItemShop {
 public:
  explicit ItemShop(Trace& trace) : trace_(trace) {}

  void ShowInventory(int) { trace_.NotBuiltYet("ShowInventory"); }
  void CloseInventory() { trace_.NotBuiltYet("CloseInventory"); }
  void ItemHover(int, int) { trace_.NotBuiltYet("ItemHover"); }
  void ShopClick(MouseButton, int, int) { trace_.NotBuiltYet("ShopClick"); }

 private:
  Trace& trace_;
};

}  // namespace tolven
