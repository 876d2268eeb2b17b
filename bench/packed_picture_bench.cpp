// Decoding speed of packed pictures the size of a full screen, against copying the same number
// of bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "baseline.h"
#include "resources/packed_picture.h"
#include "sample_pictures.h"
#include "tools/picture_encoder.h"

namespace {

using tolven::Bitmap24;
using tolven::testing::Flat;
using tolven::testing::PhotoLike;
using tolven::tools::PackOptions;

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int64_t kPictureBytes = int64_t{kWidth} * kHeight * 3;

// Decodes the entry over and over. The stages its header must name are checked first, so a
// change in the encoder's choices cannot quietly turn one benchmark into another.
void DecodeEntry(benchmark::State& state, const std::vector<uint8_t>& entry, uint8_t stages) {
  if ((entry[2] & (tolven::kPackedRunLength | tolven::kPackedDelta)) != stages) {
    state.SkipWithError("the encoder chose other stages than this benchmark measures");
    return;
  }
  Bitmap24 bitmap;
  if (!tolven::DecodePackedPicture(entry.data(), entry.size(), bitmap)) {
    state.SkipWithError("entry does not decode");
    return;
  }
  for (auto _ : state) {
    const bool decoded = tolven::DecodePackedPicture(entry.data(), entry.size(), bitmap);
    benchmark::DoNotOptimize(decoded);
    benchmark::DoNotOptimize(bitmap.Data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kPictureBytes);
  state.counters["packed_bytes"] = static_cast<double>(entry.size());
}

void BM_Memcpy1440000(benchmark::State& state) {
  const std::vector<uint8_t> from(kPictureBytes, 0x5A);
  std::vector<uint8_t> to(kPictureBytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), to.size());
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kPictureBytes);
}
BENCHMARK(BM_Memcpy1440000);

// Entries are made once: the benchmark library calls each function several times.
void BM_PackedPhotoLz(benchmark::State& state) {
  static const std::vector<uint8_t> entry = tolven::tools::EncodePackedPicture(
      PhotoLike(kWidth, kHeight, true), PackOptions{false, false});
  DecodeEntry(state, entry, 0);
}
BENCHMARK(BM_PackedPhotoLz);

// The run-length stage never pays on grain, so the encoder would not choose it for the photo
// above; the photo without grain and with few colours takes it, together with delta coding.
void BM_PackedPhotoRle(benchmark::State& state) {
  static const std::vector<uint8_t> entry = tolven::tools::EncodePackedPicture(
      PhotoLike(kWidth, kHeight, false), PackOptions{true, true});
  DecodeEntry(state, entry, tolven::kPackedRunLength | tolven::kPackedDelta);
}
BENCHMARK(BM_PackedPhotoRle);

void BM_PackedPhotoDelta(benchmark::State& state) {
  static const std::vector<uint8_t> entry = tolven::tools::EncodePackedPicture(
      PhotoLike(kWidth, kHeight, true), PackOptions{false, true});
  DecodeEntry(state, entry, tolven::kPackedDelta);
}
BENCHMARK(BM_PackedPhotoDelta);

void BM_PackedFlat(benchmark::State& state) {
  static const std::vector<uint8_t> entry =
      tolven::tools::EncodePackedPicture(Flat(kWidth, kHeight));
  DecodeEntry(state, entry, tolven::kPackedRunLength);
}
BENCHMARK(BM_PackedFlat);

tolven::bench::CompareTo reg_lz("BM_PackedPhotoLz", "BM_Memcpy1440000");
tolven::bench::CompareTo reg_rle("BM_PackedPhotoRle", "BM_Memcpy1440000");
tolven::bench::CompareTo reg_delta("BM_PackedPhotoDelta", "BM_Memcpy1440000");
tolven::bench::CompareTo reg_flat("BM_PackedFlat", "BM_Memcpy1440000");

}  // namespace
