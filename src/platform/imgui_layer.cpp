#include "platform/imgui_layer.h"

#include <imgui.h>
#include <imgui_impl_sdlrenderer.h>

#include <algorithm>
#include <cfloat>

namespace tolven {
namespace {

constexpr float kMinFrameSeconds = 0.001f;  // ImGui wants time to pass between frames

}  // namespace

ImGuiLayer::ImGuiLayer(SDL_Renderer* renderer) {
  IMGUI_CHECKVERSION();
  ImGui::CreateContext();
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;
  io.LogFilename = nullptr;
  view_ = std::make_unique<MenuBarView>();
  ImGui_ImplSDLRenderer_Init(renderer);
  PointerAway();
}

ImGuiLayer::~ImGuiLayer() {
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
  // A window that appears is laid out in its first frame and shown from the second one.
  if (draw && (layoutPending_ || view_->Changed(menu))) {
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
  std::optional<MenuCommand> command = view_->Draw(menu);
  if (modal_ != nullptr) {
    modal_->Draw(io.DisplaySize.x, io.DisplaySize.y);
  } else if (command) {
    commands_.push_back(*command);
  }
}

void ImGuiLayer::SetModal(MessageBoxView* box) {
  modal_ = box;
  layoutPending_ = true;
}

std::vector<MenuCommand> ImGuiLayer::TakeCommands() {
  std::vector<MenuCommand> taken;
  taken.swap(commands_);
  return taken;
}

}  // namespace tolven
