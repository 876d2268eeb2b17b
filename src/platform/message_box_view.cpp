#include "platform/message_box_view.h"

#include <imgui.h>

#include "platform/dialog_view.h"

namespace tolven {
namespace {

constexpr float kButtonWidth = 75.0f;
constexpr float kButtonHeight = 23.0f;
constexpr float kMargin = 12.0f;

}  // namespace

MessageBoxView::MessageBoxView(std::string_view text, std::string_view caption,
                               MessageButtons buttons)
    : text_(text), title_(std::string(caption) + "###MessageBox"), buttons_(buttons) {}

void MessageBoxView::Key(bool enter) {
  answer_ = enter || buttons_ == MessageButtons::Ok ? MessageResult::Ok : MessageResult::Cancel;
}

void MessageBoxView::Draw(float pictureWidth, float pictureHeight, ImFont* font) {
  // The dialogs' own face, so the box reads like them.
  ImGui::PushFont(font != nullptr ? font : ImGui::GetIO().Fonts->Fonts[0]);
  ImGui::SetNextWindowPos(ImVec2(pictureWidth / 2, pictureHeight / 2), ImGuiCond_Always,
                          ImVec2(0.5f, 0.5f));
  ImGui::SetNextWindowFocus();
  const DialogLook look(1.0f);
  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(kMargin, kMargin));
  ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 1.0f);
  ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(8.0f, kMargin));
  ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(6.0f, kTitlePadding));  // the title bar's
  ImGui::Begin(title_.c_str(), nullptr,
               ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize |
                   ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoSavedSettings);
  ImGui::PopStyleVar();
  ImGui::TextUnformatted(text_.c_str());
  const bool withCancel = buttons_ == MessageButtons::OkCancel;
  const float rowWidth = withCancel ? 2 * kButtonWidth + 8.0f : kButtonWidth;
  const float textWidth = ImGui::GetItemRectSize().x;
  if (textWidth > rowWidth) ImGui::SetCursorPosX(kMargin + (textWidth - rowWidth) / 2);
  if (ImGui::Button("OK", ImVec2(kButtonWidth, kButtonHeight))) answer_ = MessageResult::Ok;
  if (withCancel) {
    ImGui::SameLine();
    if (ImGui::Button("キャンセル", ImVec2(kButtonWidth, kButtonHeight))) {
      answer_ = MessageResult::Cancel;
    }
  }
  ImGui::End();
  ImGui::PopStyleVar(3);
  ImGui::PopFont();
}

}  // namespace tolven
