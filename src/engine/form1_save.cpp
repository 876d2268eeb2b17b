// Saved games: slots written from the running engine and the engine rebuilt from a slot.
#include <memory>
#include <string>
#include <system_error>

#include "engine/form1.h"
#include "save/choice_saves.h"
#include "save/save_slot.h"

namespace tolven {
namespace {

constexpr int kLastSoundedSlot = 20;  // loading slots 1-20 plays the load sound
constexpr const char* kLoadSound = "SSE06";
constexpr int kLoadTransition = 7;

}  // namespace

SlotSubsystems TForm1::SlotParts() {
  return {state_,        flags_,   interpreter_, output_,
          stage_,        backlog_, sound_,       screens_.RecollectionMode().RecordScript(),
          reservedBlock_};
}

void TForm1::SaveSlot(int slot) {
  if (slot < kFirstSlot || slot > kLastSlot) return;
  flags_.Busy = true;
  auto record = std::make_unique<SlotRecord>();
  record->description = SlotDescription(host_.LocalTime(), variables_.StringRow(sr::kChapterTitle),
                                        flags_.EngineState == EngineScreen::Shop);
  CaptureSlot(SlotParts(), *record);
  ScaleThumbnail(stage_.Buffers().SceneBuffer, record->thumbnail);
  if (!tolven::SaveSlot(saveFolder_, slot, *record)) trace_.Write("save: slot not written");
  flags_.Busy = false;
}

void TForm1::AutoChoiceSave() {
  if (state_.S(sv::kChoiceSavesOff) != 0) return;
  RotateChoiceSaves(saveFolder_);
  SaveSlot(kFirstChoiceSlot);
}

// The slot is read before anything of the running game is let go: a slot that is missing,
// unreadable or cut short leaves the game on screen as it was. The other steps run in the
// order that keeps every merge additive: the player's progress is flushed before the slot's
// older copy replaces it, and merged back once the slot is in.
void TForm1::LoadSlot(int slot) {
  const std::unique_ptr<SlotRecord> record = tolven::LoadSlot(saveFolder_, slot);
  if (!record) {
    std::error_code error;
    if (slot >= kFirstSlot && slot <= kLastSlot &&
        std::filesystem::exists(SlotPath(saveFolder_, slot), error)) {
      trace_.Write("load: slot " + std::to_string(slot) + " is damaged or unreadable");
    }
    return;
  }
  flags_.WindowShown = false;
  StopSkipAndAuto(true);
  sound_.StopLoopingSound();
  if (flags_.ChoiceMode == ChoiceKind::Select) choices_.CloseSelect();
  flags_.Busy = true;
  interpreter_.State().ScriptRunning = false;
  FlushGlobalProgress();
  music_.SetMusic(0, state_);
  if (slot <= kLastSoundedSlot) PlayVoice(kLoadSound);
  SlotSubsystems parts = SlotParts();
  RestoreSlotBanks(*record, parts);
  state_.S(sv::kAutoSpeed) = 0;
  state_.S(sv::kSkipButton) = 0;
  flags_.SkipState = 0;
  RestoreSlotState(*record, parts);
  RestoreSlotText(*record, parts);
  variables_.RestoreFamilyName(settings_.PlayerName);
  RestoreSlotNames(*record, parts);
  FlushGlobalProgress();
  RestoreMusic();
  ResumeScript(*record);
  flags_.Busy = false;
  UpdateMenuBar();
}

// The slot's track starts again; a slot saved without music leaves it stopped.
void TForm1::RestoreMusic() {
  const int track = state_.S(sv::kPlayingTrack);
  if (track == 0) return;
  state_.S(sv::kPlayingTrack) = 0;
  music_.SetMusic(track, state_);
}

void TForm1::ResumeScript(const SlotRecord& record) {
  glyphs_.SetTextColour(0);
  int32_t& background = state_.S(sv::kFullScreenBackground);
  const int32_t keptBackground = background;
  background = 1;
  stage_.RebuildFromSpecs(kLoadTransition);
  background = keptBackground;
  window_.BuildClickWaitFrames();
  InterpreterState& script = interpreter_.State();
  const std::string name = script.LoadedScriptName;
  if (!interpreter_.LoadScript(name, kScriptMode)) {
    trace_.Write("load: the script \"" + name + "\" is missing");
    script.ScriptRunning = false;
  } else {
    script.NeedLine = record.state.NeedLine != 0;
    script.ScriptRunning = record.state.ScriptRunning != 0;
    script.ReadPos = static_cast<uint32_t>(record.state.resumePos);
  }
  flags_.ReadFlag = interpreter_.Marks().Test(state_.S(sv::kTextReadMark));
  if (!flags_.ReadFlag) flags_.SkipState = 0;
  // The slot keeps the entry that was playing, its level already applied: it plays as it is.
  if (!record.names.loopingEffect.empty()) sound_.PlaySoundByName(record.names.loopingEffect);
}

// The save and load commands.
void TForm1::OpenSlotDialog(bool save) {
  if (!save && flags_.SkipState == 3) stage_.RebuildFromSpecs(0);
  StopSkipAndAuto(false);
  ShowSlotDialog(save ? SaveList::Mode::Save : SaveList::Mode::Load);
}

}  // namespace tolven
