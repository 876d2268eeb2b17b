#include "platform/message_box.h"

#include <string>

namespace tolven {
namespace {

constexpr int kOk = 1;
constexpr int kCancel = 2;

Uint32 IconFlag(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error:
      return SDL_MESSAGEBOX_ERROR;
    case MessageIcon::Warning:
      return SDL_MESSAGEBOX_WARNING;
    default:
      return SDL_MESSAGEBOX_INFORMATION;
  }
}

}  // namespace

std::optional<MessageResult> ShowMessageBox(SDL_Window* parent, std::string_view text,
                                            std::string_view caption, MessageButtons buttons,
                                            MessageIcon icon) {
  const std::string message(text);
  const std::string title(caption);
  const bool withCancel = buttons == MessageButtons::OkCancel;
  const SDL_MessageBoxButtonData choices[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT |
           (withCancel ? 0u : static_cast<Uint32>(SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT)),
       kOk, "OK"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kCancel, "キャンセル"},
  };
  const SDL_MessageBoxData box{IconFlag(icon) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT,
                               parent,
                               title.c_str(),
                               message.c_str(),
                               withCancel ? 2 : 1,
                               choices,
                               nullptr};
  int pressed = kOk;
  if (SDL_ShowMessageBox(&box, &pressed) != 0) return std::nullopt;
  // Closing the box is Cancel where there is one.
  const bool cancelled = pressed == kCancel || (pressed < 0 && withCancel);
  return cancelled ? MessageResult::Cancel : MessageResult::Ok;
}

}  // namespace tolven
