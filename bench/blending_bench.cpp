// The full-screen blending primitives on 800x600 pictures, each beside pixman doing the nearest
// composite on the same pictures in 32-bit pixels. Each of ours is compared with copying the
// same bytes (BM_Memcpy1440000); each pixman figure is compared with ours, so a ratio of 1 or
// more there means ours is at least as fast.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "baseline.h"
#include "graphics/blending.h"
#include "sample_pictures.h"

namespace {

using tolven::Bitmap24;

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int64_t kPictureBytes = int64_t{kWidth} * kHeight * 3;

// A soft-edged disc on an empty field, as a sprite or a glyph cell has it: about a quarter of
// the picture solid, a fifth a soft ramp and the rest empty.
Bitmap24 SoftDiscMask() {
  Bitmap24 mask(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double distance = std::hypot(x - 400.0, y - 300.0);
      const double level = std::clamp((260.0 - distance) / 60.0, 0.0, 1.0);
      std::fill_n(mask.Row(y) + 3 * x, 3, static_cast<uint8_t>(std::lround(255 * level)));
    }
  }
  return mask;
}

// A grey ramp that wanders over the picture, as the accumulated masks of the shape transitions.
Bitmap24 SoftGradientMask() {
  Bitmap24 mask(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      std::fill_n(mask.Row(y) + 3 * x, 3, static_cast<uint8_t>((x + 2 * y) % 256));
    }
  }
  return mask;
}

struct PictureSet {
  Bitmap24 first = tolven::testing::PhotoLike(kWidth, kHeight, true);
  Bitmap24 second = tolven::testing::PhotoLike(kWidth, kHeight, false);
  Bitmap24 disc = SoftDiscMask();
  Bitmap24 gradient = SoftGradientMask();
};

const PictureSet& Pictures() {
  static const PictureSet pictures;
  return pictures;
}

struct ImageRelease {
  void operator()(pixman_image_t* image) const { pixman_image_unref(image); }
};
using Image = std::unique_ptr<pixman_image_t, ImageRelease>;

// A picture in pixman's 32-bit pixels; made once, outside the timed loops.
struct PixmanPicture {
  std::vector<uint32_t> pixels;
  Image image;
};

PixmanPicture ToX8R8G8B8(const Bitmap24& picture) {
  PixmanPicture converted;
  converted.pixels.resize(static_cast<size_t>(kWidth) * kHeight);
  for (size_t i = 0; i < converted.pixels.size(); ++i) {
    const uint8_t* p = picture.Data() + 3 * i;
    converted.pixels[i] = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
  }
  converted.image.reset(pixman_image_create_bits(PIXMAN_x8r8g8b8, kWidth, kHeight,
                                                 converted.pixels.data(), kWidth * 4));
  return converted;
}

// The masked blend reads one mask value per pixel: an 8-bit alpha picture.
struct PixmanMask {
  std::vector<uint8_t> alpha;
  Image image;
};

PixmanMask ToA8(const Bitmap24& mask) {
  PixmanMask converted;
  converted.alpha.resize(static_cast<size_t>(kWidth) * kHeight);
  for (size_t i = 0; i < converted.alpha.size(); ++i) converted.alpha[i] = mask.Data()[3 * i];
  converted.image.reset(pixman_image_create_bits(
      PIXMAN_a8, kWidth, kHeight, reinterpret_cast<uint32_t*>(converted.alpha.data()), kWidth));
  return converted;
}

Image SolidAlpha(int weight) {
  const uint16_t alpha = static_cast<uint16_t>(std::min(65535, weight * 256));
  const pixman_color_t colour = {0, 0, 0, alpha};
  return Image(pixman_image_create_solid_fill(&colour));
}

void Composite(pixman_op_t op, const Image& source, const Image& mask, const Image& destination) {
  pixman_image_composite32(op, source.get(), mask.get(), destination.get(), 0, 0, 0, 0, 0, 0,
                           kWidth, kHeight);
}

void Written(const void* picture) {
  benchmark::DoNotOptimize(picture);
  benchmark::ClobberMemory();
}

void CountBytes(benchmark::State& state) {
  state.SetBytesProcessed(state.iterations() * kPictureBytes);
}

// Row by row in place, as glyphs, panels and sprites are drawn.
void BM_MaskedBlend(benchmark::State& state) {
  Bitmap24 destination = Pictures().second;
  const Bitmap24& colour = Pictures().first;
  const Bitmap24& mask = Pictures().disc;
  for (auto _ : state) {
    for (int y = 0; y < kHeight; ++y) {
      tolven::MaskedBlend(destination.Row(y), colour.Row(y), mask.Row(y), destination.Row(y),
                          destination.RowBytes());
    }
    Written(destination.Data());
  }
  CountBytes(state);
}
TOLVEN_BENCHMARK(BM_MaskedBlend);

