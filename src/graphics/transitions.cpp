#include "graphics/transitions.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

#include "graphics/transition_drawing.h"

namespace tolven {

using namespace transition_drawing;

// Which transitions record in S019 that the player cut them short: the fades, the morph and the
// mask transitions do not.
const Transitions::Kind Transitions::kKinds[25] = {
    {&Transitions::Cut, false},
    {&Transitions::VerticalBlinds, true},
    {&Transitions::HorizontalBlinds, true},
    {&Transitions::SoftColumnWipe, true},
    {&Transitions::GrowingDisc, true},
    {&Transitions::TileDissolve, true},
    {&Transitions::CrossFade, true},
    {&Transitions::InterlacedRows, true},
    {&Transitions::InterlacedColumns, true},
    {&Transitions::MediumFade, false},
    {&Transitions::CoarseSquareWave, true},
    {&Transitions::FineSquareWave, true},
    {&Transitions::GradientWipe, true},
    {&Transitions::SlowFade, false},
    {&Transitions::RandomHalfRows, true},
    {&Transitions::MorphBand, true},
    {&Transitions::DiagonalSlats, true},
    {&Transitions::InterlacedMorph, false},
    {&Transitions::SplitSlide, true},
    {&Transitions::Push, true},
    {&Transitions::MosaicOutIn, true},
    {&Transitions::SoftCircle, false},
    {&Transitions::SoftStar, false},
    {&Transitions::DoubleSweep, false},
    {&Transitions::FlaringStar, false},
};

Transitions::Transitions(Host& host, FrameClock& clock, PaintBox& pb, ScreenBuffers& buffers,
                         ScriptState& state, EngineFlags& flags, RandomGenerator& random)
    : host_(host),
      clock_(clock),
      pb_(pb),
      buffers_(buffers),
      state_(state),
      flags_(flags),
      random_(random) {}

void Transitions::RunTransition(int number) {
  if (fastPictures_ || flags_.SkipState != 0 || number < 0) number = 0;
  flags_.EffectRunning = true;
  flags_.InterruptRequest = Interrupt::None;
  // Numbers past the table leave PB alone: the new picture waits for the next present.
  if (number < static_cast<int>(std::size(kKinds))) {
    const Kind& kind = kKinds[number];
    if ((this->*kind.run)() == Outcome::CutShort) {
      ShowWhole(buffers_.StageBuffer);
      if (kind.cutSetsFlag) state_.S(sv::kTransitionCut) = 1;
    } else if (pb_.Picture() != buffers_.StageBuffer) {
      // Frames skipped on a slow machine can leave the tile dissolve (5) and the gradient wipe
      // (12) a tile or an edge short of the new picture; a transition always ends on it.
      ShowWhole(buffers_.StageBuffer);
    }
  }
  // Full-screen text pages build on what is shown, so the next page starts from it.
  if (state_.S(sv::kTextMode) != 0) CopyPicture(buffers_.StageBuffer, buffers_.PreviousBuffer);
  if (onTransitionEnd) onTransitionEnd();
  flags_.Busy = false;
  flags_.EffectRunning = false;
}

bool Transitions::EndFrameByDeadline(uint32_t deadline) {
  host_.Present();
  clock_.WaitUntil(deadline);
  return Interrupted();
}

uint32_t Transitions::EndFrameByInterval(uint32_t interval) {
  host_.Present();
  return clock_.WaitFrames(interval);
}

void Transitions::ShowWhole(const Bitmap24& picture) {
  CopyPicture(picture, pb_.Draw());
  host_.Present();
}

void Transitions::Mosaic(const Bitmap24& source, int blockSize) {
  Bitmap24& work = buffers_.WorkBuffer;
  if (source.Width() != work.Width() || source.Height() != work.Height()) return;
  const int size = std::max(blockSize, 1);
  const int width = work.Width();
  for (int top = 0; top < work.Height(); top += size) {
    // Build the block row's first line, then repeat it down the block.
    const uint8_t* from = source.Row(top);
    uint8_t* first = work.Row(top);
    for (int left = 0; left < width; left += size) {
      const uint8_t* colour = from + 3 * left;
      const int end = std::min(left + size, width);
      for (int x = left; x < end; ++x) std::copy(colour, colour + 3, first + 3 * x);
    }
    const int bottom = std::min(top + size, work.Height());
    for (int y = top + 1; y < bottom; ++y) std::copy(first, first + work.RowBytes(), work.Row(y));
  }
  CopyPicture(work, pb_.Draw());
}

// ---- Copying transitions ------------------------------------------------------------------------

Transitions::Outcome Transitions::Cut() {
  ShowWhole(buffers_.StageBuffer);
  return Outcome::Finished;
}

Transitions::Outcome Transitions::VerticalBlinds() {
  const Bitmap24& stage = buffers_.StageBuffer;
  for (int step = 0; step < 16; ++step) {
    const uint32_t deadline = clock_.Now() + 15;
    Bitmap24& pb = pb_.Draw();
    for (int y = 0; y < kScreenHeight; ++y) {
      const uint8_t* from = stage.Row(y);
      uint8_t* to = pb.Row(y);
      for (int x = step; x < kScreenWidth; x += 16) std::copy_n(from + 3 * x, 3, to + 3 * x);
    }
    if (EndFrameByDeadline(deadline)) return Outcome::CutShort;
  }
  return Outcome::Finished;
}

Transitions::Outcome Transitions::HorizontalBlinds() {
  for (int step = 0; step < 16; ++step) {
    const uint32_t deadline = clock_.Now() + 20;
    Bitmap24& pb = pb_.Draw();
    for (int y = step; y < kScreenHeight; y += 16) {
      CopyRect(buffers_.StageBuffer, 0, y, kScreenWidth, 1, pb);
    }
    if (EndFrameByDeadline(deadline)) return Outcome::CutShort;
  }
  return Outcome::Finished;
}

Transitions::Outcome Transitions::SoftColumnWipe() {
  constexpr int kCell = 16;
  for (int frame = 0; frame < 70; ++frame) {
    const uint32_t deadline = clock_.Now() + 20;
    Bitmap24& pb = pb_.Draw();
    // Cells right of the screen (up to 80 of them are counted) have nothing to open.
    for (int cell = 0; cell * kCell < kScreenWidth; ++cell) {
      const int opened = frame - cell;
      if (opened < 0 || opened >= kCell) continue;
      CopyRect(buffers_.StageBuffer, cell * kCell, 0, opened + 1, kScreenHeight, pb);
    }
    if (EndFrameByDeadline(deadline)) return Outcome::CutShort;
  }
  return Outcome::Finished;
}

Transitions::Outcome Transitions::GrowingDisc() {
  constexpr int kCx = kScreenWidth / 2;
  constexpr int kCy = kScreenHeight / 2;
  const int limit = std::max(std::abs(state_.S(sv::kTransition4Extents[0]) - kCx) + 500,
                             std::abs(state_.S(sv::kTransition4Extents[1]) - kCy) + 500);
  const Bitmap24& stage = buffers_.StageBuffer;
  for (int radius = 5; radius < limit; radius += 10) {
    const uint32_t deadline = clock_.Now() + 20;
    Bitmap24& pb = pb_.Draw();
    // Inclusive spans, as the midpoint walk gives them.
    auto copySpan = [&](int y, int halfWidth) {
      CopyRect(stage, kCx - halfWidth, y, 2 * halfWidth + 1, 1, pb);
    };
    int x = radius, y = 0, error = radius;
    while (x >= y) {
      if (y <= kCy) {
        copySpan(kCy - y, std::min(x, kCx));
        copySpan(kCy + y, std::min(x, kCx));
      }
      if (x <= kCy) {
        copySpan(kCy - x, std::min(y, kCx));
        copySpan(kCy + x, std::min(y, kCx));
      }
      error -= 2 * y - 1;
      ++y;
      if (error < 0) {
        error += 2 * (x - 1);
        --x;
      }
    }
    if (EndFrameByDeadline(deadline)) return Outcome::CutShort;
  }
  return Outcome::Finished;
}

Transitions::Outcome Transitions::InterlacedRows() {
  for (int y = 0; y < kScreenHeight;) {
    const uint32_t deadline = clock_.Now() + 15;
    Bitmap24& pb = pb_.Draw();
    for (int pair = 0; pair < 5 && y < kScreenHeight; ++pair, y += 2) {
      CopyRect(buffers_.StageBuffer, 0, y, kScreenWidth, 1, pb);
      CopyRect(buffers_.StageBuffer, 0, kScreenHeight - 1 - y, kScreenWidth, 1, pb);
    }
    if (EndFrameByDeadline(deadline)) return Outcome::CutShort;
  }
  return Outcome::Finished;
}

Transitions::Outcome Transitions::InterlacedColumns() {
  for (int x = 0; x < kScreenWidth;) {
    const uint32_t deadline = clock_.Now() + 10;
    Bitmap24& pb = pb_.Draw();
    for (int pair = 0; pair < 5 && x < kScreenWidth; ++pair, x += 2) {
      CopyRect(buffers_.StageBuffer, x, 0, 1, kScreenHeight, pb);
      CopyRect(buffers_.StageBuffer, kScreenWidth - 1 - x, 0, 1, kScreenHeight, pb);
    }
    if (EndFrameByDeadline(deadline)) return Outcome::CutShort;
  }
  return Outcome::Finished;
}

Transitions::Outcome Transitions::SquareWave(int grid, int rows, int frames, int halfSizeOffset) {
  constexpr int kColumns = 25;
  const int half = grid / 2;
  for (int frame = 0; frame < frames; ++frame) {
    const uint32_t deadline = clock_.Now() + 30;
    Bitmap24& pb = pb_.Draw();
    for (int row = 0; row < rows; ++row) {
      for (int column = 0; column < kColumns; ++column) {
        const int size = frame - column - row + halfSizeOffset;
        if (size < 1 || size > half) continue;
        CopyRect(buffers_.StageBuffer, grid * column + half - size, grid * row + half - size,
                 2 * size, 2 * size, pb);
      }
    }
    if (EndFrameByDeadline(deadline)) return Outcome::CutShort;
  }
  return Outcome::Finished;
}

Transitions::Outcome Transitions::CoarseSquareWave() {
  return SquareWave(64, 10, 57, 0);
}

Transitions::Outcome Transitions::FineSquareWave() {
  return SquareWave(32, 19, 59, 1);
}

Transitions::Outcome Transitions::RandomHalfRows() {
  std::array<int, kScreenHeight> split{};
  for (int& x : split) x = random_.Next() % kScreenHeight + 20;
  // Entry 2y is the left part of row y, entry 2y + 1 (as y + 600) its right part.
  std::array<int, 2 * kScreenHeight> order{};
  for (int y = 0; y < kScreenHeight; ++y) {
    order[2 * y] = y;
    order[2 * y + 1] = y + kScreenHeight;
  }
  for (int& entry : order) std::swap(entry, order[2 * (random_.Next() % kScreenHeight)]);
  constexpr int kBatch = 24;
  for (size_t first = 0; first < order.size(); first += kBatch) {
    Bitmap24& pb = pb_.Draw();
    for (size_t i = first; i < first + kBatch; ++i) {
      const int entry = order[i];
      if (entry < kScreenHeight) {
        CopyRect(buffers_.StageBuffer, 0, entry, split[entry], 1, pb);
      } else {
        const int y = entry - kScreenHeight;
        CopyRect(buffers_.StageBuffer, split[y], y, kScreenWidth - split[y], 1, pb);
      }
    }
    host_.Present();
    host_.Sleep(20);
    host_.ProcessMessages();
    if (Interrupted()) return Outcome::CutShort;
  }
  return Outcome::Finished;
}

Transitions::Outcome Transitions::DiagonalSlats() {
  Bitmap24& previous = buffers_.PreviousBuffer;
  for (int frame = 0; frame < 95; ++frame) {
    const uint32_t deadline = clock_.Now() + 30;
    for (int s = 0; s < 20; ++s) {
      const int width = 20 - s;
      const int slat = frame + s - 19;
      for (int y = 0; y < kScreenHeight; ++y) {
        CopyRect(buffers_.StageBuffer, 20 * slat - y, y, width, 1, previous);
      }
    }
    // Two frames go into each shown one.
    if (frame % 2 == 1) {
      CopyPicture(previous, pb_.Draw());
      if (EndFrameByDeadline(deadline)) return Outcome::CutShort;
    }
  }
  return Outcome::Finished;
}

Transitions::Outcome Transitions::SplitSlide() {
  clock_.StartFrameClock();
  int half = 32;
  while (half < 401) {
    Bitmap24& pb = pb_.Draw();
    CopyRect(buffers_.StageBuffer, 400 - half, 0, half, kScreenHeight, pb, 0, 0);
    CopyRect(buffers_.StageBuffer, 400, 0, half, kScreenHeight, pb, kScreenWidth - half, 0);
    const uint32_t passed = EndFrameByInterval(40);
    if (Interrupted()) return Outcome::CutShort;
    half += 32 * static_cast<int>(passed);
  }
  ShowWhole(buffers_.StageBuffer);
  return Outcome::Finished;
}

Transitions::Outcome Transitions::Push() {
  clock_.StartFrameClock();
  int offset = 0;
  while (offset < kScreenWidth) {
    Bitmap24& pb = pb_.Draw();
    // The new picture's slice is one column wider than the picture has; the old picture,
    // drawn after it, covers that column.
    CopyRect(buffers_.StageBuffer, kScreenWidth - offset, 0, offset + 1, kScreenHeight, pb, 0, 0);
    CopyRect(buffers_.PreviousBuffer, 0, 0, kScreenWidth - offset, kScreenHeight, pb, offset, 0);
    const uint32_t passed = EndFrameByInterval(15);
    if (Interrupted()) return Outcome::CutShort;
    offset += 20 * static_cast<int>(passed);
  }
  ShowWhole(buffers_.StageBuffer);
  return Outcome::Finished;
}

Transitions::Outcome Transitions::MosaicOutIn() {
  static constexpr std::array kBlockSizes{2, 3, 4, 6, 8, 12, 16, 20, 28, 40};
  clock_.StartFrameClock();
  for (size_t i = 0; i < kBlockSizes.size();) {
    Mosaic(buffers_.PreviousBuffer, kBlockSizes[i]);
    const uint32_t passed = EndFrameByInterval(80);
    if (Interrupted()) return Outcome::CutShort;
    i += passed;
  }
  for (size_t i = 0; i < kBlockSizes.size();) {
    Mosaic(buffers_.StageBuffer, kBlockSizes[kBlockSizes.size() - 1 - i]);
    const uint32_t passed = EndFrameByInterval(80);
    if (Interrupted()) return Outcome::CutShort;
    i += passed;
  }
  ShowWhole(buffers_.StageBuffer);
  return Outcome::Finished;
}

}  // namespace tolven
