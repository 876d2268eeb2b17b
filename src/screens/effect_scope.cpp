#include "screens/effect_scope.h"

namespace tolven {

EffectScope::EffectScope(EngineFlags& flags, InterpreterHost& host)
    : flags_(flags),
      host_(host),
      busy_(flags.Busy),
      effectRunning_(flags.EffectRunning),
      menuLocked_(flags.MenuLocked) {
  flags_.Busy = true;
  flags_.EffectRunning = true;
  flags_.MenuLocked = true;
  // A click left over from before belongs to no sequence.
  flags_.InterruptRequest = Interrupt::None;
  host_.UpdateMenuBar();
}

// A request left when the sequence ends is kept: a close request must still reach the window.
EffectScope::~EffectScope() {
  flags_.Busy = busy_;
  flags_.EffectRunning = effectRunning_;
  flags_.MenuLocked = menuLocked_;
  host_.UpdateMenuBar();
}

}  // namespace tolven
