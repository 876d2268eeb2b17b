#include "engine/state_dump.h"

#include <nlohmann/json.hpp>

#include "base/file_writer.h"
#include "base/text_encoding.h"
#include "engine/form1.h"

namespace tolven {
namespace {

using nlohmann::ordered_json;

// Non-zero entries only, keyed by index: a dump of 3010 zeros would hide what matters.
ordered_json IntegerBank(const ScriptState& state, int base, int count) {
  ordered_json bank = ordered_json::object();
  for (int i = 0; i < count; ++i) {
    if (state.integers[base + i] != 0) bank[std::to_string(i)] = state.integers[base + i];
  }
  return bank;
}

template <size_t N>
ordered_json BitBank(const std::array<uint8_t, N>& bytes) {
  ordered_json bits = ordered_json::array();
  for (size_t i = 0; i < N * 8; ++i) {
    if (bytes[i / 8] & (1u << (i % 8))) bits.push_back(i);
  }
  return bits;
}

std::string Utf8(std::string_view shiftJis) {
  return ShiftJisToUtf8Lossy(shiftJis);
}

ordered_json Waits(const TForm1& form) {
  const EngineFlags& flags = form.Flags();
  return {{"page_wait", static_cast<int>(flags.PageWait)},
          {"wait_ticks", flags.WaitTicks},
          {"choice_mode", static_cast<int>(flags.ChoiceMode)},
          {"voice_wait", flags.VoiceWait},
          {"sleep_counter", flags.SleepCounter},
          {"skip_state", flags.SkipState},
          {"busy", flags.Busy},
          {"timer_ticks", flags.TimerTicks}};
}

// The script's objects: the allocated slots with their picture size, and the board.
ordered_json ObjectsObject(const TForm1& form) {
  const ObjectsAndEffects& objects = form.ScreenModes().Objects();
  ordered_json slots = ordered_json::array();
  for (int n = 0; n < kObjectSlots; ++n) {
    if (const auto size = objects.Slot(n)) {
      slots.push_back({{"slot", n}, {"width", size->width}, {"height", size->height}});
    }
  }
  return {{"slots", slots}, {"board", objects.BoardExists()}};
}

ordered_json Strings(const ScriptState& state) {
  ordered_json rows = ordered_json::array();
  for (int row = 0; row < sr::kScriptRows; ++row) {
    const char* start = reinterpret_cast<const char*>(state.strings.data()) + row * kStringRowBytes;
    const size_t room = state.strings.size() - static_cast<size_t>(row) * kStringRowBytes;
    rows.push_back(Utf8(std::string_view(start, strnlen(start, room))));
  }
  return rows;
}

// The page rows as shown: empty cells (the indent, the gaps) as blanks, trailing ones dropped.
ordered_json Page(const MessageOutput& output) {
  ordered_json rows = ordered_json::array();
  for (int row = 0; row < kPageBufferRows; ++row) {
    std::string text;
    for (int column = 0; column < kPageBufferColumns; ++column) {
      const uint8_t byte = output.PageBytes()[row * kPageBufferColumns + column];
      text += byte == 0 ? ' ' : static_cast<char>(byte);
    }
    text.erase(text.find_last_not_of(' ') + 1);
    rows.push_back(Utf8(text));
  }
  ordered_json backlog = ordered_json::array();
  for (int line = 0; line < output.BacklogLineCount(); ++line) {
    backlog.push_back(Utf8(output.BacklogLine(line)));
  }
  return {{"page", rows},
          {"cursor", {output.TextColumn(), output.TextRow()}},
          {"backlog", backlog},
          {"auto_wait", output.AutoWait()}};
}

ordered_json StageObject(const TForm1& form) {
  const Stage& stage = form.GameStage();
  ordered_json characters = ordered_json::array();
  for (int i = 0; i < std::min(stage.ShownCount(), kCharacterPositions); ++i) {
    characters.push_back(Utf8(stage.PositionNames()[i]));
  }
  return {{"background", Utf8(stage.BackgroundName())},
          {"characters", characters},
          {"specification", Utf8(stage.CharacterSpecification())},
          {"window", form.Flags().WindowShown},
          {"display", static_cast<int>(form.Window().DisplayState())}};
}

ordered_json ChoiceObject(const TForm1& form) {
  const Choices& choices = form.ChoiceScreen();
  ordered_json entries = ordered_json::array();
  if (form.Flags().ChoiceMode != ChoiceKind::None) {
    for (const ChoiceEntry& entry : choices.Entries()) entries.push_back(Utf8(entry.text));
  }
  return {{"mode", static_cast<int>(form.Flags().ChoiceMode)},
          {"entries", entries},
          {"highlight", choices.Highlight()}};
}

ordered_json SoundObject(const TForm1& form) {
  const Sound& sound = form.SoundOutput();
  ordered_json slots = ordered_json::array();
  for (int slot = 0; slot < kSoundSlots; ++slot) {
    const Mixer::SlotInfo info = sound.Slots().Info(slot);
    if (!info.filled) continue;
    slots.push_back({{"slot", slot},
                     {"name", Utf8(std::string(sound.SlotName(slot)))},
                     {"playing", info.playing},
                     {"looping", info.looping},
                     {"position", info.position}});
  }
  const MusicStream& music = form.MusicOutput();
  return {{"available", sound.Available()},
          {"slots", slots},
          {"looping_effect", Utf8(sound.LoopingEffectName())},
          {"music",
           {{"requested", form.State().S(sv::kRequestedTrack)},
            {"playing", form.State().S(sv::kPlayingTrack)},
            {"streaming", music.CurrentMode() != MusicStream::Mode::Idle},
            {"fading", music.Fading()},
            {"volume", music.CurrentVolume()}}},
          {"movie", form.MovieShowing()}};
}

ordered_json SettingsObject(const Settings& settings) {
  ordered_json object = ordered_json::object();
  for (const auto& [name, value] : SettingsEntries(settings)) object[name] = value;
  return object;
}

constexpr int kListedReadMarks = 20;

// The player's progress: the sets by bit, the read marks by count and their first numbers.
ordered_json ProgressObject(const TForm1& form) {
  const GlobalProgress& progress = form.Progress();
  const std::vector<uint8_t>& marks = form.Script().Marks().Bytes();
  int count = 0;
  ordered_json first = ordered_json::array();
  for (int n = 0; n <= kLastReadMark; ++n) {
    if (!(marks[static_cast<size_t>(n) / 8] & (1u << (n % 8)))) continue;
    if (++count <= kListedReadMarks) first.push_back(n);
  }
  return {{"gallery", BitBank(progress.galleryFlags)},
          {"scenes", BitBank(progress.sceneFlags)},
          {"read_marks", {{"count", count}, {"first", first}}},
          {"read_flag", form.Flags().ReadFlag}};
}

// The save folder's slots as the list shows them.
ordered_json SlotListing(const TForm1& form) {
  ordered_json slots = ordered_json::array();
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    const std::optional<SlotHeader> header = ReadSlotHeader(form.SaveFolder(), slot);
    if (!header) continue;
    slots.push_back({{"slot", slot},
                     {"description", Utf8(header->description)},
                     {"comment", Utf8(header->comment)}});
  }
  return slots;
}

// The open dialog with every control's value and state; null when none is open.
ordered_json DialogObject(const TForm1& form) {
  const DialogModel* dialog = form.OpenDialog();
  if (dialog == nullptr) return nullptr;
  ordered_json controls = ordered_json::object();
  for (const Control& control : dialog->Controls()) {
    ordered_json entry = {
        {"value", control.value}, {"enabled", control.enabled}, {"visible", control.visible}};
    if (!control.caption.empty()) entry["caption"] = control.caption;
    if (!control.items.empty()) entry["items"] = control.items;
    if (!control.rows.empty()) entry["rows"] = control.rows;
    controls[control.name] = entry;
  }
  return {{"name", std::string(dialog->Name())},
          {"caption", dialog->Caption()},
          {"controls", controls}};
}

// The full-screen mode that owns input, with what it shows of itself; null in the story.
ordered_json ScreenObject(const TForm1& form) {
  const Screen* screen = form.CurrentScreen();
  if (screen == nullptr) return nullptr;
  ordered_json object = {{"waits_for_input", screen->WaitsForInput()}};
  screen->AddToDump(object);
  return object;
}

}  // namespace

