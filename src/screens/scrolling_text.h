#pragma once

#include <string>
#include <vector>

#include "audio/music_stream.h"
#include "base/engine_flags.h"
#include "base/host.h"
#include "base/script_state.h"
#include "base/settings.h"
#include "base/trace.h"
#include "graphics/stage.h"
#include "resources/archives.h"
#include "resources/definition_text.h"
#include "resources/paint_box.h"
#include "screens/screen.h"
#include "script/interpreter_host.h"
#include "script/variables.h"

namespace tolven {

// What the scrolling text works with.
struct ScrollingTextParts {
  Host& host;  // the clock, the message pump, presenting the screen
  PaintBox& pb;
  Stage& stage;  // its StageBuffer turns black under the text
  const Archives& archives;
  DefinitionText& definitions;  // "sroll" is loaded here
  Variables& variables;         // E999
  ScriptState& state;           // the music's S values
  const Settings& settings;     // FONTBOLD
  MusicStream& music;
  EngineFlags& flags;
  InterpreterHost& engine;  // the menu bar
  Trace& trace;
};

// `sroll` (state 5): the lines of the definition text "sroll" scrolled up a black screen in a
// column 420 pixels wide, one row of pixels every 30 ms, inside the command. The text starts at
// the top of the column and stops once its last line has risen to 216 pixels below the
// column's top, whatever its length; the music stops at the end. A close request always ends it
// early; a click only for a player who has completed the game once (E999). Either way the
// last view is shown before the command returns.
//
// Lines are drawn as they come into view, so a text of any length costs the memory of one
// screenful. Without a "sroll" text nothing happens: the screen and the music stay.
class ScrollingText final : public Screen {
 public:
  explicit ScrollingText(const ScrollingTextParts& parts) : parts_(parts) {}

  void Sroll();

  // The text's lines from its start up to the first line that is exactly "}" (or its end).
  static std::vector<std::string> ReadLines(const DefinitionText& text);

  // Any button ends the text early, but only with E999 set and only while it runs.
  void Press(MouseButton button, int x, int y) override;
  bool WaitsForInput() const override { return false; }

 private:
  ScrollingTextParts parts_;
  bool running_ = false;
};

}  // namespace tolven
