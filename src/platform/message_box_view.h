#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/host.h"

struct ImFont;

namespace tolven {

// A message box drawn with Dear ImGui in the middle of the picture, with the dialogs' face and
// look. Enter answers OK, Escape Cancel (OK when that is the only button).
class MessageBoxView {
 public:
  MessageBoxView(std::string_view text, std::string_view caption, MessageButtons buttons);

  // Draws the box into the current ImGui frame over a picture of this size, in the dialogs'
  // face (the atlas's first when null).
  void Draw(float pictureWidth, float pictureHeight, ImFont* font);
  void Key(bool enter);
  std::optional<MessageResult> Answer() const { return answer_; }

 private:
  std::string text_;
  std::string title_;  // the caption, with an ImGui id that stays the same for every box
  MessageButtons buttons_;
  std::optional<MessageResult> answer_;
};

}  // namespace tolven
