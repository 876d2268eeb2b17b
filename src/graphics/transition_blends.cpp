// The transitions that mix the old and the new picture instead of copying pieces of them.
#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "graphics/blending.h"
#include "graphics/transition_drawing.h"
#include "graphics/transitions.h"

namespace tolven {

using namespace transition_drawing;

Transitions::Outcome Transitions::TileDissolve() {
  constexpr int kTileWidth = 80;
  constexpr int kTileHeight = 60;
  constexpr int kTiles = 100;
  constexpr int kRamp = 16;  // frames a tile takes from old to new
  CopyPicture(buffers_.PreviousBuffer, buffers_.WorkBuffer);
  std::array<int, kTiles> shuffled{};
  for (int i = 0; i < kTiles; ++i) shuffled[i] = i;
  for (int& tile : shuffled) std::swap(tile, shuffled[random_.Next() % kTiles]);
  // Empty entries before and after the order let every frame look at the same window of it.
  std::array<int, kRamp + kTiles + kRamp> order;
  order.fill(-1);
  std::copy(shuffled.begin(), shuffled.end(), order.begin() + kRamp);

  clock_.StartFrameClock();
  for (int frame = 0; frame < kTiles + kRamp;) {
    Bitmap24& pb = pb_.Draw();
    auto mix = [&](int position, int oldWeight) {
      const int tile = order[position];
      if (tile < 0) return;
      const int x = kTileWidth * (tile % 10);
      const int y = kTileHeight * (tile / 10);
      TileMix(buffers_.PreviousBuffer, buffers_.StageBuffer, x, y, oldWeight, buffers_.WorkBuffer);
      CopyRect(buffers_.WorkBuffer, x, y, kTileWidth, kTileHeight, pb);
    };
    // Tiles a late frame jumped over still end on the new picture.
    if (frame >= 4) {
      for (int position = frame - 3; position <= frame; ++position) mix(position, 0);
    }
    for (int j = 0; j <= kRamp; ++j) mix(frame + j, kRamp * j);
    const uint32_t passed = EndFrameByInterval(20);
    if (Interrupted()) return Outcome::CutShort;
    frame += static_cast<int>(passed);
  }
  return Outcome::Finished;
}

Transitions::Outcome Transitions::CrossFade() {
  const Bitmap24& stage = buffers_.StageBuffer;
  Bitmap24& work = buffers_.WorkBuffer;
  clock_.StartFrameClock();
  int weight = 48;
  do {
    WeightedMix(stage.Data(), buffers_.PreviousBuffer.Data(), weight, work.Data(),
                work.SizeBytes());
    CopyPicture(work, pb_.Draw());
    weight += 16 * static_cast<int>(EndFrameByInterval(10));
  } while (weight < 256);
  // A click is looked at only once the fade is through.
  if (Interrupted()) return Outcome::CutShort;
  ShowWhole(stage);
  return Outcome::Finished;
}

Transitions::Outcome Transitions::GradientWipe() {
  constexpr int kFlat = 32;
  constexpr int kEdge = kFlat + 256;
  // Grey mask pixels: a flat stretch of the new picture, then a ramp to the old one.
  std::array<uint8_t, 3 * kEdge> mask{};
  for (int i = kFlat; i < kEdge; ++i) std::fill_n(mask.begin() + 3 * i, 3, i - kFlat);
  Bitmap24& work = buffers_.WorkBuffer;
  CopyPicture(buffers_.PreviousBuffer, work);

  clock_.StartFrameClock();
  for (int p = -280; p < kScreenWidth;) {
    // The blend runs over whole 8-byte groups, cut where the edge leaves the screen.
    int left = p, maskStart = 0, groups = 3 * kEdge / 8;
    if (p < 0) {
      left = 0;
      maskStart = -p;
      groups = 3 * (kEdge + p) / 8;
    } else if (p + kEdge > kScreenWidth) {
      groups = (3 * kScreenWidth - 3 * p) / 8;
    }
    const size_t offset = 3 * static_cast<size_t>(left);
    for (int y = 0; y < kScreenHeight; ++y) {
      MaskedBlend(buffers_.StageBuffer.Row(y) + offset, buffers_.PreviousBuffer.Row(y) + offset,
                  mask.data() + 3 * maskStart, work.Row(y) + offset, GroupBytes(groups));
    }
    CopyPicture(work, pb_.Draw());
    const uint32_t passed = EndFrameByInterval(20);
    if (Interrupted()) return Outcome::CutShort;
    p += 8 * static_cast<int>(passed);
  }
  return Outcome::Finished;
}

Transitions::Outcome Transitions::MorphBand() {
  constexpr int kBand = 128;
  Bitmap24& previous = buffers_.PreviousBuffer;
  // Every row spends 16 steps in the band, enough to move a byte all the way by 16 a step.
  for (int start = -124; start < 664; start += 8) {
    for (int y = std::max(start, 0); y < std::min(start + kBand, kScreenHeight); ++y) {
      uint8_t* row = previous.Row(y);
      const uint8_t* target = buffers_.StageBuffer.Row(y);
      for (size_t i = 0; i < previous.RowBytes(); ++i) {
        row[i] = static_cast<uint8_t>(row[i] + std::clamp(target[i] - row[i], -16, 16));
      }
    }
    CopyPicture(previous, pb_.Draw());
    host_.Present();
    host_.ProcessMessages();
    if (Interrupted()) return Outcome::CutShort;
  }
  return Outcome::Finished;
}

Transitions::Outcome Transitions::InterlacedMorph() {
  const int configured = state_.S(sv::kMorphSteps);
  const int steps = configured >= 1 && configured <= 128 ? configured : 16;
  const Bitmap24& previous = buffers_.PreviousBuffer;
  const Bitmap24& stage = buffers_.StageBuffer;
  Bitmap24& work = buffers_.WorkBuffer;
  CopyPicture(previous, work);
  std::vector<uint8_t> table(256 * 256);
  for (int k = 1; k <= steps; ++k) {
    for (int n = 0; n < 256; ++n) {
      for (int o = 0; o < 256; ++o)
        table[o + 256 * n] = static_cast<uint8_t>((n * k + o * (steps - k)) / steps);
    }
    // Four sub-frames cover the pixels in a checked pattern: even rows even pixels, odd rows odd
    // pixels, even rows odd pixels, odd rows even pixels.
    for (int quarter = 0; quarter < 4; ++quarter) {
      const uint32_t deadline = clock_.Now() + 50;
      const int firstPixel = quarter == 0 || quarter == 3 ? 0 : 1;
      for (int y = quarter % 2; y < kScreenHeight; y += 2) {
        const uint8_t* o = previous.Row(y);
        const uint8_t* n = stage.Row(y);
        uint8_t* out = work.Row(y);
        for (int x = firstPixel; x < kScreenWidth; x += 2) {
          for (int b = 3 * x; b < 3 * x + 3; ++b) out[b] = table[o[b] + 256 * n[b]];
        }
      }
      CopyPicture(work, pb_.Draw());
      if (EndFrameByDeadline(deadline)) return Outcome::CutShort;
    }
  }
  return Outcome::Finished;
}

}  // namespace tolven
