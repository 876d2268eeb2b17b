#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/engine_flags.h"
#include "base/hook.h"
#include "base/input.h"
#include "base/script_state.h"
#include "base/trace.h"
#include "graphics/stage.h"
#include "resources/archives.h"
#include "resources/bitmap24.h"
#include "resources/paint_box.h"
#include "resources/picture_loader.h"
#include "text/glyphs.h"
#include "text/message_output.h"
#include "text/message_window.h"

namespace tolven {

inline constexpr int kHistoryEntries = 20;
inline constexpr int kLogRows = 29;
// Fixed fields of a look-back entry, terminator included.
inline constexpr size_t kHistoryScreenBytes = 128;
inline constexpr size_t kHistoryVoiceBytes = 256;

// One page kept for the look-back. Only the bytes are kept: it is shown in one colour.
struct HistoryEntry {
  std::array<uint8_t, kPageBufferRows * kPageBufferColumns> text{};
  std::string screen;  // background name "," character specification
  int mode = 0;        // S150: window or full-screen text
  std::string voices;  // the page's voices, each followed by a blank
  int fixed = 0;       // S023
};

// Which of the three views owns the screen.
enum class BacklogView { None, Log, History, Picture };

// The text log (the last 1000 backlog lines with replayable voices), the page look-back (the
// last 20 pages shown again with their pictures) and the picture view (the window hidden).
class Backlog {
 public:
  Backlog(Stage& stage, MessageWindow& window, MessageOutput& output, Glyphs& glyphs, PaintBox& pb,
          ScriptState& state, EngineFlags& flags, const Archives& archives, Trace& trace);

  // Calls into the engine around it, connected by the hub.
  HookSet hooks;
  // Set by the engine; an unset hook is skipped.
  Hook<void(std::string_view name)> playSound{hooks, "playSound"};  // a system sound
  Hook<void(std::string_view name)> playVoice{hooks, "playVoice"};
  Hook<void()> updateMenuBar{hooks, "updateMenuBar"};
  Hook<void()> drawQuickButtons{hooks, "drawQuickButtons"};  // after the log closes

  // The page that just ended with a wait for a new page goes into the look-back ring.
  void RecordPage();

  void OpenLog();
  void DrawLog();
  void LogMouseMove(int x, int y);
  void LogMouseDown(MouseButton button, int x, int y);
  // The button was released: a drag of the arrows or the thumb ends.
  void LogMouseUp() { dragMode_ = DragMode::None; }
  void LogWheel(int delta);
  void CloseLog();

  void OpenHistory();
  // +1 toward older pages, -1 toward newer ones; newer than the page before the current one
  // leaves the look-back.
  void StepHistory(int direction);
  void CloseHistory();
  // A ring index; one that holds no recorded page shows nothing.
  void ShowHistoryEntry(int index);

  void HidePicture();
  void RestorePicture();

  // For the state dump and the tests.
  BacklogView OpenView() const;
  int HistoryCount() const { return count_; }
  // 2 is the page before the current one; 0 while the look-back is closed.
  int HistoryPosition() const { return position_; }
  const HistoryEntry& Entry(int index) const { return entries_[Ring(index)]; }
  // The look-back pages as a saved game keeps them: in ring order, page n at n mod 20.
  const std::array<HistoryEntry, kHistoryEntries>& RingEntries() const { return entries_; }
  void RestoreHistory(const std::array<HistoryEntry, kHistoryEntries>& entries, int count) {
    entries_ = entries;
    count_ = std::max(count, 0);
    position_ = 0;
  }
  int LogOffset() const { return offset_; }
  int LogHoverRow() const { return hoverRow_; }
  // The voice a click on the row replays; empty on text rows.
  const std::string& LogRowVoice(int row) const { return rowVoices_[row]; }

 private:
  enum class DragMode { None = 0, UpArrow = 1, DownArrow = 2, Thumb = 3 };

  static int Ring(int page) {
    return ((page % kHistoryEntries) + kHistoryEntries) % kHistoryEntries;
  }
  int LineCount() const { return output_.CompleteBacklogLines(); }
  int MaxOffset() const;
  void ScrollTo(int offset);
  int TrackOffset(int y) const;
  void DrawScrollBar();
  void DrawLogRow(int row, const std::string& line);
  void DrawThumb();
  void FreeLogPictures();
  bool Recorded(int page) const;
  void ShowPage(int page);
  void ShowHistoryScreen(const HistoryEntry& entry);
  void DrawHistoryText(const HistoryEntry& entry);
  void PlayFirstVoice(const HistoryEntry& entry);
  void RebuildCurrentScreen();
  void LockMenu();
  void UnlockMenu();

  Stage& stage_;
  MessageWindow& window_;
  MessageOutput& output_;
  Glyphs& glyphs_;
  PaintBox& pb_;
  ScriptState& state_;
  EngineFlags& flags_;
  Trace& trace_;
  PictureLoader loader_;

  std::array<HistoryEntry, kHistoryEntries> entries_;
  int count_ = 0;
  int position_ = 0;
  int modeBeforeHistory_ = 0;

  int offset_ = 0;
  int hoverRow_ = 0;
  DragMode dragMode_ = DragMode::None;
  std::array<std::string, kLogRows> rowVoices_;
  Bitmap24 bar_;
  Bitmap24 thumb_;
  Bitmap24 voiceIcon_;
  Bitmap24 backdrop_;

  Bitmap24 keptStage_;
  bool menuLockedBefore_ = false;
};

}  // namespace tolven