// colour IN mask OVER destination, with an opaque colour: d * (1 - m) + c * m.
void BM_PixmanOverA8Mask(benchmark::State& state) {
  const PixmanPicture colour = ToX8R8G8B8(Pictures().first);
  const PixmanMask mask = ToA8(Pictures().disc);
  const PixmanPicture destination = ToX8R8G8B8(Pictures().second);
  for (auto _ : state) {
    Composite(PIXMAN_OP_OVER, colour.image, mask.image, destination.image);
    Written(destination.pixels.data());
  }
  CountBytes(state);
}
TOLVEN_BENCHMARK(BM_PixmanOverA8Mask);

// The cross-fades mix into one of their inputs here, so that both sides write one picture and
// read two.
void BM_WeightedMix(benchmark::State& state) {
  const Bitmap24& first = Pictures().first;
  Bitmap24 second = Pictures().second;
  for (auto _ : state) {
    tolven::WeightedMix(first.Data(), second.Data(), 100, second.Data(), second.SizeBytes());
    Written(second.Data());
  }
  CountBytes(state);
}
TOLVEN_BENCHMARK(BM_WeightedMix);

// first OVER second through a constant alpha: s * (1 - a) + f * a.
void BM_PixmanOverSolidMask(benchmark::State& state) {
  const PixmanPicture first = ToX8R8G8B8(Pictures().first);
  const PixmanPicture second = ToX8R8G8B8(Pictures().second);
  const Image weight = SolidAlpha(100);
  for (auto _ : state) {
    Composite(PIXMAN_OP_OVER, first.image, weight, second.image);
    Written(second.pixels.data());
  }
  CountBytes(state);
}
TOLVEN_BENCHMARK(BM_PixmanOverSolidMask);

void BM_MaskMix(benchmark::State& state) {
  Bitmap24 oldPicture = Pictures().second;
  const Bitmap24& newPicture = Pictures().first;
  const Bitmap24& mask = Pictures().gradient;
  for (auto _ : state) {
    tolven::MaskMix(oldPicture, newPicture, mask, oldPicture);
    Written(oldPicture.Data());
  }
  CountBytes(state);
}
TOLVEN_BENCHMARK(BM_MaskMix);

// The mask mix takes a mask value for every byte: pixman's component alpha, new OVER old.
void BM_PixmanOverComponentMask(benchmark::State& state) {
  const PixmanPicture newPicture = ToX8R8G8B8(Pictures().first);
  const PixmanPicture mask = ToX8R8G8B8(Pictures().gradient);
  pixman_image_set_component_alpha(mask.image.get(), 1);
  const PixmanPicture oldPicture = ToX8R8G8B8(Pictures().second);
  for (auto _ : state) {
    Composite(PIXMAN_OP_OVER, newPicture.image, mask.image, oldPicture.image);
    Written(oldPicture.pixels.data());
  }
  CountBytes(state);
}
TOLVEN_BENCHMARK(BM_PixmanOverComponentMask);

void BM_Darken(benchmark::State& state) {
  const Bitmap24& source = Pictures().first;
  Bitmap24 destination(kWidth, kHeight);
  for (auto _ : state) {
    tolven::Darken(source, destination, 128);
    Written(destination.Data());
  }
  CountBytes(state);
}
TOLVEN_BENCHMARK(BM_Darken);

// The picture scaled by a constant alpha, in place: x * v. pixman's SRC through a solid mask
// into a second picture would match the data flow exactly, but it takes a general path about
// four times slower than this one, which does the same reading and writing.
void BM_PixmanInReverseSolid(benchmark::State& state) {
  const Image factor = SolidAlpha(128);
  const PixmanPicture picture = ToX8R8G8B8(Pictures().first);
  for (auto _ : state) {
    Composite(PIXMAN_OP_IN_REVERSE, factor, Image(), picture.image);
    Written(picture.pixels.data());
  }
  CountBytes(state);
}
TOLVEN_BENCHMARK(BM_PixmanInReverseSolid);

tolven::bench::CompareTo reg_masked_blend("BM_MaskedBlend", "BM_Memcpy1440000");
tolven::bench::CompareTo reg_weighted_mix("BM_WeightedMix", "BM_Memcpy1440000");
tolven::bench::CompareTo reg_mask_mix("BM_MaskMix", "BM_Memcpy1440000");
tolven::bench::CompareTo reg_darken("BM_Darken", "BM_Memcpy1440000");
tolven::bench::CompareTo reg_pixman_masked("BM_PixmanOverA8Mask", "BM_MaskedBlend");
tolven::bench::CompareTo reg_pixman_weighted("BM_PixmanOverSolidMask", "BM_WeightedMix");
tolven::bench::CompareTo reg_pixman_mask_mix("BM_PixmanOverComponentMask", "BM_MaskMix");
tolven::bench::CompareTo reg_pixman_darken("BM_PixmanInReverseSolid", "BM_Darken");

}  // namespace
