#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/hook.h"
#include "base/random_generator.h"
#include "base/script_state.h"
#include "base/trace.h"

namespace tolven {

// The script language's view of the variable banks: expressions, assignment lists, condition
// chains, the string rows and the text tags that print them. All texts are Shift-JIS bytes.
// Nothing here ever fails outward: bad input yields 0, false or no change, and a note in the
// developer trace.
class Variables {
 public:
  Variables(ScriptState& state, RandomGenerator& random, Trace& trace);

  // Left to right, no precedence, stopping at the first terminator; an invalid character makes
  // the whole result 0.
  int32_t EvaluateExpression(std::string_view text);
  // An assignment list as written after `calc` or `!`: normalised first, clauses split by ';'.
  void ExecuteAssignments(std::string_view text);
  // A condition chain as written after `if ` (the leading '(' included).
  bool TestCondition(std::string_view text);

  // Upper-cases single-byte a-z and removes blanks, tabs and full-width spaces; double-byte
  // characters pass whole.
  static std::string NormaliseAssignment(std::string_view text);

  // Bit banks by letter ('F', 'E', 'T'). An index outside the bank, or another letter, is
  // ignored by set and clear and reads as false.
  void SetBit(char bank, int index);
  void ClearBit(char bank, int index);
  bool TestBit(char bank, int index) const;

  // A new game: F, T and V000-V799 go back to zero; V800-V999 carry over.
  void Gameinit();

  // The `string` command: at most 63 bytes from the start of the row, then a NUL, so a long
  // text runs on into the following rows. Only rows 0-9 are open to scripts; others are
  // refused with false. Row 0 is the family name and updates S006.
  bool SetStringRow(int row, std::string_view text);
  // Row 0 set to the player's family name without passing it on as a change: start-up and a
  // loaded game put the stored name back. It stays inside its row, so row 1 keeps its own
  // text; S006 follows it.
  void RestoreFamilyName(std::string_view name);
  // The NUL-terminated text from the start of a row (0-19), cut at the end of the bank.
  std::string StringRow(int row) const;

  // The printed forms of the message tags [?expression] and [$n].
  std::string ExpressionTag(std::string_view inner);
  std::string StringTag(int n) const;

  // Calls into the engine around it, connected by the hub.
  HookSet hooks;
  // Any script store into S000 must re-apply the save availability at once.
  Hook<void()> onSaveAvailabilityChanged{hooks, "onSaveAvailabilityChanged"};

 private:
  int32_t ReadVariable(char bank, int index) const;
  void Store(char bank, std::optional<int> index, int32_t value);
  int32_t InvalidExpression();
  void AssignmentError();

  ScriptState& state_;
  RandomGenerator& random_;
  Trace& trace_;
};

}  // namespace tolven
