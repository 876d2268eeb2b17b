#pragma once

#include <sstream>
#include <string_view>

#include "base/random_generator.h"
#include "base/script_state.h"
#include "base/trace.h"
#include "script/variables.h"

namespace tolven::tools {

// Whether the engine's own expression reader accepts a text: it is run on banks of its own,
// and a note in the developer trace ("無効数式", "代入エラー") means the engine would have
// quietly used 0 or stored nothing. Conditions stop where the engine stops, so a clause after a
// decided "&" or "|" is only read when the banks at zero reach it.
class ExpressionProbe {
 public:
  ExpressionProbe() { trace_.Attach(&notes_); }
  ExpressionProbe(const ExpressionProbe&) = delete;
  ExpressionProbe& operator=(const ExpressionProbe&) = delete;

  bool ExpressionReads(std::string_view text) {
    Clear();
    variables_.EvaluateExpression(text);
    return notes_.tellp() == 0;
  }
  bool ConditionReads(std::string_view text) {
    Clear();
    variables_.TestCondition(text);
    return notes_.tellp() == 0;
  }
  // An assignment list stores into the banks, so they go back to zero before the next probe.
  bool AssignmentsRead(std::string_view text) {
    Clear();
    variables_.ExecuteAssignments(text);
    banks_ = ScriptState{};
    return notes_.tellp() == 0;
  }

 private:
  void Clear() { notes_.str({}); }

  std::ostringstream notes_;
  Trace trace_;
  ScriptState banks_;
  RandomGenerator random_{1};
  Variables variables_{banks_, random_, trace_};
};

}  // namespace tolven::tools
