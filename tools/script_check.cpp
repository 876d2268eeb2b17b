#include "tools/script_check.h"

#include <algorithm>
#include <utility>

#include "base/text_encoding.h"
#include "resources/archive_index.h"
#include "script/choices.h"
#include "script/command_table.h"
#include "script/interpreter.h"
#include "tools/resource_check.h"

namespace tolven::tools {
namespace {

// Limits of the engine's buffers, as the interpreter and the choices keep them.
constexpr size_t kLabelLimit = 31;        // characters of a label name
constexpr size_t kRowTextLimit = 63;      // bytes `string`, `title` and an answer keep
constexpr size_t kAnswerCharacters = 64;  // an answer line is read no further
constexpr size_t kIfScanLimit = 200;      // `if` looks no further for its action
constexpr int kScriptRows = 10;           // string rows 0-9 are the scripts'

std::string Shown(std::string_view shiftJis) {
  return "\"" + ShiftJisToUtf8Lossy(shiftJis) + "\"";
}

bool IsLeadByte(char c) {
  return IsShiftJisLeadByte(static_cast<uint8_t>(c));
}

bool IsCommandLine(std::string_view line) {
  return !line.empty() && (line[0] == '*' || line[0] == '@');
}

// The first word of a command line, for naming a command the table does not know.
std::string_view CommandWord(std::string_view line) {
  const std::string_view words = line.substr(1);
  return words.substr(0, std::min(words.find(' '), words.size()));
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualIgnoringCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

std::set<std::string, std::less<>> DefinitionTextNames(const GameContents& game) {
  std::set<std::string, std::less<>> names = {"VIEW",         "MAP",   "EFFECT",  "SELTREE",
                                              "SYS_FLASHBAK", "SROLL", "ENDROLL", "SYS_NAMES"};
  for (const GameText& text : game.Texts()) {
    const std::string_view image = text.image;
    for (size_t at = 0; at < image.size();) {
      const size_t end = std::min(image.find('\0', at), image.size());
      const std::string_view line = image.substr(at, end - at);
      const int index = IsCommandLine(line) ? MatchCommand(line) : -1;
      if (index >= 0 && CommandTable()[static_cast<size_t>(index)].keyword == "roll ") {
        names.insert(UpperCaseName(TextAt(line, 6)));
      }
      at = end + 1;
    }
  }
  return names;
}

void ScriptChecker::Check(const GameText& script) {
  script_ = &script;
  image_ = script.image;
  lineNumber_ = 0;
  for (uint32_t at = 0; at < image_.size();) {
    const std::string_view line = LineAt(at);
    lineStart_ = at;
    nextLine_ = static_cast<uint32_t>(std::min<size_t>(at + line.size() + 1, image_.size()));
    ++lineNumber_;
    CheckLine(line);
    at = nextLine_;
  }
}

void ScriptChecker::CheckLine(std::string_view line) {
  if (line.empty()) return;
  switch (line[0]) {
    case '!':
      return Assignments(line.substr(1));
    case ':':
      return CheckLabelLine(line);
    case '*':
    case '@':
      return CheckCommand(line);
    default:
      return;
  }
}

void ScriptChecker::CheckCommand(std::string_view line) {
  const int index = MatchCommand(line);
  if (index < 0) return Report("unknown command " + Shown(CommandWord(line)));
  const std::string_view keyword = CommandTable()[static_cast<size_t>(index)].keyword;
  for (std::string& message : MissingResources(game_, keyword, line)) Report(std::move(message));
  CheckControl(keyword, line);
}

void ScriptChecker::CheckControl(std::string_view keyword, std::string_view line) {
  if (keyword == "go ") return Label(*script_, TextAt(line, 4));
  if (keyword == "if ") return If(line);
  if (keyword == "chain ") {
    const ScriptAndLabel target = ChainTarget(line);
    return Transfer(target.script, target.label);
  }
  if (keyword == "call ") {
    if (TextAt(line, 6).starts_with('$')) return;  // a string row names the script
    const ScriptAndLabel target = CallTarget(line);
    return Transfer(target.script, target.label);
  }
  if (keyword == "calc ") return Assignments(TextAt(line, 6));
  if (keyword == "cjmp") {
    if (line.size() > 5) Expression(TextAt(line, 6), lineStart_);
    return Closed("cjmp");
  }
  if (keyword == "select") return Select();
  if (keyword == "switch") return Switch(line);
  if (keyword == "clickmap ") return Closed("clickmap");
  if (keyword == "string ") return StringRow(line);
  if (keyword == "title ") return Fits(TextAt(line, 7), "title");
  if (keyword == "mark ") return Mark(line);
  if (keyword == "ptset ") return Ptset(line);
}

void ScriptChecker::CheckLabelLine(std::string_view line) {
  if (line.size() - 1 > kLabelLimit) {
    Report("label " + Shown(line.substr(1)) + " is longer than 31 characters");
  }
}

// ---- Jumps and transfers ------------------------------------------------------------------------

void ScriptChecker::Label(const GameText& target, std::string_view label) {
  if (label.empty()) return Report("jump without a label");
  std::string key = target.name + '\n' + UpperCaseName(label);
  auto [known, added] = labels_.try_emplace(std::move(key), false);
  if (added) known->second = FindLabelIn(target.image, label, work_) >= 0;
  if (known->second) return;
  std::string message = "no label " + Shown(label);
  if (&target != script_) message += " in script " + Shown(target.name);
  Report(std::move(message));
}

void ScriptChecker::Transfer(std::string_view script, std::string_view label) {
  const GameText* target = game_.FindText(script);
  if (target == nullptr) return Report("no script " + Shown(script));
  if (script.size() > kScriptNameMax) {
    Report("script name " + Shown(script) + " is longer than 29 characters: coming back fails");
  }
  if (!label.empty()) Label(*target, label);
}

// The action after the condition's ')': a command or calculation run as a line of its own, or
// a label to jump to.
void ScriptChecker::If(std::string_view line) {
  if (!probe_.ConditionReads(TextAt(line, 4))) {
    const std::string_view condition = TextAt(line, 4);
    const size_t close = condition.find(')');
    Report("condition does not read: " +
           Shown(close == std::string_view::npos ? condition : condition.substr(0, close + 1)));
  }
  size_t i = 4;
  while (i < kIfScanLimit && i < line.size() && line[i] != ')') ++i;
  if (i < line.size() && line[i] == ')') ++i;
  while (i < kIfScanLimit && i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (i >= kIfScanLimit) return Report("if: no action within 200 bytes: the line does nothing");
  const std::string_view action = TextAt(line, i);
  if (action.empty()) return Report("if without an action");
  if (action[0] != '*' && action[0] != '@' && action[0] != '!') return Label(*script_, action);
  if (action.size() + 1 > kIfScanLimit) {
    return Report("if: a statement of more than 199 bytes is not run");
  }
  CheckLine(action);
}

// ---- Groups
// ---------------------------------------------------------------------------------------

// Branch lines up to the first '}' line; the engine reads no more than 32 of them.
void ScriptChecker::Select() {
  int answers = 0;
  for (uint32_t position = nextLine_;;) {
    const uint32_t open = SkipToLineIn(image_, position, '{', work_);
    const uint32_t close = SkipToLineIn(image_, position, '}', work_);
    if (close == kNoLine) return Report("select without its closing } line");
    if (open == kNoLine || open >= close) break;
    ++answers;
    Answer(open);
    position =
        static_cast<uint32_t>(std::min<size_t>(open + LineAt(open).size() + 1, image_.size()));
  }
  if (answers > kMaxChoiceEntries) {
    Report("select with " + std::to_string(answers) + " answers: only the first 32 are shown");
  }
}

// The answer as the choice reads it: conditions are left out, "$d" takes a string row.
void ScriptChecker::Answer(uint32_t open) {
  const std::string_view line = LineAt(open).substr(1);
  size_t bytes = 0;
  size_t at = 0;
  for (size_t taken = 0; at < line.size() && taken < kAnswerCharacters; ++taken) {
    if (line[at] == '(') {
      const size_t end = std::min(line.find(')', at), line.size());
      Condition(line.substr(at + 1, end - at - 1), open);
      at = std::min(end + 1, line.size());
      continue;
    }
    if (line[at] == '$') return;
    const size_t length = IsLeadByte(line[at]) && at + 1 < line.size() ? 2 : 1;
    bytes += length;
    at += length;
  }
  if (bytes > kRowTextLimit) {
    ReportAt(open, "answer of " + std::to_string(bytes) + " bytes: at most 63 fit");
  }
}

// A plain switch ends at the first '}' line, a named one at its "}:name" line.
void ScriptChecker::Switch(std::string_view line) {
  const std::string_view name = line.size() > 7 ? TextAt(line, 8) : std::string_view();
  const uint32_t end = name.empty() ? SkipToLineIn(image_, nextLine_, '}', work_)
                                    : SkipToNamedEndIn(image_, nextLine_, name, work_);
  if (end == kNoLine) {
    Report(name.empty() ? "switch without its closing } line"
                        : "switch " + Shown(name) +
                              " never closes: no }:" + ShiftJisToUtf8Lossy(name) + " line");
  }
  for (uint32_t open = SkipToLineIn(image_, nextLine_, '{', work_); open < end;) {
    SwitchBranch(open, name);
    const uint32_t after = open + static_cast<uint32_t>(LineAt(open).size()) + 1;
    open = SkipToLineIn(image_, after, '{', work_);
  }
}

void ScriptChecker::SwitchBranch(uint32_t open, std::string_view name) {
  std::string_view branch = LineAt(open).substr(1);
  if (!name.empty()) {
    if (!branch.starts_with(':') || !StartsWithIgnoringCase(branch.substr(1), name)) return;
    branch.remove_prefix(1 + name.size());
  }
  if (!branch.starts_with('(')) return;
  Condition(branch.substr(1, std::min(branch.find(')'), branch.size()) - 1), open);
}

void ScriptChecker::Closed(std::string_view command) {
  if (SkipToLineIn(image_, nextLine_, '}', work_) == kNoLine) {
    Report(std::string(command) + " without its closing } line");
  }
}

// ---- Limits
// ---------------------------------------------------------------------------------------

void ScriptChecker::StringRow(std::string_view line) {
  const int32_t row = NumberAt(line, 8);
  if (row < 0 || row >= kScriptRows) {
    return Report("string row " + std::to_string(row) + ": scripts have rows 0-9");
  }
  Fits(TextAt(line, 10), "string");
}

void ScriptChecker::Fits(std::string_view text, std::string_view command) {
  if (text.size() <= kRowTextLimit) return;
  Report(std::string(command) + " text of " + std::to_string(text.size()) +
         " bytes: only the first 63 are kept");
}

void ScriptChecker::Mark(std::string_view line) {
  const int32_t passage = NumberAt(line, 6);
  if (passage >= 0 && passage < ReadMarks::kCount) return;
  Report("mark " + std::to_string(passage) + " lies beyond the read marks 0-80000");
}

// Six expressions separated by commas.
void ScriptChecker::Ptset(std::string_view line) {
  std::string_view text = TextAt(line, 7);
  for (int i = 0; i < 6 && !text.empty(); ++i) {
    const size_t comma = std::min(text.find(','), text.size());
    Expression(UpperCaseName(text.substr(0, comma)), lineStart_);
    text.remove_prefix(std::min(comma + 1, text.size()));
  }
}

// ---- Expressions
// ----------------------------------------------------------------------------------

void ScriptChecker::Expression(std::string_view text, uint32_t at) {
  if (!probe_.ExpressionReads(text)) ReportAt(at, "expression does not read: " + Shown(text));
}

void ScriptChecker::Condition(std::string_view text, uint32_t at) {
  if (!probe_.ConditionReads(text)) ReportAt(at, "condition does not read: " + Shown(text));
}

void ScriptChecker::Assignments(std::string_view text) {
  if (!probe_.AssignmentsRead(text)) Report("assignment does not read: " + Shown(text));
}

// ---- Positions
// ------------------------------------------------------------------------------------

std::string_view ScriptChecker::LineAt(uint32_t position) const {
  if (position >= image_.size()) return {};
  const size_t end = std::min(image_.find('\0', position), image_.size());
  return image_.substr(position, end - position);
}

// Counted from the line being checked, so a group costs only its own length.
int ScriptChecker::LineNumberOf(uint32_t position) const {
  if (position < lineStart_) return script_->LineAt(position);
  const auto from = image_.begin() + lineStart_;
  const auto to = image_.begin() + std::min<size_t>(position, image_.size());
  return lineNumber_ + static_cast<int>(std::count(from, to, '\0'));
}

void ScriptChecker::ReportAt(uint32_t position, std::string message) {
  findings_.Add(script_->file, LineNumberOf(position), std::move(message));
}

}  // namespace tolven::tools
