#include "engine/slot_transfer.h"

#include <algorithm>

#include "base/engine_values.h"

namespace tolven {
namespace {

constexpr int kSavedSystemValues = 200;  // S000-S199

// A look-back page between the engine's ring and the slot's, which hold the same fields.
template <class To, class From>
To CopyPage(const From& from) {
  To to;
  to.text = from.text;
  to.fixed = from.fixed;
  to.screen = from.screen;
  to.voices = from.voices;
  to.mode = from.mode;
  return to;
}

void CaptureState(const SlotSubsystems& from, SlotState& s) {
  const InterpreterState& script = from.interpreter.State();
  const EngineFlags& flags = from.flags;
  const MessageOutput& output = from.output;
  s.CallDepth = script.calls.CallDepth;
  s.CallPositions = script.calls.CallPositions;
  s.windowOpen = flags.WindowShown ? 1 : 0;
  s.WaitTicks = flags.WaitTicks;
  s.CharDelay = flags.CharDelay;
  s.PageWait = static_cast<int32_t>(flags.PageWait);
  s.EngineState = SlotEngineState(flags.EngineState);
  s.lastPictureGrb = from.stage.GrbMark() ? 1 : 0;
  s.TextColumn = output.TextColumn();
  s.TextRow = output.TextRow();
  s.TextSize = output.TextSize();
  s.TextColour = output.TextColour();
  s.backlogLineCount = std::min(output.CompleteBacklogLines(), kSavedBacklogLines);
  s.backlogWritePos = static_cast<int32_t>(output.BacklogWritePosition());
  s.ScriptRunning = script.ScriptRunning ? 1 : 0;
  s.NeedLine = script.NeedLine ? 1 : 0;
  s.LineStart = static_cast<int32_t>(script.LineStart);
  s.resumePos =
      static_cast<int32_t>(SlotResumePosition(script.ReadPos, script.LineStart, flags.ChoiceMode,
                                              from.state.S(sv::kResumePoint), flags.EngineState));
  s.ScriptSize = static_cast<int32_t>(from.interpreter.ScriptSize());
  s.LinePos = static_cast<int32_t>(script.LinePos);
  s.textMode = from.state.S(sv::kTextMode);
  s.historyCount = from.backlog.HistoryCount();
  s.messagePageFlag = output.PageEmpty() ? 0 : 1;
}

void CaptureNames(const SlotSubsystems& from, SlotNames& n) {
  const InterpreterState& script = from.interpreter.State();
  n.CallNames = script.calls.CallNames;
  n.CurrentScript = script.CurrentScript;
  n.LoadedScriptName = script.LoadedScriptName;
  n.background = from.stage.BackgroundName();
  n.characters = from.stage.CharacterSpecification();
  n.loopingEffect = from.sound.LoopingEffectName();
  n.lastVoice = from.output.LastVoice();
  n.layerSpecs = from.stage.PositionNames();
  n.recordScript = from.recordScript;
}

// A wait the engine does not know would hold the story for good; it reads as none.
PageWaitKind KnownPageWait(int32_t value) {
  switch (value) {
    case 1:
    case 2:
    case 4:
    case 5:
      return static_cast<PageWaitKind>(value);
    default:
      return PageWaitKind::None;
  }
}

}  // namespace

void CaptureSlot(const SlotSubsystems& from, SlotRecord& record) {
  const ScriptState& state = from.state;
  record.F = state.F;
  record.reserved = from.reserved;
  std::copy_n(state.integers.begin() + kVBase, kVCount, record.V.begin());
  std::copy_n(state.integers.begin() + kSBase, kSavedSystemValues, record.S.begin());
  const std::vector<uint8_t>& marks = from.interpreter.Marks().Bytes();
  record.readMarks.fill(0);
  std::copy_n(marks.begin(), std::min(marks.size(), record.readMarks.size()),
              record.readMarks.begin());
  record.T = state.T;
  CaptureState(from, record.state);
  from.output.CopyBacklogText(record.backlogText);
  record.LineBuffer = from.interpreter.LineBuffer();
  CaptureNames(from, record.names);
  record.strings = state.strings;
  record.pageText = from.output.PageBytes();
  record.pageAttributes = from.output.PageColours();
  const auto& entries = from.backlog.RingEntries();
  for (size_t i = 0; i < entries.size(); ++i)
    record.history[i] = CopyPage<SlotHistoryPage>(entries[i]);
}

void RestoreSlotBanks(const SlotRecord& record, SlotSubsystems& to) {
  ScriptState& state = to.state;
  state.F = record.F;
  to.reserved = record.reserved;
  std::copy(record.V.begin(), record.V.end(), state.integers.begin() + kVBase);
  std::copy(record.S.begin(), record.S.end(), state.integers.begin() + kSBase);
  to.interpreter.Marks().Assign(record.readMarks);
  state.T = record.T;
}

void RestoreSlotState(const SlotRecord& record, SlotSubsystems& to) {
  const SlotState& s = record.state;
  InterpreterState& script = to.interpreter.State();
  EngineFlags& flags = to.flags;
  script.calls.CallDepth = s.CallDepth;
  script.calls.CallPositions = s.CallPositions;
  flags.WindowShown = s.windowOpen != 0;
  flags.WaitTicks = std::max(s.WaitTicks, 0);
  flags.CharDelay = std::max(s.CharDelay, 0);
  flags.PageWait = KnownPageWait(s.PageWait);
  // A load resumes the story; the other screens keep state no slot holds. A roll's slot is the
  // exception: its lines after the roll command run on as the older roll language.
  flags.EngineState = s.EngineState == static_cast<int32_t>(EngineScreen::Roll)
                          ? EngineScreen::Roll
                          : EngineScreen::Story;
  to.stage.SetGrbMark(s.lastPictureGrb != 0);
  to.output.RestoreCursor(std::clamp(s.TextColumn, 0, kPageBufferColumns),
                          std::clamp(s.TextRow, 0, kPageBufferRows), std::clamp(s.TextSize, 0, 1),
                          s.TextColour);
  script.LineStart = static_cast<uint32_t>(s.LineStart);
  script.LinePos = static_cast<size_t>(std::max(s.LinePos, 0));
  to.state.S(sv::kTextMode) = s.textMode;
  flags.ChoiceMode = ChoiceKind::None;
}

void RestoreSlotText(const SlotRecord& record, SlotSubsystems& to) {
  const SlotState& s = record.state;
  to.output.RestoreBacklogText(record.backlogText, s.backlogLineCount,
                               static_cast<size_t>(std::max(s.backlogWritePos, 0)));
  to.interpreter.RestoreLineBuffer(record.LineBuffer);
  to.state.strings = record.strings;
  to.output.RestorePage(record.pageText, record.pageAttributes, s.messagePageFlag == 0);
  std::array<HistoryEntry, kHistoryEntries> entries;
  for (size_t i = 0; i < entries.size(); ++i)
    entries[i] = CopyPage<HistoryEntry>(record.history[i]);
  to.backlog.RestoreHistory(entries, s.historyCount);
}

void RestoreSlotNames(const SlotRecord& record, SlotSubsystems& to) {
  const SlotNames& n = record.names;
  InterpreterState& script = to.interpreter.State();
  script.calls.CallNames = n.CallNames;
  script.CurrentScript = n.CurrentScript;
  script.LoadedScriptName = n.LoadedScriptName;
  to.stage.RestoreSpecs(n.background, n.characters, n.layerSpecs);
  to.output.RestoreLastVoice(n.lastVoice);
  to.recordScript = n.recordScript;
}

}  // namespace tolven
