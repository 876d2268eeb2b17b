#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "audio/sound.h"
#include "base/engine_flags.h"
#include "base/script_state.h"
#include "graphics/stage.h"
#include "save/save_slot.h"
#include "script/interpreter.h"
#include "text/backlog.h"
#include "text/message_output.h"

namespace tolven {

inline constexpr size_t kReservedBlockBytes = 1024;

// The subsystems whose state a saved game holds. The hub lends them for one save or load.
struct SlotSubsystems {
  ScriptState& state;
  EngineFlags& flags;
  Interpreter& interpreter;
  MessageOutput& output;
  Stage& stage;
  Backlog& backlog;
  const Sound& sound;
  std::string& recordScript;  // the script `rec` started in
  // Cleared at start-up and carried through saves untouched; no script can reach it.
  std::array<uint8_t, kReservedBlockBytes>& reserved;
};

// Everything but the description, the comment and the thumbnail, which the hub makes.
void CaptureSlot(const SlotSubsystems& from, SlotRecord& record);

// The load, block by block, in the order a load applies them.
// The variable banks, the read marks as the slot had them, and the reserved block.
void RestoreSlotBanks(const SlotRecord& record, SlotSubsystems& to);
// The interpreter state record; the resume position is applied after the script reload.
void RestoreSlotState(const SlotRecord& record, SlotSubsystems& to);
// The backlog text, the line buffer, the string bank, the page and the look-back pages.
void RestoreSlotText(const SlotRecord& record, SlotSubsystems& to);
// The names record: call stack names, script names, the stage's texts, the last voice, the
// record script.
void RestoreSlotNames(const SlotRecord& record, SlotSubsystems& to);

}  // namespace tolven
