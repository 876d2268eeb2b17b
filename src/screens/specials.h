#pragma once

#include <string_view>

#include "base/engine_flags.h"
#include "base/host.h"
#include "base/trace.h"
#include "graphics/frame_clock.h"
#include "graphics/stage.h"
#include "resources/archives.h"
#include "resources/bitmap24.h"
#include "resources/definition_text.h"
#include "resources/paint_box.h"
#include "screens/end_credits.h"
#include "script/interpreter_host.h"
#include "script/variables.h"

namespace tolven {

// What the special sequences act on.
struct SpecialParts {
  Host& host;  // the clock, the message pump, the window
  FrameClock& clock;
  PaintBox& pb;
  Stage& stage;
  const Archives& archives;
  DefinitionText& definitions;
  Variables& variables;
  EngineFlags& flags;
  InterpreterHost& engine;  // the engine object, as the interpreter sees it
  Trace& trace;
};

// The one-shot sequences of `special`, chosen by the argument's first character: 0 seven
// white flashes, 1 a shaken window, 2 a letterbox darkening, 3 and 4 the sepia fade, 5 the
// end credits, 6 the completion rate. The ones that take time hold the engine while they run;
// a close request made meanwhile is answered with the quit question once they are done.
class Specials {
 public:
  explicit Specials(const SpecialParts& parts);

  // argument: the command line after "special" and its blank.
  void Special(std::string_view argument);

  // How much of the game was seen, in whole percent: the set flags among the 228 event flags
  // E001-E038, E101-E131, E201-E250, E301-E337, E401-E444, E501-E521 and E601-E607.
  static int CompletionRate(const Variables& variables);
  // Every byte of the rows above `top` and from `bottom` on becomes byte x factor / 16, cut at
  // 255 (a factor above 16 brightens); top and bottom are held to the picture, a negative
  // factor counts as 0.
  static void DarkenOutside(Bitmap24& picture, int top, int bottom, int factor);

 private:
  template <typename Sequence>
  void Held(Sequence sequence);
  void Flash();
  void Shake();
  void Letterbox(std::string_view argument);
  void ShowCompletionRate();

  SpecialParts parts_;
  EndCredits credits_;
};

}  // namespace tolven
