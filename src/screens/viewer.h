#pragma once

#include <array>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "audio/music_stream.h"
#include "audio/sound.h"
#include "base/engine_flags.h"
#include "base/hook.h"
#include "base/host.h"
#include "base/script_state.h"
#include "graphics/gallery_list.h"
#include "graphics/stage.h"
#include "resources/archives.h"
#include "resources/bitmap24.h"
#include "resources/definition_text.h"
#include "resources/paint_box.h"
#include "save/global_progress.h"
#include "screens/replay_return.h"
#include "screens/screen.h"
#include "screens/viewer_definition.h"
#include "script/interpreter.h"
#include "script/interpreter_host.h"

namespace tolven {

// What the viewer acts on.
struct ViewerParts {
  PaintBox& pb;
  Stage& stage;  // the buffers it borrows while it runs, and picture loading
  const Archives& archives;
  DefinitionText& definitions;  // the text "view"
  Interpreter& interpreter;     // the replayed scenes run in it
  InterpreterHost& engine;      // waits cleared, the menu bar refreshed
  EngineFlags& flags;
  ScriptState& state;  // S000, the E flags and the values a replay's end clears
  Sound& sound;
  MusicStream& music;
  GlobalProgress& progress;        // the gallery flags
  const GalleryList& galleryList;  // the pictures' flag numbers, read at start-up
  ReplayReturn& replay;
};

// Element numbers of the pointer's targets; thumbnails are 1-30.
inline constexpr int kViewNext = 31;
inline constexpr int kViewPrev = 32;
inline constexpr int kViewExit = 33;
inline constexpr int kViewPageJump = 40;  // + the area's digit
inline constexpr int kViewJump = 50;      // + the area's digit
inline constexpr int kViewElements = 70;

// The picture and scene viewer (state 6): pages of thumbnails over a background, laid out by
// the definition text "view". A view is a gallery (type 0), a scene list (1), a music list (2)
// or a music player (3).
class Viewer final : public Screen {
 public:
  explicit Viewer(const ViewerParts& parts);

  // The `viewer` command: skipping and auto-advance end before the view opens.
  void ViewerCommand(std::string_view name);
  // Also the view-jump areas, which leave skipping alone.
  void OpenView(std::string_view name);
  // Ends a scene replay: the story's place comes back and the page shows again.
  void ReturnFromReplay();

  void FrameStep() override { ViewFrame(); }
  void PointerMove(int x, int y) override { ViewHover(x, y); }
  void Press(MouseButton button, int x, int y) override { ViewClick(button, x, y); }
  bool WaitsForInput() const override { return true; }

  void ViewFrame();
  void ViewHover(int x, int y);
  void ViewClick(MouseButton button, int x, int y);
  int ViewHitTest(int x, int y) const;

  // For tests and the dump.
  bool Open() const { return open_; }
  int CurrentPage() const { return page_; }
  int Pointed() const { return pointed_; }
  bool PictureMode() const { return pictureMode_; }
  int Highlight(int element) const { return counters_[static_cast<size_t>(element)]; }
  int Status(int thumbnail) const;
  // Null when no view is open.
  nlohmann::ordered_json DumpObject() const;

  HookSet hooks;
  // Shows or hides the menu entries "シーンスキップ" and "回想モード終了".
  Hook<void(bool skipScene, bool endReplay)> showReplayMenu{hooks, "showReplayMenu"};

 private:
  void DrawViewPage();
  void ShowNextPicture();
  void StartSceneReplay(int thumbnail);
  void PlayTrack(int track);
  void LeaveView();
  // The element's rectangle; empty for none.
  ViewRect ElementRect(int element) const;
  // Loads a page picture into a buffer that keeps the screen's size.
  void LoadInto(const std::string& name, Bitmap24& buffer);
  void ShowStage();
  ViewPage& Page() { return pages_[static_cast<size_t>(page_)]; }
  const ViewPage& Page() const { return pages_[static_cast<size_t>(page_)]; }

  ViewerParts parts_;
  std::string name_;
  bool open_ = false;
  ViewLayout layout_;
  std::array<ViewRect, kViewJumps> viewJumps_{};
  std::array<ViewPage, kViewPages> pages_;
  Bitmap24 plate_;
  Bitmap24 picture_;  // a page picture on its way into a buffer

  int page_ = 0;
  int pointed_ = 0;
  std::array<int, kViewElements> counters_{};
  uint32_t frames_ = 0;
  bool pictureMode_ = false;
  int pictureIndex_ = 0;
  bool loading_ = false;
  int playing_ = 0;
  int lastTrack_ = 1;
};

}  // namespace tolven
