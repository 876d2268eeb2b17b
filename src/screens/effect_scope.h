#pragma once

#include "base/engine_flags.h"
#include "script/interpreter_host.h"

namespace tolven {

// A blocking sequence holds the engine while it runs: input only leaves an interrupt request
// for it, the script and the timer's waits stop, the menu bar is locked. The scope takes the
// engine for the sequence and gives it back as it found it on every way out, so an early
// return or an exception cannot leave the game frozen.
class EffectScope {
 public:
  EffectScope(EngineFlags& flags, InterpreterHost& host);
  ~EffectScope();
  EffectScope(const EffectScope&) = delete;
  EffectScope& operator=(const EffectScope&) = delete;

 private:
  EngineFlags& flags_;
  InterpreterHost& host_;
  bool busy_;
  bool effectRunning_;
  bool menuLocked_;
};

}  // namespace tolven
