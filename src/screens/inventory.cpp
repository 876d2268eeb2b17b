#include "screens/inventory.h"

#include <algorithm>
#include <cstdio>

#include "base/engine_values.h"
#include "graphics/blending.h"
#include "graphics/picture_copy.h"

namespace tolven {
namespace {

constexpr int kPanelX = 160;
constexpr int kPanelY = 10;
constexpr int kCurrencyX = 440;
constexpr int kCurrencyY = 440;
constexpr int kTextColour = 0;

constexpr uint32_t kFadeInterval = 10;
constexpr int kFadeInStart = 48;
constexpr int kFadeInStep = 16;
constexpr int kFadeOutStart = 224;
constexpr int kFadeOutStep = 32;
constexpr int kFullWeight = 256;
constexpr int kBlinkSteps = 6;
constexpr uint32_t kBlinkInterval = 250;

constexpr int kCounterVariable = 100;

// A stall of any length ends a fade in one step, and the weight cannot overflow on the way.
int Steps(uint32_t intervals) {
  return static_cast<int>(std::min<uint32_t>(intervals, kFullWeight));
}

}  // namespace

Inventory::Inventory(const InventoryParts& parts)
    : parts_(parts),
      grid_(parts.pictures, parts.state, parts.stage, parts.pb, kInventoryGridLeft) {}

void Inventory::ShowMix(int weight) {
  ScreenBuffers& buffers = parts_.stage.Buffers();
  const Bitmap24& stage = buffers.StageBuffer;
  const Bitmap24& previous = buffers.PreviousBuffer;
  Bitmap24& work = buffers.WorkBuffer;
  if (stage.Width() == previous.Width() && stage.Height() == previous.Height()) {
    work.Resize(stage.Width(), stage.Height());
    WeightedMix(stage.Data(), previous.Data(), weight, work.Data(), stage.SizeBytes());
    CopyTopLeftArea(work, parts_.pb.Draw());
  } else {
    CopyTopLeftArea(stage, parts_.pb.Draw());
  }
  parts_.host.Present();
}

void Inventory::ShowStage() {
  CopyTopLeftArea(parts_.stage.Buffers().StageBuffer, parts_.pb.Draw());
  grid_.Forget();
  parts_.host.Present();
}

void Inventory::ShowInventory(int n) {
  if (parts_.flags.EngineState != EngineScreen::Story) return;
  parts_.flags.Busy = true;
  ScreenBuffers& buffers = parts_.stage.Buffers();
  CopyPicture(buffers.StageBuffer, buffers.PreviousBuffer);
  parts_.pictures.DrawPanel(buffers.StageBuffer, kPanelX, kPanelY);
  parts_.pictures.DrawOwnedIcons(buffers.StageBuffer, parts_.state, kInventoryGridLeft, n);

  parts_.flags.EngineState = EngineScreen::ItemScreen;
  parts_.clock.StartFrameClock();
  for (int weight = kFadeInStart; weight < kFullWeight;) {
    ShowMix(weight);
    weight += kFadeInStep * Steps(parts_.clock.WaitFrames(kFadeInterval));
  }
  const std::string currency = parts_.pictures.CurrencyText(parts_.state.V(kCurrencyVariable));
  parts_.glyphs.DrawString(currency, kCurrencyX, kCurrencyY, buffers.StageBuffer, kTextColour);
  ShowStage();

  if (n != 0) Announce(n);
  parts_.flags.Busy = false;
}

// The icon blinks on PB only, so the fade out starts from the grid without it.
void Inventory::Announce(int n) {
  parts_.clock.StartFrameClock();
  for (int step = 0; step < kBlinkSteps; ++step) {
    if (step % 2 == 1) {
      const SlotPlace at = SlotPosition(kInventoryGridLeft, n);
      parts_.pictures.DrawIcon(parts_.pb.Draw(), n, at.x, at.y);
      parts_.host.Present();
    } else {
      ShowStage();
    }
    parts_.clock.WaitFrames(kBlinkInterval);
  }
  for (int weight = kFadeOutStart; weight > 0;) {
    ShowMix(weight);
    weight -= kFadeOutStep * Steps(parts_.clock.WaitFrames(kFadeInterval));
  }
  CloseInventory();
}

void Inventory::CloseInventory() {
  ScreenBuffers& buffers = parts_.stage.Buffers();
  CopyPicture(buffers.PreviousBuffer, buffers.StageBuffer);
  ShowStage();
  parts_.flags.EngineState = EngineScreen::Story;
}

void Inventory::DrawItemCounter() {
  const ScriptState& state = parts_.state;
  const int32_t value = state.V(kCounterVariable);
  if (state.S(sv::kDateDisplay) == 0 || value == 0) return;
  char text[32];
  std::snprintf(text, sizeof text, "%d/%d", value / 100, value % 100);
  parts_.glyphs.DrawString(text, 0, 0, parts_.stage.Buffers().StageBuffer, kTextColour);
}

}  // namespace tolven
