#include "platform/menu_bar_view.h"

#include <imgui.h>

#include <algorithm>
#include <array>
#include <tuple>

#include "engine/engine_view.h"
#include "text/font_lookup.h"

namespace tolven {
namespace {

constexpr float kFontPixels = 12.0f;  // the 9-point UI face at 96 DPI
constexpr float kPanelWidth = kPanel1Width;
constexpr float kPanelHeight = kPanel1Height;
constexpr float kButtonHeight = 19.0f;
constexpr float kMinButtonWidth = 64.0f;
constexpr float kTrackBarWidth = 100.0f;
constexpr float kGreyedAlpha = 0.45f;
constexpr float kMenuItemWidth = 120.0f;
constexpr float kMenuItemSpacing = 7.0f;  // menu rows of 19 pixels
constexpr ImU32 kFace = IM_COL32(240, 240, 240, 255);
constexpr ImU32 kHighlight = IM_COL32(255, 255, 255, 255);
constexpr ImU32 kShadow = IM_COL32(160, 160, 160, 255);
constexpr ImU32 kKeyFocusColour = IM_COL32(0, 90, 200, 255);
constexpr const char* kUiFamilies[] = {"IPAGothic", "IPAPGothic"};

constexpr ImGuiWindowFlags kFixedWindow =
    ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
    ImGuiWindowFlags_NoScrollWithMouse | ImGuiWindowFlags_NoNav;

void LoadUiFont() {
  ImGuiIO& io = ImGui::GetIO();
  for (const char* family : kUiFamilies) {
    std::optional<FontFile> font = FindFontFamily(family);
    if (!font) continue;
    ImFontConfig config;
    config.FontNo = font->index;
    if (io.Fonts->AddFontFromFileTTF(font->path.c_str(), kFontPixels, &config,
                                     io.Fonts->GetGlyphRangesJapanese()) != nullptr) {
      return;
    }
  }
  // Without a Japanese face the captions lose their kana, but the buttons still work.
  io.Fonts->AddFontDefault();
}

// The look of the buttons: dialog grey, black captions, square corners.
void SetStyle() {
  ImGuiStyle& style = ImGui::GetStyle();
  ImGui::StyleColorsLight(&style);
  style.WindowRounding = style.FrameRounding = style.PopupRounding = 0.0f;
  style.WindowBorderSize = 0.0f;
  style.WindowMinSize = ImVec2(1.0f, 1.0f);
  style.FrameBorderSize = 1.0f;
  style.WindowPadding = ImVec2(2.0f, 1.0f);
  style.FramePadding = ImVec2(6.0f, 3.0f);
  style.ItemSpacing = ImVec2(1.0f, 0.0f);
  style.Colors[ImGuiCol_WindowBg] = ImGui::ColorConvertU32ToFloat4(kFace);
  style.Colors[ImGuiCol_Button] = ImGui::ColorConvertU32ToFloat4(kFace);
  style.Colors[ImGuiCol_ButtonHovered] = ImVec4(0.90f, 0.94f, 0.99f, 1.0f);
  style.Colors[ImGuiCol_ButtonActive] = ImVec4(0.80f, 0.87f, 0.97f, 1.0f);
  style.Colors[ImGuiCol_Border] = ImGui::ColorConvertU32ToFloat4(kShadow);
  style.Colors[ImGuiCol_Text] = ImVec4(0.0f, 0.0f, 0.0f, 1.0f);
}

ImVec4 CaptionColour(uint32_t rgb) {
  return ImVec4(((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f,
                1.0f);
}

// A raised bevel around the panel, as the window framework draws one.
void DrawBevel() {
  ImDrawList* draw = ImGui::GetWindowDrawList();
  const ImVec2 min = ImGui::GetWindowPos();
  const ImVec2 max(min.x + kPanelWidth - 1, min.y + kPanelHeight - 1);
  draw->AddLine(min, ImVec2(max.x, min.y), kHighlight);
  draw->AddLine(min, ImVec2(min.x, max.y), kHighlight);
  draw->AddLine(ImVec2(min.x, max.y), max, kShadow);
  draw->AddLine(ImVec2(max.x, min.y), max, kShadow);
}

// Greyed controls look disabled; blocked ones (under an open popup menu) only act disabled.
void BeginControl(bool greyed, bool blocked) {
  ImGui::PushStyleVar(ImGuiStyleVar_DisabledAlpha, greyed ? kGreyedAlpha : 1.0f);
  ImGui::BeginDisabled(greyed || blocked);
}

void EndControl() {
  ImGui::EndDisabled();
  ImGui::PopStyleVar();
}

bool DrawSpeedButton(const MenuButton& button, bool greyed, bool blocked) {
  const ImVec2 text = ImGui::CalcTextSize(button.caption.c_str());
  const float width = std::max(kMinButtonWidth, text.x + 2 * ImGui::GetStyle().FramePadding.x);
  BeginControl(greyed || !button.enabled, blocked);
  ImGui::PushStyleColor(ImGuiCol_Text, CaptionColour(button.captionColour));
  const bool clicked = ImGui::Button(button.caption.c_str(), ImVec2(width, kButtonHeight));
  ImGui::PopStyleColor();
  EndControl();
  return clicked;
}

// The buttons as the window lays them out; hidden ones leave no gap.
std::array<std::pair<const MenuButton*, MenuAction>, 8> PanelRow(const MenuBar& menu) {
  return {{
      {&menu.SpeedButton1, MenuAction::SpeedButton1},
      {&menu.SpeedButton4, MenuAction::SpeedButton4},
      {&menu.SpeedButton3, MenuAction::SpeedButton3},
      {&menu.SpeedButton5, MenuAction::SpeedButton5},
      {&menu.SpeedButton2, MenuAction::SpeedButton2},
      {&menu.SpeedButton7, MenuAction::SpeedButton7},
      {&menu.SpeedButton8, MenuAction::SpeedButton8},
      {&menu.SpeedButton6, MenuAction::SpeedButton6},
  }};
}

std::optional<MenuCommand> DrawTrackBar(int position, bool greyed, bool blocked) {
  ImGui::SetNextItemWidth(kTrackBarWidth);
  BeginControl(greyed, blocked);
  const bool moved = ImGui::SliderInt("##TrackBar1", &position, 1, 10);
  EndControl();
  if (!moved) return std::nullopt;
  return MenuCommand{MenuAction::TrackBar1, position};
}

// The name the keyboard focus gives a control of the bar or of a pop-up ("SpeedButton3", "N6").
std::string FocusName(MenuAction action) {
  switch (action) {
    case MenuAction::N6:
      return "N6";
    case MenuAction::N7:
      return "N7";
    case MenuAction::N1:
      return "N1";
    case MenuAction::N2:
      return "N2";
    case MenuAction::PU_Post1:
      return "PU_Post1";
    case MenuAction::PU_Post2:
      return "PU_Post2";
    default:
      break;
  }
  if (action <= MenuAction::SpeedButton8) {
    return "SpeedButton" + std::to_string(static_cast<int>(action) + 1);
  }
  return {};
}

// A ring around the control just drawn when the keyboard or a controller is on it.
void DrawKeyFocus(const MenuBar& menu, MenuAction action) {
  if (menu.KeyFocus.empty() || menu.KeyFocus != FocusName(action)) return;
  ImGui::GetWindowDrawList()->AddRect(ImGui::GetItemRectMin(), ImGui::GetItemRectMax(),
                                      kKeyFocusColour, 0.0f, 0, 2.0f);
}

auto Look(const MenuButton& b) {
  return std::tie(b.caption, b.visible, b.enabled, b.captionColour);
}
auto Look(const MenuItem& item) {
  return std::tie(item.caption, item.visible);
}

}  // namespace

MenuBarView::MenuBarView() {
  LoadUiFont();
  SetStyle();
}

std::optional<MenuCommand> MenuBarView::Draw(const MenuBar& menu, int pbTop, bool blocked) {
  lastDrawn_ = menu;
  // While a popup menu is open it takes every click, as a window system's menu does.
  const bool popupOpen = menu.PopupMenu1Open || menu.PopupMenu2Open;
  std::optional<MenuCommand> panel = DrawPanel(menu, blocked || popupOpen);
  std::optional<MenuCommand> popup;
  if (menu.PopupMenu1Open) {
    popup = DrawPopup(menu, "PopupMenu1", menu.PopupMenu1X, menu.PopupMenu1Y,
                      {{&menu.N6, MenuAction::N6},
                       {&menu.N7, MenuAction::N7},
                       {&menu.N1, MenuAction::N1},
                       {&menu.N2, MenuAction::N2}},
                      MenuAction::ClosePopup);
  } else if (menu.PopupMenu2Open) {
    popup =
        DrawPopup(menu, "PopupMenu2", menu.PopupMenu2X, pbTop + menu.PopupMenu2Y,
                  {{&menu.PU_Post1, MenuAction::PU_Post1}, {&menu.PU_Post2, MenuAction::PU_Post2}},
                  MenuAction::ClosePopup2);
  }
  return popup ? popup : panel;
}

std::optional<MenuCommand> MenuBarView::DrawPanel(const MenuBar& menu, bool blocked) {
  if (!menu.Panel1Visible) return std::nullopt;
  ImGui::SetNextWindowPos(ImVec2(0, 0));
  ImGui::SetNextWindowSize(ImVec2(kPanelWidth, kPanelHeight));
  ImGui::Begin("Panel1", nullptr, kFixedWindow | ImGuiWindowFlags_NoBringToFrontOnFocus);
  DrawBevel();
  const bool greyed = !menu.Panel1Enabled;
  std::optional<MenuCommand> clicked;
  bool first = true;
  auto nextInRow = [&first] {
    if (!first) ImGui::SameLine();
    first = false;
  };
  for (const auto& [button, action] : PanelRow(menu)) {
    if (button->visible) {
      nextInRow();
      if (DrawSpeedButton(*button, greyed, blocked)) clicked = {action};
      DrawKeyFocus(menu, action);
    }
    if (action == MenuAction::SpeedButton7 && menu.TrackBar1Visible) {
      nextInRow();
      if (auto moved = DrawTrackBar(menu.TrackBar1Position, greyed, blocked)) clicked = moved;
    }
  }
  ImGui::End();
  return clicked;
}

std::optional<MenuCommand> MenuBarView::DrawPopup(const MenuBar& menu, const char* name, int x,
                                                  int y, std::initializer_list<PopupEntry> entries,
                                                  MenuAction closed) {
  ImGui::SetNextWindowPos(ImVec2(static_cast<float>(x), static_cast<float>(y)));
  ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 1.0f);
  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(3.0f, 3.0f));
  ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(0.0f, kMenuItemSpacing));
  ImGui::Begin(name, nullptr, kFixedWindow | ImGuiWindowFlags_AlwaysAutoResize);
  // Asked before the items: an item the press just took would hide the hovering.
  const bool clickedBeside =
      (ImGui::IsMouseClicked(ImGuiMouseButton_Left) ||
       ImGui::IsMouseClicked(ImGuiMouseButton_Right)) &&
      !ImGui::IsWindowHovered(ImGuiHoveredFlags_AllowWhenBlockedByActiveItem);
  std::optional<MenuCommand> picked;
  for (const auto& [item, action] : entries) {
    if (!item->visible) continue;
    if (ImGui::Selectable(item->caption.c_str(), false, ImGuiSelectableFlags_None,
                          ImVec2(kMenuItemWidth, 0.0f))) {
      picked = {action};
    }
    DrawKeyFocus(menu, action);
  }
  if (!picked && clickedBeside) picked = {closed};
  ImGui::End();
  ImGui::PopStyleVar(3);
  return picked;
}

