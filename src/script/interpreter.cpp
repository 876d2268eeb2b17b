#include "script/interpreter.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "base/engine_flags.h"
#include "base/script_state.h"
#include "base/text_encoding.h"
#include "base/trace.h"
#include "resources/archive_index.h"
#include "resources/archives.h"
#include "resources/definition_text.h"
#include "resources/script_source.h"
#include "script/interpreter_host.h"
#include "script/screen_commands.h"
#include "script/variables.h"
#include "text/message_output.h"

namespace tolven {
namespace {

std::string ScriptName(std::string_view name) {
  return std::string(name.substr(0, kScriptNameMax));
}

// The first position p >= from holding `byte` for which accept(p) holds. Every search of the
// block and label machinery walks the image this way. The bytes walked, and the name compared
// at each candidate (candidateCost), are added to work.
template <typename Accept>
std::optional<size_t> Scan(std::string_view image, size_t from, char byte, size_t candidateCost,
                           uint64_t& work, Accept accept) {
  for (size_t p = from; p < image.size();) {
    const size_t hit = image.find(byte, p);
    if (hit == std::string_view::npos) {
      work += image.size() - p;
      break;
    }
    work += hit - p + 1 + candidateCost;
    if (accept(hit)) return hit;
    p = hit + 1;
  }
  return std::nullopt;
}

// Whether the name stands at `at`, letter case ignored; with wholeLine, also that the line ends
// right after it.
bool NameAt(std::string_view image, size_t at, std::string_view name, bool wholeLine) {
  const size_t end = at + name.size();
  if (end > image.size() || !EqualIgnoringCase(image.substr(at, name.size()), name)) return false;
  return !wholeLine || end == image.size() || image[end] == '\0';
}

}  // namespace

bool ReadMarks::Test(int n) const {
  if (n < 0 || n >= kCount) return false;
  return (bytes_[n / 8] >> (n % 8)) & 1u;
}

void ReadMarks::Set(int n) {
  if (n < 0 || n >= kCount) return;
  bytes_[n / 8] = static_cast<uint8_t>(bytes_[n / 8] | (1u << (n % 8)));
}

Interpreter::Interpreter(const Archives& archives, ScriptState& banks, Variables& variables,
                         EngineFlags& flags, MessageOutput& output, DefinitionText& definitions,
                         Stage& stage, InterpreterHost& host, ScreenCommands& screens, Trace& trace)
    : archives_(archives),
      banks_(banks),
      variables_(variables),
      flags_(flags),
      output_(output),
      definitions_(definitions),
      host_(host),
      screens_(screens),
      trace_(trace),
      commands_{*this, variables, banks, flags, host, screens, stage, trace} {}

// ---- Loading ----------------------------------------------------------------------------------

bool Interpreter::LoadScript(std::string_view name, int mode) {
  const std::string upperName = UpperCaseName(name);
  output_.EmptyInsertText();
  if (mode == kDefinitionMode) {
    if (!definitions_.Load(archives_, upperName)) return false;
  } else if (mode == kScriptMode) {
    std::optional<std::vector<uint8_t>> image = ReadScriptEntry(archives_, upperName);
    if (!image || image->size() >= kNoLine) return false;
    LoadScriptImage(std::move(*image));
    state_.LoadedScriptName = ScriptName(name);
  } else {
    return false;
  }
  screens_.ScriptLoaded(upperName);
  return true;
}

void Interpreter::LoadScriptImage(std::vector<uint8_t> image) {
  scriptImage_ = std::move(image);
  state_.ReadPos = 0;
  state_.NeedLine = true;
  state_.ScriptRunning = true;
  banks_.S(sv::kResumePoint) = 0;  // every script load forgets the `backto` position
}

// ---- Stepping ---------------------------------------------------------------------------------

void Interpreter::RunScript() {
  stepWork_ = 0;
  for (size_t lines = 0; lines < stepLineLimit_ && stepWork_ < stepWorkLimit_; ++lines) {
    if (!state_.NeedLine) {
      PrintText();
      return;
    }
    state_.NameLine = false;
    state_.LineStart = state_.ReadPos;
    state_.LinePos = 0;
    if (state_.ReadPos >= ScriptSize()) {
      ReturnFromCall();
      return;
    }
    ReadLine();
    if (!ExamineLine()) return;
  }
}

void Interpreter::ReadLine() {
  const uint8_t* image = scriptImage_.data();
  const uint32_t start = state_.ReadPos;
  const uint32_t size = ScriptSize();
  const void* zero = std::memchr(image + start, 0, size - start);
  // A last line without its zero byte runs to the end of the script.
  const uint32_t end =
      zero != nullptr ? static_cast<uint32_t>(static_cast<const uint8_t*>(zero) - image) : size;
  lineBuffer_.assign(reinterpret_cast<const char*>(image + start), end - start);
  stepWork_ += end - start + 1;
  state_.ReadPos = zero != nullptr ? end + 1 : size;
}

bool Interpreter::ExamineLine() {
  for (;;) {
    const int result = ActOnLine();
    if (result != kReexamine) return result == kReadOn;
  }
}

int Interpreter::ActOnLine() {
  if (trace_.Enabled()) trace_.WriteGameText(lineBuffer_);
  const std::string_view line = lineBuffer_;
  const char first = line.empty() ? '\0' : line.front();
  switch (first) {
    case '\0':
      output_.NextRow();
      return kReadOn;
    case '!':
      variables_.ExecuteAssignments(line.substr(1));
      return kReadOn;
    case ':':
    case ';':
    case '}':
      return kReadOn;
    case '{':
      SkipBlock();
      return kReadOn;
    case '=':
      PageMark(PageWaitKind::PageKept);
      return kYield;
    case '\\':
      PageMark(PageWaitKind::PageEnd);
      return kYield;
    case '~':
      PageMark(PageWaitKind::VoiceKept);
      return kYield;
    case '+':
      PageMark(PageWaitKind::NoIcon);
      return kYield;
    case '>':
      state_.NameLine = true;
      output_.PrintSpeakerName(line);
      state_.NeedLine = true;
      return kYield;
    case '*':
    case '@': {
      const int index = MatchCommand(line);
      if (index < 0) {
        ReportUnknownCommand();
        return kReadOn;
      }
      return DispatchCommand(commands_, static_cast<size_t>(index), lineBuffer_);
    }
    default:
      state_.NeedLine = false;
      PrintText();
      return kYield;
  }
}

// The engine passes over a command it does not know; an author wants to hear of the misspelling.
void Interpreter::ReportUnknownCommand() const {
  if (!trace_.Enabled()) return;
  const std::string_view image = Image().substr(0, std::min(state_.LineStart, ScriptSize()));
  const auto line = 1 + std::count(image.begin(), image.end(), '\0');
  trace_.Write("unknown command in " + ShiftJisToUtf8Lossy(state_.LoadedScriptName) + ", line " +
               std::to_string(line));
}

// Walking into a block skips it; blocks are entered only by jumping inside.
void Interpreter::SkipBlock() {
  const std::string_view line = lineBuffer_;
  if (line.size() > 1 && line[1] == ':') {
    std::string_view name = line.substr(2);
    name = name.substr(0, name.find('('));
    state_.ReadPos = SkipToNamedEnd(state_.ReadPos, name);
  } else {
    state_.ReadPos = SkipToLine(state_.ReadPos, '}');
  }
}

// The page is not cleared here: the click that releases the wait starts the new one. Only a
// plain page end is kept for the look-back.
void Interpreter::PageMark(PageWaitKind pageWait) {
  output_.PageMarkLine(pageWait);
  if (pageWait == PageWaitKind::PageEnd) host_.RecordPage();
  state_.NeedLine = true;
}

// A text line is printed over as many steps as its characters and waits take.
void Interpreter::PrintText() {
  output_.PrintLine(lineBuffer_, state_.LinePos, state_.NeedLine, state_.NameLine);
}

// ---- Labels and blocks ------------------------------------------------------------------------

int32_t FindLabelIn(std::string_view image, std::string_view label, uint64_t& work) {
  if (label.empty()) return -1;
  // A ':' anywhere counts, so a text line ending in ":name" is as good as a label line.
  const auto colon = Scan(image, 0, ':', label.size(), work,
                          [&](size_t q) { return NameAt(image, q + 1, label, true); });
  if (!colon) return -1;
  return static_cast<int32_t>(std::min(*colon + 1 + label.size() + 1, image.size()));
}

uint32_t SkipToLineIn(std::string_view image, uint32_t from, char first, uint64_t& work) {
  const auto line =
      Scan(image, from, first, 1, work, [&](size_t q) { return q == 0 || image[q - 1] == 0; });
  return line ? static_cast<uint32_t>(*line) : kNoLine;
}

uint32_t SkipToNamedEndIn(std::string_view image, uint32_t from, std::string_view name,
                          uint64_t& work) {
  const auto end = Scan(image, from, '}', name.size(), work, [&](size_t q) {
    return q + 1 < image.size() && image[q + 1] == ':' && NameAt(image, q + 2, name, true);
  });
  return end ? static_cast<uint32_t>(*end) : kNoLine;
}

int32_t Interpreter::FindLabel(std::string_view label) const {
  return FindLabelIn(Image(), label, stepWork_);
}

bool Interpreter::JumpToLabel(std::string_view label) {
  const int32_t position = FindLabel(label);
  if (position < 0) return false;
  state_.ReadPos = static_cast<uint32_t>(position);
  state_.NeedLine = true;
  return true;
}

uint32_t Interpreter::SkipToLine(uint32_t from, char first) const {
  return SkipToLineIn(Image(), from, first, stepWork_);
}

uint32_t Interpreter::SkipToNamedEnd(uint32_t from, std::string_view name) const {
  return SkipToNamedEndIn(Image(), from, name, stepWork_);
}

uint32_t Interpreter::FindNamedStart(uint32_t from, std::string_view name) const {
  const std::string_view image = Image();
  const auto start = Scan(image, from, '{', name.size(), stepWork_, [&](size_t q) {
    return q + 1 < image.size() && image[q + 1] == ':' && NameAt(image, q + 2, name, false);
  });
  return start ? static_cast<uint32_t>(*start) : kNoNamedStart;
}

uint32_t Interpreter::FindByte(uint32_t from, uint8_t byte) const {
  const uint32_t size = ScriptSize();
  if (from >= size) return from;
  const void* hit = std::memchr(scriptImage_.data() + from + 1, byte, size - from - 1);
  return hit != nullptr
             ? static_cast<uint32_t>(static_cast<const uint8_t*>(hit) - scriptImage_.data())
             : from;
}

// ---- Transfers --------------------------------------------------------------------------------

void Interpreter::Chain(std::string_view script, std::string_view label) {
  state_.calls.CallDepth = 0;
  state_.CurrentScript = ScriptName(script);
  host_.ResetWaits();
  LoadScript(script, kScriptMode);
  JumpToLabel(label);
}

// The stack has room for nine callers; a tenth call is refused as if its script were missing.
void Interpreter::Call(std::string_view script, std::string_view label) {
  CallStack& calls = state_.calls;
  if (calls.CallDepth >= 0 && calls.CallDepth < static_cast<int>(kCallStackEntries)) {
    calls.CallPositions[calls.CallDepth] = static_cast<int32_t>(state_.ReadPos);
    calls.CallNames[calls.CallDepth] = state_.CurrentScript;
    if (LoadScript(script, kScriptMode)) {
      state_.CurrentScript = ScriptName(script);
      host_.ResetWaits();
      ++calls.CallDepth;
    }
  }
  JumpToLabel(label);
}

bool Interpreter::ReturnFromCall() {
  CallStack& calls = state_.calls;
  if (calls.CallDepth <= 0) return false;
  calls.CallDepth = std::min(calls.CallDepth, static_cast<int>(kCallStackEntries)) - 1;
  const std::string& caller = calls.CallNames[calls.CallDepth];
  LoadScript(caller, kScriptMode);
  state_.CurrentScript = caller;
  // Restored even when the caller could not be loaded again.
  state_.ReadPos = static_cast<uint32_t>(calls.CallPositions[calls.CallDepth]);
  state_.NeedLine = true;
  return true;
}

void Interpreter::ReturnFromReplay() {
  if (flags_.ReplayActive) screens_.ReturnFromReplay();
}

// Each case starts after a one-character '{' line; one '}' line closes the construct. The
// search stops where the '{' lines run out, so a large selector costs no more than the cases.
void Interpreter::CaseJump(int32_t selector) {
  state_.NeedLine = true;
  if (selector < 0) return;
  // With no closing line, reading on ends the script.
  const uint32_t close = SkipToLine(state_.ReadPos, '}');
  const uint64_t end = close == kNoLine ? ScriptSize() : uint64_t{close} + 2;
  uint64_t position = state_.ReadPos;
  for (int32_t i = 0;; ++i) {
    const uint32_t open = SkipToLine(static_cast<uint32_t>(position), '{');
    position = uint64_t{open} + 2;
    if (open == kNoLine || position > end) {
      state_.ReadPos = static_cast<uint32_t>(end);
      return;
    }
    if (i == selector) {
      state_.ReadPos = static_cast<uint32_t>(position);
      return;
    }
  }
}

}  // namespace tolven