std::string StateDumpJson(const TForm1& form) {
  const ScriptState& state = form.State();
  const InterpreterState& script = form.Script().State();
  ordered_json dump = {{"engine_state", static_cast<int>(form.Flags().EngineState)},
                       {"script", Utf8(script.CurrentScript)},
                       {"read_pos", script.ReadPos},
                       {"call_depth", script.calls.CallDepth},
                       {"script_running", script.ScriptRunning},
                       {"waits", Waits(form)},
                       {"V", IntegerBank(state, kVBase, kVCount)},
                       {"P", IntegerBank(state, kPBase, kPCount)},
                       {"S", IntegerBank(state, kSBase, kSCount)},
                       {"G", IntegerBank(state, kGBase, kGCount)},
                       {"F", BitBank(state.F)},
                       {"E", BitBank(state.E)},
                       {"T", BitBank(state.T)},
                       {"strings", Strings(state)}};
  dump.update(Page(form.Output()));
  dump["choice"] = ChoiceObject(form);
  const Backlog& backlog = form.BacklogScreens();
  dump["history"] = {{"count", backlog.HistoryCount()}, {"position", backlog.HistoryPosition()}};
  dump["log_offset"] = backlog.LogOffset();
  dump["stage"] = StageObject(form);
  dump["sound"] = SoundObject(form);
  dump["settings"] = SettingsObject(form.CurrentSettings());
  dump["progress"] = ProgressObject(form);
  dump["save_dir"] = form.SaveFolder().string();
  dump["slots"] = SlotListing(form);
  dump["dialog"] = DialogObject(form);
  dump["screen"] = ScreenObject(form);
  dump["objects"] = ObjectsObject(form);
  dump["recollection"] = form.ScreenModes().RecollectionMode().DumpObject();
  dump["replay"] = form.ScreenModes().ReplayRunning();
  dump["viewer"] = form.ScreenModes().PictureViewer().DumpObject();
  dump["shop"] = form.ScreenModes().ItemShopScreen().DumpObject();
  dump["interrupt_request"] = static_cast<int>(form.Flags().InterruptRequest);
  return dump.dump(2) + "\n";
}

bool WriteStateDump(const TForm1& form, const std::filesystem::path& path, std::string& why) {
  return WriteFileAtomically(path, StateDumpJson(form), &why);
}

}  // namespace tolven
