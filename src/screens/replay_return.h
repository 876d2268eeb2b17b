#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/engine_flags.h"
#include "script/interpreter.h"
#include "script/interpreter_host.h"

namespace tolven {

// Where the story stood when a screen started replaying a scene: the script, the read
// position, the call depth and the names on the call stack. The gallery's scene replay and
// recollection's playlists share it and the one replay flag: `end` and `exit` find a replay
// running by that flag, whichever screen started it.
struct ReturnPoint {
  std::string script;
  uint32_t readPos = 0;
  int callDepth = 0;
  std::array<std::string, kCallStackEntries> callNames;
  // Kept as well: a scene that calls scripts writes over the stack's positions, and the story
  // must return from its own calls to where they were made.
  std::array<int32_t, kCallStackEntries> callPositions{};
};

// The screen a replay goes back to when its scene ends.
enum class ReplayOrigin { Viewer, Recollection };

class ReplayReturn {
 public:
  ReplayReturn(Interpreter& interpreter, EngineFlags& flags, InterpreterHost& host)
      : interpreter_(interpreter), flags_(flags), host_(host) {}

  // Keeps the return point and the screen to go back to, and turns the replay flag on; the
  // scene starts at call depth 0.
  void StartReplay(ReplayOrigin origin);
  // The replay flag off, the waits cleared, and the story back where it stood: the script
  // loaded again at its read position, with its call depth and its call stack.
  void EndReplay();
  bool Running() const { return flags_.ReplayActive; }
  const ReturnPoint& Point() const { return point_; }
  ReplayOrigin Origin() const { return origin_; }

 private:
  Interpreter& interpreter_;
  EngineFlags& flags_;
  InterpreterHost& host_;
  ReturnPoint point_;
  ReplayOrigin origin_ = ReplayOrigin::Viewer;
};

}  // namespace tolven