bool MenuBarView::Changed(const MenuBar& m) const {
  const MenuBar& o = lastDrawn_;
  return std::tie(m.Panel1Visible, m.Panel1Enabled, m.TrackBar1Visible, m.TrackBar1Position,
                  m.PopupMenu1Open, m.PopupMenu1X, m.PopupMenu1Y, m.PopupMenu2Open, m.PopupMenu2X,
                  m.PopupMenu2Y) != std::tie(o.Panel1Visible, o.Panel1Enabled, o.TrackBar1Visible,
                                             o.TrackBar1Position, o.PopupMenu1Open, o.PopupMenu1X,
                                             o.PopupMenu1Y, o.PopupMenu2Open, o.PopupMenu2X,
                                             o.PopupMenu2Y) ||
         Look(m.SpeedButton1) != Look(o.SpeedButton1) ||
         Look(m.SpeedButton2) != Look(o.SpeedButton2) ||
         Look(m.SpeedButton3) != Look(o.SpeedButton3) ||
         Look(m.SpeedButton4) != Look(o.SpeedButton4) ||
         Look(m.SpeedButton5) != Look(o.SpeedButton5) ||
         Look(m.SpeedButton6) != Look(o.SpeedButton6) ||
         Look(m.SpeedButton7) != Look(o.SpeedButton7) ||
         Look(m.SpeedButton8) != Look(o.SpeedButton8) || Look(m.N6) != Look(o.N6) ||
         Look(m.N7) != Look(o.N7) || Look(m.N1) != Look(o.N1) || Look(m.N2) != Look(o.N2) ||
         m.KeyFocus != o.KeyFocus;
}

