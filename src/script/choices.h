#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/engine_flags.h"
#include "base/hook.h"
#include "base/host.h"
#include "base/input.h"
#include "base/script_state.h"
#include "base/trace.h"
#include "graphics/frame_clock.h"
#include "graphics/stage.h"
#include "resources/archives.h"
#include "resources/bitmap24.h"
#include "resources/definition_text.h"
#include "resources/paint_box.h"
#include "text/glyphs.h"
#include "text/message_output.h"

namespace tolven {

class Interpreter;
class Variables;

inline constexpr int kMaxChoiceEntries = 32;
inline constexpr int kSeltreeCount = 5;
inline constexpr int kSeltreeItems = 500;
inline constexpr int kSeltreeRows = 15;

// One answer, map place or tree item on screen.
struct ChoiceEntry {
  std::string text;                    // what is shown; a clickmap name may start with '*' or '@'
  uint32_t position = 0;               // where its branch starts in the script
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // full-screen answers and map places
  int labelX1 = 0, labelX2 = 0, labelTop = 0;  // a map place's label bar
  bool enabled = true;
};

// One line of the "seltree" definition text.
struct SeltreeItem {
  int depth = 0;
  std::string label;
  int tBit = 0;
  std::string script;  // empty: a branch that only opens its children
};

// The choices on screen: answers of `select` in the window or over full-screen text, the
// places of a `clickmap`, and the columns of a `seltree`. While one is open the script waits;
// the pick moves the script to the chosen branch.
class Choices {
 public:
  Choices(Interpreter& interpreter, Variables& variables, Stage& stage, Glyphs& glyphs,
          MessageOutput& output, PaintBox& pb, FrameClock& clock, Host& host, ScriptState& state,
          EngineFlags& flags, const Archives& archives, DefinitionText& definitions, Trace& trace);

  // Start-up: the answer buttons "sys_sw" and "sys_sw2", the tree tiles "sys_st" and the
  // definition text "seltree".
  void LoadChoicePictures();

  void OpenSelect();
  // False when the map has no section or no entries: the command then does nothing.
  bool OpenClickmap(std::string_view name);
  void OpenSeltree(int tree);

  void HoverChoice(int x, int y);
  // Picks are ignored while the click guard runs; the caller checks it.
  void PickChoice(MouseButton button);
  // Up and down move the pointer onto the answer above or below: -1 up, +1 down.
  void MovePointerOverAnswers(int direction);
  void JumpToChoice(int entry);
  // The return to the title closes a window-mode select and restores its screen.
  void CloseSelect();

  // Where the pointer is, for the first hover of a new choice.
  void SetPointer(int x, int y) {
    pointerX_ = x;
    pointerY_ = y;
  }

  // The choice record of the recollection's auto-navigation: one answer a byte.
  std::vector<uint8_t>& ChoiceRecord() { return choiceRecord_; }

  // Where a click picks the n-th entry shown (1-based): the answer's row, the place, the tree
  // row of the current column. Nothing when there is no such entry, or no click can hit it (a
  // window select without its button picture).
  std::optional<std::pair<int, int>> EntryPoint(int n) const;

  // For the state dump and tests.
  const std::vector<ChoiceEntry>& Entries() const { return entries_; }
  int Highlight() const { return highlight_; }
  int WindowLeft() const { return left_; }
  int WindowTop() const { return top_; }
  int WindowWidth() const { return width_; }
  const std::array<std::vector<SeltreeItem>, kSeltreeCount>& Trees() const { return trees_; }

  // Calls into the engine around it, connected by the hub.
  HookSet hooks;
  // The sounds: the pick, the opening of a select, the pointer entering a map place.
  Hook<void(std::string_view)> playSound{hooks, "playSound"};
  // The auto-navigation replay has reached its last recorded answer.
  Hook<void()> onAutoNavigationEnd{hooks, "onAutoNavigationEnd"};

 private:
  // select
  bool ReadAnswer(uint32_t lineStart, ChoiceEntry& entry);
  void DrawAnswerWindow();
  void DrawAnswerText(const ChoiceEntry& entry, int row);
  void HoverSelect(int x, int y);
  void ShowAnswerRow(int index, const Bitmap24& source);
  void PickSelect();
  void BlinkAnswer(int times);
  void PlayPickSound();
  void RecordAnswer();
  void TakeRecordedAnswer();

  // clickmap
  bool ReadMap(std::string_view name);
  void SetLabelBar(ChoiceEntry& entry);
  void ReadMapBranches();
  void HoverClickmap(int x, int y);
  void ClearMapEntry(int index);
  void ShowMapEntry(int index);
  void DrawLabelBar(const ChoiceEntry& entry);
  void PickClickmap();

  // seltree
  void ReadSeltreeDefinition();
  void DrawSeltreeColumn(int column, int first, int highlightRow, bool branchOpen);
  void HoverSeltree(int x, int y);
  void PickSeltree();
  std::optional<std::pair<int, int>> SeltreeRowPoint(int row) const;
  void RestoreArea(int x, int y, int width, int height);
  void ShowStage();

  Interpreter& interpreter_;
  Variables& variables_;
  Stage& stage_;
  Glyphs& glyphs_;
  MessageOutput& output_;
  PaintBox& pb_;
  FrameClock& clock_;
  Host& host_;
  ScriptState& state_;
  EngineFlags& flags_;
  const Archives& archives_;
  DefinitionText& definitions_;
  Trace& trace_;

  Bitmap24 narrowButton_;              // sys_sw: 48 rows of face over 48 rows of mask
  Bitmap24 wideButton_;                // sys_sw2
  std::array<Bitmap24, 5> treeTiles_;  // face, mask, highlighted face and mask, halved mask

  std::vector<ChoiceEntry> entries_;
  int highlight_ = 0;
  uint32_t closePosition_ = 0;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int pointerX_ = 0;
  int pointerY_ = 0;
  std::vector<uint8_t> choiceRecord_;
  bool replayPick_ = false;  // the pick comes from the choice record: a longer blink

  std::array<std::vector<SeltreeItem>, kSeltreeCount> trees_;
  int tree_ = 0;
  int column_ = 0;
  // Per column: the tree item each shown row holds (-1 none) and the item it started from.
  std::array<std::array<int, kSeltreeRows>, 10> columnItems_{};
  std::array<int, 10> columnFirst_{};
  int hoveredItem_ = -1;
  bool branchOpen_ = false;
  std::string pendingScript_;
};

}  // namespace tolven
