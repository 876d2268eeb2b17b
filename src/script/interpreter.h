#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/engine_values.h"
#include "script/command_table.h"

namespace tolven {

class Archives;
class DefinitionText;
class InterpreterHost;
class ScreenCommands;
class MessageOutput;
class Stage;
class Trace;
class Variables;
struct EngineFlags;
struct ScriptState;

// What LoadScript loads.
inline constexpr int kScriptMode = 1;
inline constexpr int kDefinitionMode = 2;

inline constexpr size_t kCallStackEntries = 9;
inline constexpr size_t kDefaultStepLineLimit = 100000;
// Bytes a step may read and search through before it ends; see SetStepLineLimit.
inline constexpr uint64_t kDefaultStepWorkLimit = uint64_t{64} << 20;
// Script names fit the 30-byte name fields of save files with their terminator.
inline constexpr size_t kScriptNameMax = 29;

// The "found nothing" answer of the searches. It lies beyond any script that can be loaded, so
// a read position set to it ends the script rather than landing inside a large one.
inline constexpr uint32_t kNoLine = 0xFFFFFFFF;
inline constexpr uint32_t kNoNamedStart = kNoLine;

// The label and block searches of the interpreter on any script image, for readers that hold
// a script without running it; `work` grows by the bytes each search covers.
int32_t FindLabelIn(std::string_view image, std::string_view label, uint64_t& work);
uint32_t SkipToLineIn(std::string_view image, uint32_t from, char first, uint64_t& work);
uint32_t SkipToNamedEndIn(std::string_view image, uint32_t from, std::string_view name,
                          uint64_t& work);

// One bit per passage number of `mark`, set once the passage has been shown.
class ReadMarks {
 public:
  static constexpr int kCount = 80001;  // passages 0-80000

  bool Test(int n) const;
  void Set(int n);
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  // A loaded game's copy replaces these; the next merge with the player's file adds back what
  // it lacked.
  void Assign(std::span<const uint8_t> bytes) {
    std::fill(bytes_.begin(), bytes_.end(), 0);
    std::copy_n(bytes.begin(), std::min(bytes.size(), bytes_.size()), bytes_.begin());
  }
  // Marks only ever grow: the bits of another copy are added to these.
  void Merge(std::span<const uint8_t> bytes) {
    for (size_t i = 0; i < bytes_.size() && i < bytes.size(); ++i) bytes_[i] |= bytes[i];
  }

 private:
  std::vector<uint8_t> bytes_ = std::vector<uint8_t>((kCount + 7) / 8);
};

// The scripts to come back to; entries below CallDepth are in use, the innermost last.
struct CallStack {
  std::array<std::string, kCallStackEntries> CallNames;
  std::array<int32_t, kCallStackEntries> CallPositions{};
  int CallDepth = 0;
};

// Where the interpreter stands. The frame loop, the choice screens and save files read and set
// these between steps.
struct InterpreterState {
  uint32_t ReadPos = 0;        // the next line to read
  uint32_t LineStart = 0;      // where the current line began: a save during a choice resumes here
  size_t LinePos = 0;          // the next unprinted byte of the line buffer
  bool NeedLine = false;       // off while a text line is still being printed
  bool ScriptRunning = false;  // the frame loop steps the script
  bool NameLine = false;       // the current line names the speaker
  std::string LoadedScriptName;  // the last script loaded, in the letter case of its caller
  std::string CurrentScript;     // the name a call records for coming back
  CallStack calls;
};

// The line interpreter: holds one script at a time and runs it step by step, a step ending
// whenever the story has to wait for time or for the player.
class Interpreter {
 public:
  Interpreter(const Archives& archives, ScriptState& banks, Variables& variables,
              EngineFlags& flags, MessageOutput& output, DefinitionText& definitions, Stage& stage,
              InterpreterHost& host, ScreenCommands& screens, Trace& trace);
  Interpreter(const Interpreter&) = delete;
  Interpreter& operator=(const Interpreter&) = delete;

  // kScriptMode or kDefinitionMode. False when no script archive holds the name; nothing
  // changes then. The call stack, the page and the waits are the caller's business.
  bool LoadScript(std::string_view name, int mode);
  // Takes a script already negated back, as a script-mode load would, keeping the names.
  void LoadScriptImage(std::vector<uint8_t> image);

  // One step: reads and acts on lines until something makes the story wait.
  void RunScript();
  // A script that loops by jumps alone never waits; after this many lines, or once its lines
  // and label searches have covered this many bytes, the step ends anyway so the window stays
  // responsive. The loop then goes on in the next step.
  void SetStepLineLimit(size_t lines) { stepLineLimit_ = lines; }
  void SetStepWorkLimit(uint64_t bytes) { stepWorkLimit_ = bytes; }

  // Labels and blocks. Positions are offsets into the script image.
  int32_t FindLabel(std::string_view label) const;
  bool JumpToLabel(std::string_view label);
  uint32_t SkipToLine(uint32_t from, char first) const;
  uint32_t SkipToNamedEnd(uint32_t from, std::string_view name) const;
  uint32_t FindNamedStart(uint32_t from, std::string_view name) const;
  uint32_t FindByte(uint32_t from, uint8_t byte) const;

  // Transfers between scripts. An empty label means none.
  void Chain(std::string_view script, std::string_view label);
  void Call(std::string_view script, std::string_view label);
  // Back to the caller; false when no call is open.
  bool ReturnFromCall();
  // A scene replay has ended (`end` at the outermost level, `exit`).
  void ReturnFromReplay();
  // `cjmp`: into case `selector` of the construct that follows.
  void CaseJump(int32_t selector);

  InterpreterState& State() { return state_; }
  const InterpreterState& State() const { return state_; }
  ReadMarks& Marks() { return marks_; }
  const ReadMarks& Marks() const { return marks_; }
  std::string_view Image() const {
    return {reinterpret_cast<const char*>(scriptImage_.data()), scriptImage_.size()};
  }
  uint32_t ScriptSize() const { return static_cast<uint32_t>(scriptImage_.size()); }
  const std::string& LineBuffer() const { return lineBuffer_; }
  // A loaded game's line, printed on from LinePos.
  void RestoreLineBuffer(std::string line) { lineBuffer_ = std::move(line); }

 private:
  void ReadLine();
  // Acts on the line buffer, again while a command rewrites it; true when the next line is to
  // be read in the same step.
  bool ExamineLine();
  int ActOnLine();
  void SkipBlock();
  void ReportUnknownCommand() const;
  void PageMark(PageWaitKind pageWait);
  void PrintText();

  const Archives& archives_;
  ScriptState& banks_;
  Variables& variables_;
  EngineFlags& flags_;
  MessageOutput& output_;
  DefinitionText& definitions_;
  InterpreterHost& host_;
  ScreenCommands& screens_;
  Trace& trace_;
  CommandContext commands_;

  std::vector<uint8_t> scriptImage_;  // sized to the script, however large
  std::string lineBuffer_;            // the current line without its zero byte, any length
  InterpreterState state_;
  ReadMarks marks_;
  size_t stepLineLimit_ = kDefaultStepLineLimit;
  uint64_t stepWorkLimit_ = kDefaultStepWorkLimit;
  // Bytes read and searched in this step; the searches are const, so they count here.
  mutable uint64_t stepWork_ = 0;
};

}  // namespace tolven
