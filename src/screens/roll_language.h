#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "audio/music_stream.h"
#include "base/engine_flags.h"
#include "base/host.h"
#include "base/script_state.h"
#include "base/trace.h"
#include "graphics/frame_clock.h"
#include "graphics/stage.h"
#include "resources/archives.h"
#include "resources/bitmap24.h"
#include "resources/definition_text.h"
#include "resources/paint_box.h"
#include "screens/screen_text.h"
#include "script/interpreter.h"
#include "script/interpreter_host.h"

namespace tolven {

// What the rolls act on.
struct RollParts {
  Host& host;  // the tick count, sleeping, the message pump, presenting the screen
  FrameClock& clock;
  PaintBox& pb;
  Stage& stage;  // the buffers a roll draws in, picture loading, `gra`
  const Archives& archives;
  DefinitionText& definitions;  // where a roll's text is loaded
  ScriptState& state;           // the scene filter values, the music values
  MusicStream& music;
  EngineFlags& flags;        // EngineState, and the request a close leaves
  InterpreterHost& engine;   // skipping and auto-advance, the quit question after `gra`
  Interpreter& interpreter;  // the older language reads the script where it stands
  Trace& trace;
};

// The older roll language of state 3, which the frame loop steps one command at a time. Only a
// game saved while a `roll` ran and loaded again gets here: the lines after the `roll` command
// are then read as this language. Text lines are written into a strip (vertical: eight columns
// of twelve 24-pixel cells, read from the right; horizontal: eight lines of 288 pixels) which
// `put` shows at the `pos` position and `era` takes away, each with an animation by number:
//
//   1  108 steps of 60 ms      2  80 steps of 60 ms      3  24 steps of 60 ms
//   4  32 steps of 40 ms, a fade                         5  60 steps of 60 ms
//
// 1, 2, 3 and 5 are linear wipes in reading order: a vertical strip uncovers (or covers) column
// by column from the right, each from the top; a horizontal one row by row from the top. Other
// numbers show or remove the strip at once. The strip's black is see-through: only its text is
// drawn over the screen, and only on the screen (StageBuffer keeps the picture without it).
// A click ends the language and returns to the caller, as `end` does in a script.
class RollLanguage {
 public:
  explicit RollLanguage(const RollParts& parts) : parts_(parts) {}

  // One frame of the language: a pending pause sleeps, otherwise lines are read up to and
  // including the next command.
  void Step();
  // A click or a key acting as one.
  void Click();
  // Nothing more runs until a click: after `click`, or with the script read to its end.
  bool WaitsForClick() const { return active_ && clickWait_; }

  // Where strip row `row` shows on the screen: its left end and its row; vertical strips have
  // 24-pixel rows, horizontal ones 288-pixel rows.
  struct ScreenRow {
    int x;
    int y;
    int width;
  };
  static ScreenRow RowOnScreen(bool vertical, int posX, int posY, int row);

 private:
  void Begin();
  std::string ReadLine();
  void Command(std::string_view line);
  void WriteText(std::string_view line);
  void SetLayout(int type);
  void Animate(int number, bool showing);
  // PB over the strip's area: StageBuffer, then strip rows [begin, end) over it.
  void DrawRows(int begin, int end);
  void DrawFade(int weight);
  // The screen area the strip covers at its position.
  PbArea Area() const;
  void Finish();
  ScreenText& Font();

  RollParts parts_;
  bool active_ = false;
  // Where this language left the script: any other position means a game was loaded since,
  // and the language starts over.
  uint32_t expectedPos_ = 0;
  bool clickWait_ = false;
  std::optional<uint32_t> pauseStart_;
  uint32_t pauseLength_ = 0;
  bool vertical_ = false;
  Bitmap24 strip_;
  int posX_ = 0;
  int posY_ = 0;
  int next_ = 0;  // the column or line the next text line goes to
  Bitmap24 over_;
  std::optional<ScreenText> font_;
};

}  // namespace tolven
