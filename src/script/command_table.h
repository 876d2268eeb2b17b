#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tolven {

class Interpreter;
class InterpreterHost;
class ScreenCommands;
class Stage;
class Trace;
class Variables;
struct EngineFlags;
struct ScriptState;

// What a command hands back to the line interpreter.
inline constexpr int kReadOn = 0;     // the next line is read in the same step
inline constexpr int kYield = 1;      // the step ends here
inline constexpr int kReexamine = 2;  // the line buffer was rewritten: look at it again

// Everything a command may act on.
struct CommandContext {
  Interpreter& interpreter;
  Variables& variables;
  ScriptState& banks;
  EngineFlags& flags;
  InterpreterHost& host;
  ScreenCommands& screens;  // the commands that hand the screen to a full-screen mode
  Stage& stage;
  Trace& trace;
};

// A handler reads its arguments from the whole line (prefix at byte 0) and either decides its
// own result or leaves it to the table. Only `if` rewrites the line.
using CommandOutcome = std::optional<int>;
inline constexpr CommandOutcome kTableResult = std::nullopt;
using CommandHandler = CommandOutcome (*)(CommandContext& context, std::string& line);

struct CommandRow {
  std::string_view keyword;  // as stored: a trailing blank must be present in the line
  CommandHandler handler;
  int result;
};

inline constexpr size_t kCommandCount = 61;

// The keywords in the order they are tried.
std::span<const CommandRow, kCommandCount> CommandTable();

// The index of the first keyword that the bytes after the prefix start with, letter case
// ignored; -1 when none does. The line begins with its prefix ('*' or '@').
int MatchCommand(std::string_view line);

// Runs command `index` on the line buffer and returns kReadOn, kYield or kReexamine.
int DispatchCommand(CommandContext& context, size_t index, std::string& line);

// Arguments at fixed byte offsets of the line. A number skips leading blanks, takes an
// optional sign and then digits, and is 0 when there are none; text runs to the line end.
// Both are empty when the line is shorter than the offset.
int32_t NumberAt(std::string_view line, size_t n);
std::string_view TextAt(std::string_view line, size_t n);

// Where `chain ` and `call ` go: a script name and the label after its ':' (empty when none).
// `call $d` names its script by string row d, which only the running game knows.
struct ScriptAndLabel {
  std::string_view script;
  std::string_view label;
};
ScriptAndLabel ChainTarget(std::string_view line);
ScriptAndLabel CallTarget(std::string_view line);

// Keywords, script names and labels compare ASCII letters without regard to case.
bool EqualIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

}  // namespace tolven
