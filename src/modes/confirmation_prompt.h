#pragma once

#include <string_view>

#include "base/engine_flags.h"
#include "base/hook.h"
#include "base/input.h"
#include "graphics/screen_buffers.h"
#include "resources/bitmap24.h"
#include "resources/paint_box.h"
#include "text/glyphs.h"

namespace tolven {

// Where the prompt's band lies on the game screen.
inline constexpr int kPromptTop = 150;
inline constexpr int kPromptHeight = 88;

// The yes/no question drawn across the game screen on a darkened band. While it is open
// (SystemMenuOpen holds its id) the frame loop sends it every pointer move and click; any click
// closes it, and only a click that is not the right button's on "はい" runs the id's action.
class ConfirmationPrompt {
 public:
  ConfirmationPrompt(ScreenBuffers& buffers, PaintBox& pb, EngineFlags& flags, Glyphs& glyphs);

  // The question is Shift-JIS. Nothing happens while a prompt is already open: its band would
  // be saved as the picture to put back.
  void AskYesNo(std::string_view question, int id);
  void PromptHover(int x, int y);
  void PromptClick(MouseButton button);
  // The keyboard: "はい" (to the left, step -1) or "いいえ" lit as the pointer would light it,
  // and the answer given as a left click on what is lit (yes) or as a right click (no).
  void StepAnswer(int step);
  void AnswerByKey(bool yes) { PromptClick(yes ? MouseButton::Left : MouseButton::Right); }

  bool IsOpen() const { return flags_.SystemMenuOpen != 0; }
  // 1 while the pointer is on "はい", else 0.
  int Answer() const { return answer_; }

  // Calls into the engine around it, connected by the hub.
  HookSet hooks;
  Hook<void()> updateMenuBar{hooks, "updateMenuBar"};
  // The action of a prompt id answered yes (id 3: return to the title).
  Hook<void(int id)> runAction{hooks, "runAction"};

 private:
  void DarkenBand();
  void ShowBand();
  void PutOnStageAndScreen(const Bitmap24& band);

  ScreenBuffers& buffers_;
  PaintBox& pb_;
  EngineFlags& flags_;
  Glyphs& glyphs_;

  Bitmap24 saved_{kScreenWidth, kPromptHeight};     // the stage as it was under the band
  Bitmap24 question_{kScreenWidth, kPromptHeight};  // darkened, with the question
  Bitmap24 band_{kScreenWidth, kPromptHeight};      // with the answers in their colours
  int answer_ = 0;
};

}  // namespace tolven
