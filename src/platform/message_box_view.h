#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/host.h"

namespace tolven {

// A message box drawn with Dear ImGui in the middle of the picture, for displays where SDL has
// no way to show one of its own (no dialog helper, no core X fonts). Enter answers OK, Escape
// Cancel (OK when that is the only button).
class MessageBoxView {
 public:
  MessageBoxView(std::string_view text, std::string_view caption, MessageButtons buttons);

  // Draws the box into the current ImGui frame over a picture of this size.
  void Draw(float pictureWidth, float pictureHeight);
  void Key(bool enter);
  std::optional<MessageResult> Answer() const { return answer_; }

 private:
  std::string text_;
  std::string title_;  // the caption, with an ImGui id that stays the same for every box
  MessageButtons buttons_;
  std::optional<MessageResult> answer_;
};

}  // namespace tolven
