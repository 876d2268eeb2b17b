#pragma once

#include <string>

#include "base/trace.h"
#include "screens/screen.h"

namespace tolven {

// Recollection mode (state 8), its playlists and scene replays. Not built yet; each entry point
// says so in the developer trace.
class Recollection final : public Screen {
 public:
  explicit Recollection(Trace& trace) : trace_(trace) {}

  void Kaisou() { trace_.NotBuiltYet("kaisou"); }
  // `rec`: the choice record of auto-navigation starts.
  void Rec() { trace_.NotBuiltYet("rec"); }
  void SkipScene() { trace_.NotBuiltYet("SkipScene"); }
  // Every script loaded: a scene of the recollection list counts as seen. Until the list is
  // read no script is a scene, so nothing is marked.
  void MarkSceneSeen(const std::string&) {}

  void PointerMove(int, int) override { trace_.NotBuiltYet("RecollectionHover"); }
  void Press(MouseButton, int, int) override { trace_.NotBuiltYet("RecollectionClick"); }
  bool WaitsForInput() const override { return true; }

 private:
  Trace& trace_;
};

}  // namespace tolven
