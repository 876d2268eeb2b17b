#include "platform/imgui_layer.h"

#include <imgui.h>
#include <imgui_impl_sdlrenderer.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <iterator>

#include "base/engine_values.h"

namespace tolven {
namespace {

constexpr float kMinFrameSeconds = 0.001f;  // ImGui wants time to pass between frames

// The keys ImGui's text fields and lists know, by their place on the keyboard.
void MapKeys(ImGuiIO& io) {
  const std::pair<ImGuiKey, SDL_Scancode> keys[] = {
      {ImGuiKey_Tab, SDL_SCANCODE_TAB},
      {ImGuiKey_LeftArrow, SDL_SCANCODE_LEFT},
      {ImGuiKey_RightArrow, SDL_SCANCODE_RIGHT},
      {ImGuiKey_UpArrow, SDL_SCANCODE_UP},
      {ImGuiKey_DownArrow, SDL_SCANCODE_DOWN},
      {ImGuiKey_PageUp, SDL_SCANCODE_PAGEUP},
      {ImGuiKey_PageDown, SDL_SCANCODE_PAGEDOWN},
      {ImGuiKey_Home, SDL_SCANCODE_HOME},
      {ImGuiKey_End, SDL_SCANCODE_END},
      {ImGuiKey_Insert, SDL_SCANCODE_INSERT},
      {ImGuiKey_Delete, SDL_SCANCODE_DELETE},
      {ImGuiKey_Backspace, SDL_SCANCODE_BACKSPACE},
      {ImGuiKey_Space, SDL_SCANCODE_SPACE},
      {ImGuiKey_Enter, SDL_SCANCODE_RETURN},
      {ImGuiKey_Escape, SDL_SCANCODE_ESCAPE},
      {ImGuiKey_KeyPadEnter, SDL_SCANCODE_KP_ENTER},
      {ImGuiKey_A, SDL_SCANCODE_A},
      {ImGuiKey_C, SDL_SCANCODE_C},
      {ImGuiKey_V, SDL_SCANCODE_V},
      {ImGuiKey_X, SDL_SCANCODE_X},
      {ImGuiKey_Y, SDL_SCANCODE_Y},
      {ImGuiKey_Z, SDL_SCANCODE_Z},
  };
  for (const auto& [key, code] : keys) io.KeyMap[key] = code;
}

// Every vertex drawn, in picture pixels.
std::optional<Rect> DrawnBounds(const ImDrawData& data) {
  float left = FLT_MAX;
  float top = FLT_MAX;
  float right = -FLT_MAX;
  float bottom = -FLT_MAX;
  for (int n = 0; n < data.CmdListsCount; ++n) {
    for (const ImDrawVert& vertex : data.CmdLists[n]->VtxBuffer) {
      left = std::min(left, vertex.pos.x);
      top = std::min(top, vertex.pos.y);
      right = std::max(right, vertex.pos.x);
      bottom = std::max(bottom, vertex.pos.y);
    }
  }
  if (left > right || top > bottom) return std::nullopt;
  const int x = static_cast<int>(std::floor(left));
  const int y = static_cast<int>(std::floor(top));
  return Rect{x, y, static_cast<int>(std::ceil(right)) - x + 1,
              static_cast<int>(std::ceil(bottom)) - y + 1};
}

}  // namespace

ImGuiLayer::ImGuiLayer(SDL_Renderer* renderer) : renderer_(renderer) {
  IMGUI_CHECKVERSION();
  ImGui::CreateContext();
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;
  io.LogFilename = nullptr;
  // Frames are drawn when something changed, so a blinking cursor would freeze half the time.
  io.ConfigInputTextCursorBlink = false;
  MapKeys(io);
  io.ClipboardUserData = this;
  io.SetClipboardTextFn = [](void*, const char* text) { SDL_SetClipboardText(text); };
  io.GetClipboardTextFn = [](void* layer) -> const char* {
    std::string& kept = static_cast<ImGuiLayer*>(layer)->clipboard_;
    char* text = SDL_GetClipboardText();
    kept = text != nullptr ? text : "";
    SDL_free(text);
    return kept.c_str();
  };
  // The menu's face comes first: it is the atlas's default.
  view_ = std::make_unique<MenuBarView>();
  // Frames and grid lines one pixel wide on whole pixels, as the window framework draws them.
  // ImGui's smoothed lines are strips of a texture, which SDL's software rasteriser samples a
  // pixel off here and there: broken lines.
  ImGui::GetStyle().AntiAliasedLines = false;
  dialogFonts_ = AddDialogFonts();
  // The dialogs' faces hold every character of the code page, so the atlas is large: it is
  // cut to the height its glyphs take rather than the next power of two (GPUs no longer need
  // that), which halves it.
  io.Fonts->Flags |= ImFontAtlasFlags_NoPowerOfTwoHeight;
  ImGui_ImplSDLRenderer_Init(renderer);
  PointerAway();
}

ImGuiLayer::~ImGuiLayer() {
  dialog_.reset();  // its textures belong to the renderer
  ImGui_ImplSDLRenderer_Shutdown();
  view_.reset();
  ImGui::DestroyContext();
}

void ImGuiLayer::SetPointer(Point picture, bool left, bool right) {
  ImGuiIO& io = ImGui::GetIO();
  io.MousePos = ImVec2(static_cast<float>(picture.x), static_cast<float>(picture.y));
  io.MouseDown[ImGuiMouseButton_Left] = left;
  io.MouseDown[ImGuiMouseButton_Right] = right;
}

void ImGuiLayer::PointerAway() {
  ImGuiIO& io = ImGui::GetIO();
  io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
  io.MouseDown[ImGuiMouseButton_Left] = io.MouseDown[ImGuiMouseButton_Right] = false;
}

void ImGuiLayer::Frame(const MenuBar& menu, int width, int height, bool draw) {
  // A window that appears is laid out in its first frame and shown from the second one; and a
  // dialog's list scrolls to a row chosen since in the frame after the one that saw it chosen.
  if (draw && (layoutPending_ || view_->Changed(menu) || dialog_ != nullptr)) {
    layoutPending_ = false;
    RunFrame(menu, width, height);
    ImGui::EndFrame();
  }
  RunFrame(menu, width, height);
  if (!draw) {
    ImGui::EndFrame();
    return;
  }
  ImGui::Render();
  ImGui_ImplSDLRenderer_RenderDrawData(ImGui::GetDrawData());
  drawn_ = DrawnBounds(*ImGui::GetDrawData());
  // The backend made its texture of the atlas in the first frame; ImGui's own copies of the
  // pixels (a byte and four bytes a texel: tens of megabytes) are never read again.
  if (!atlasUploaded_ && ImGui::GetIO().Fonts->TexID != nullptr) {
    ImGui::GetIO().Fonts->ClearTexData();
    atlasUploaded_ = true;
  }
}

void ImGuiLayer::RunFrame(const MenuBar& menu, int width, int height) {
  ImGuiIO& io = ImGui::GetIO();
  const uint32_t now = SDL_GetTicks();
  io.DeltaTime = std::max(kMinFrameSeconds, (now - lastFrameTicks_) / 1000.0f);
  lastFrameTicks_ = now;
  io.DisplaySize = ImVec2(static_cast<float>(width), static_cast<float>(height));
  io.DisplayFramebufferScale = ImVec2(1.0f, 1.0f);
  ImGui_ImplSDLRenderer_NewFrame();
  ImGui::NewFrame();
  const bool blocked = modal_ != nullptr || dialog_ != nullptr;
  std::optional<MenuCommand> command = view_->Draw(menu, height - kScreenHeight, blocked);
  if (dialog_) dialog_->Draw(width, height, height - kScreenHeight);
  if (modal_ != nullptr) modal_->Draw(io.DisplaySize.x, io.DisplaySize.y, dialogFonts_.text);
  if (command && !blocked) commands_.push_back(*command);
}

void ImGuiLayer::SetModal(MessageBoxView* box) {
  modal_ = box;
  layoutPending_ = true;
}

DialogView& ImGuiLayer::OpenDialog(DialogModel& model) {
  ReleaseKeys();
  dialog_ = std::make_unique<DialogView>(model, renderer_, dialogFonts_);
  layoutPending_ = true;
  return *dialog_;
}

void ImGuiLayer::CloseDialog() {
  dialog_.reset();
  // A key held when the dialog went must not stay down for ImGui, and a field that had the
  // keyboard must not have it again when the same form shows next time.
  ReleaseKeys();
  ImGui::ClearActiveID();
}

void ImGuiLayer::ReleaseKeys() {
  ImGuiIO& io = ImGui::GetIO();
  std::fill(std::begin(io.KeysDown), std::end(io.KeysDown), false);
  io.KeyCtrl = io.KeyShift = io.KeyAlt = io.KeySuper = false;
}

void ImGuiLayer::Key(SDL_Scancode key, bool down, Uint16 modifiers) {
  ImGuiIO& io = ImGui::GetIO();
  if (key >= 0 && key < static_cast<int>(std::size(io.KeysDown))) io.KeysDown[key] = down;
  io.KeyShift = (modifiers & KMOD_SHIFT) != 0;
  io.KeyCtrl = (modifiers & KMOD_CTRL) != 0;
  io.KeyAlt = (modifiers & KMOD_ALT) != 0;
  io.KeySuper = (modifiers & KMOD_GUI) != 0;
}

void ImGuiLayer::Text(const char* utf8) {
  ImGui::GetIO().AddInputCharactersUTF8(utf8);
}

void ImGuiLayer::Wheel(float notches) {
  ImGui::GetIO().MouseWheel += notches;
}

std::vector<MenuCommand> ImGuiLayer::TakeCommands() {
  std::vector<MenuCommand> taken;
  taken.swap(commands_);
  return taken;
}

}  // namespace tolven
