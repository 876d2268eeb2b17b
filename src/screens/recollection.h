#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "audio/music_stream.h"
#include "audio/sound.h"
#include "base/engine_flags.h"
#include "base/hook.h"
#include "base/host.h"
#include "base/script_state.h"
#include "base/trace.h"
#include "dialogs/recollection_slot_dialog.h"
#include "graphics/stage.h"
#include "resources/archives.h"
#include "resources/bitmap24.h"
#include "resources/paint_box.h"
#include "save/global_progress.h"
#include "screens/recollection_list.h"
#include "screens/recollection_slots.h"
#include "screens/replay_return.h"
#include "screens/screen.h"
#include "screens/screen_text.h"
#include "script/interpreter.h"
#include "script/interpreter_host.h"

namespace tolven {

// What recollection mode acts on.
struct RecollectionParts {
  Host& host;  // the slot naming dialog
  PaintBox& pb;
  Stage& stage;  // StageBuffer and picture loading
  const Archives& archives;
  Interpreter& interpreter;  // the replayed scenes run in it
  InterpreterHost& engine;   // waits cleared before a scene
  EngineFlags& flags;
  ScriptState& state;  // F, V and the auto-navigation values of `rec`, auto-advance
  Sound& sound;
  MusicStream& music;
  GlobalProgress& progress;  // the scene flags, the record slots and their titles
  ReplayReturn& replay;
};

// Recollection mode (state 8): the scenes the player has seen, page by page under five tabs,
// and ten record slots of playlists kept in kaiso.dat. A scene plays as its own script, "k_"
// and its key, with the replay flag on; the menu's scene skip goes on to the next queued scene
// and after the last one back to this screen. Also `rec`, which starts the choice record.
class Recollection final : public Screen {
 public:
  explicit Recollection(const RecollectionParts& parts);

  // At start-up: the scene table from "sys_flashbak", read once. Without the text there are
  // no scenes.
  void LoadSceneTable();
  void Kaisou();
  void Rec();
  // The menu's "シーンスキップ" during a replay.
  void SkipScene();
  // The end of a replay this screen started (the scene's `end` or `exit`, the menu's
  // "回想モード終了"): back to the screen, however much of the queue was left.
  void ReturnToScreen();
  // Every script loaded, by its upper-cased name.
  void MarkSceneSeen(const std::string& upperName);

  void PointerMove(int x, int y) override;
  void Press(MouseButton button, int x, int y) override;
  bool WaitsForInput() const override { return true; }

  // The right-button menu over a scene: "登録" adds it to the current slot, "確認" plays it.
  bool PopupMenu2Open() const { return popupOpen_; }
  void PU_Post1Click();
  void PU_Post2Click();
  // A press beside the open pop-up closes it and does nothing else.
  void ClosePopupMenu2();

  // The script that was running when `rec` started the record; a save keeps it.
  // The script that was running when `rec` started; a saved game keeps it.
  std::string& RecordScript() { return recordScript_; }
  const std::string& RecordScript() const { return recordScript_; }
  const SceneTable& Scenes() const { return table_; }
  nlohmann::ordered_json DumpObject() const;

  HookSet hooks;
  // Shows or hides the menu entries "シーンスキップ" and "回想モード終了".
  Hook<void(bool skipScene, bool endReplay)> showReplayMenu{hooks, "showReplayMenu"};
  // A slot or its title changed: kaiso.dat is written again.
  Hook<void()> slotsChanged{hooks, "slotsChanged"};
  // Shows the slot's naming dialog modally, as the engine shows its dialogs (event files and the
  // state dump reach it there).
  Hook<void(DialogModel& dialog)> showModal{hooks, "showModal"};
  // Opens PopupMenu2 at a point of the picture or closes it (open false): the window draws it.
  Hook<void(bool open, int x, int y)> showPopupMenu2{hooks, "showPopupMenu2"};

 private:
  void SetPopupMenu2(bool open, int cell = 0);
  void DrawTabs();
  void DrawSceneList();
  void DrawSlotPanel();
  // The slot panel into StageBuffer, StageBuffer onto the screen.
  void PresentStage();
  void ShowStage();
  void ShowPanel();
  void DrawCellText(Bitmap24& target, int cell, TextRgb colour, bool shadow);
  // target's top-left corner stands at (originX, originY) of the screen.
  void DrawEntryText(Bitmap24& target, int originX, int originY, int row, TextRgb colour,
                     bool shadow);
  std::string EntryText(int entry) const;
  void CommandButton(int button);
  void AddSelectedScene();
  void PlaySelectedScene();
  void StartSceneReplay(int scene);
  RecordSlot& CurrentSlot();
  const RecordSlot& CurrentSlotConst() const;
  ScreenText& ListFont(bool bold);
  ScreenText& PanelFont();

  RecollectionParts parts_;
  SceneTable table_;
  RecollectionSlotDialog dialog_;

  Bitmap24 background_;  // ss_kaiso
  Bitmap24 buttons_;     // ss_btn
  Bitmap24 tabLooks_;    // ss_tab
  Bitmap24 panel_;

  int tab_ = 0;
  std::array<int, kRecollectionTabs> subPages_{};
  PageLayout page_;
  int selectedCell_ = 0;
  int pointed_ = 0;
  int currentSlot_ = 0;
  int selectedEntry_ = 0;
  bool popupOpen_ = false;
  PlayQueue queue_{};
  int queuePosition_ = 0;
  std::string recordScript_;

  std::optional<ScreenText> listFont_;
  std::optional<ScreenText> headingFont_;
  std::optional<ScreenText> panelFont_;
};

}  // namespace tolven
