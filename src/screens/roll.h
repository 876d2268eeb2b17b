#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "resources/bitmap24.h"
#include "screens/roll_language.h"
#include "screens/screen.h"
#include "screens/screen_text.h"

namespace tolven {

// The roll box: the screen rectangle the text of `PUT` is laid out in and faded over. A box may
// reach past the screen or be turned inside out; only its part on the screen is ever drawn.
struct RollBox {
  int left = 200;
  int top = 200;
  int right = 600;
  int bottom = 600;
  int64_t Width() const { return int64_t{right} - left; }
  int64_t Height() const { return int64_t{bottom} - top; }
};

enum class RollAlign { Left, Centre, Right };

// The scripted slide show of `roll` (state 3): a definition text of sub-commands and text lines
// run line by line inside the command, pictures and text boxes faded in and out on the frame
// clock, waits against a time base. Clicks and keys do not end it; the player agreeing to quit
// does, after the line that is running. A game saved meanwhile is in state 3 and comes back in
// the older roll language, which the frame loop steps.
class RollScreen final : public Screen {
 public:
  explicit RollScreen(const RollParts& parts) : parts_(parts), language_(parts) {}

  // name: the command line after "roll ".
  void Roll(std::string_view name);
  // The older language, after a load into state 3.
  void FrameStep() override;
  void Press(MouseButton button, int x, int y) override;
  bool WaitsForInput() const override;

 private:
  void RunLine(const std::string& line);
  void SubCommand(std::string_view keyword, std::string_view argument);
  void Gra(std::string_view argument);
  void Put(int n);
  void Era(int n);
  void Wait(int n);
  void Center(std::string_view letters);
  // The box's part on the screen, empty when it has none.
  PbArea VisibleBox() const;
  void BuildTextPicture(const PbArea& visible);
  // Fades PB's area at (x, y) from StageBuffer to `target` (the area's size), by `step` of 256
  // for every 30 ms that pass.
  void Fade(const Bitmap24& target, int x, int y, int step);
  void ShowStage();
  bool StopRequested() const;
  ScreenText& Font();

  RollParts parts_;
  RollLanguage language_;
  bool rolling_ = false;

  RollBox box_;
  RollAlign align_ = RollAlign::Centre;
  bool centreVertically_ = true;
  uint32_t timeBase_ = 0;
  bool hook_ = false;  // set by HOOK; no sub-command looks at it
  std::vector<std::string> text_;
  bool textEnded_ = false;  // a sub-command came since the last text line
  Bitmap24 textPicture_;
  Bitmap24 workPicture_;
  std::optional<ScreenText> font_;
};

}  // namespace tolven