void Perform(EngineView& form, const MenuCommand& command) {
  switch (command.action) {
    case MenuAction::SpeedButton1:
      form.SpeedButton1Click();
      break;
    case MenuAction::SpeedButton2:
      form.SpeedButton2Click();
      break;
    case MenuAction::SpeedButton3:
      form.SpeedButton3Click();
      break;
    case MenuAction::SpeedButton4:
      form.SpeedButton4Click();
      break;
    case MenuAction::SpeedButton5:
      form.SpeedButton5Click();
      break;
    case MenuAction::SpeedButton6:
      form.SpeedButton6Click();
      break;
    case MenuAction::SpeedButton7:
      form.SpeedButton7Click();
      break;
    case MenuAction::SpeedButton8:
      form.SpeedButton8Click();
      break;
    case MenuAction::TrackBar1:
      form.TrackBar1Change(command.position);
      break;
    case MenuAction::N6:
      form.N6Click();
      break;
    case MenuAction::N7:
      form.N7Click();
      break;
    case MenuAction::N1:
      form.N1Click();
      break;
    case MenuAction::N2:
      form.N2Click();
      break;
    case MenuAction::ClosePopup:
      form.ClosePopupMenu();
      break;
    case MenuAction::PU_Post1:
      form.PU_Post1Click();
      break;
    case MenuAction::PU_Post2:
      form.PU_Post2Click();
      break;
    case MenuAction::ClosePopup2:
      form.ClosePopupMenu2();
      break;
  }
}

}  // namespace tolven
