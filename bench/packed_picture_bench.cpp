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
TOLVEN_BENCHMARK(BM_Memcpy1440000);

// Entries are made once: the benchmark library calls each function several times.
void BM_PackedPhotoLz(benchmark::State& state) {
  static const std::vector<uint8_t> entry = tolven::tools::EncodePackedPicture(
      PhotoLike(kWidth, kHeight, true), PackOptions{false, false});
  DecodeEntry(state, entry, 0);
}
TOLVEN_BENCHMARK(BM_PackedPhotoLz);

// The run-length stage never pays on grain, so the encoder would not choose it for the photo
// above; the photo without grain and with few colours takes it, together with delta coding.
void BM_PackedPhotoRle(benchmark::State& state) {
  static const std::vector<uint8_t> entry = tolven::tools::EncodePackedPicture(
      PhotoLike(kWidth, kHeight, false), PackOptions{true, true});
  DecodeEntry(state, entry, tolven::kPackedRunLength | tolven::kPackedDelta);
}
TOLVEN_BENCHMARK(BM_PackedPhotoRle);

void BM_PackedPhotoDelta(benchmark::State& state) {
  static const std::vector<uint8_t> entry = tolven::tools::EncodePackedPicture(
      PhotoLike(kWidth, kHeight, true), PackOptions{false, true});
  DecodeEntry(state, entry, tolven::kPackedDelta);
}
TOLVEN_BENCHMARK(BM_PackedPhotoDelta);

void BM_PackedFlat(benchmark::State& state) {
  static const std::vector<uint8_t> entry =
      tolven::tools::EncodePackedPicture(Flat(kWidth, kHeight));
  DecodeEntry(state, entry, tolven::kPackedRunLength);
}
TOLVEN_BENCHMARK(BM_PackedFlat);

// The archives a game ships with were made by other encoders than ours, which is tuned to give
// the decoder long copies. This one is the plain kind: it takes the longest match at the most
// recent position with the same three bytes, or else one literal, and uses the smallest code
// form that holds the copy. Its streams have many more, shorter items than ours.
std::vector<uint8_t> GreedyPackedEntry(const Bitmap24& picture) {
  const uint8_t* in = picture.Data();
  const size_t size = picture.SizeBytes();
  constexpr size_t kMaxDistance = 16384;
  constexpr size_t kMaxLength = 255;
  std::vector<int64_t> lastSeen(1 << 16, -1);
  auto hash = [&](size_t at) {
    return static_cast<size_t>((in[at] << 8 ^ in[at + 1] << 4 ^ in[at + 2]) & 0xFFFF);
  };
  std::vector<uint8_t> out;
  size_t flagAt = 0;
  int items = 8;
  auto item = [&](bool copy) {
    if (items == 8) {
      flagAt = out.size();
      out.push_back(0);
      items = 0;
    }
    if (copy) out[flagAt] |= static_cast<uint8_t>(0x80 >> items);
    ++items;
  };
  size_t at = 0;
  while (at < size) {
    size_t length = 0;
    size_t distance = 0;
    if (at + 3 <= size) {
      const int64_t seen = lastSeen[hash(at)];
      lastSeen[hash(at)] = static_cast<int64_t>(at);
      if (seen >= 0 && at - static_cast<size_t>(seen) <= kMaxDistance) {
        const size_t from = static_cast<size_t>(seen);
        while (length < kMaxLength && at + length < size && in[from + length] == in[at + length]) {
          ++length;
        }
        distance = at - from;
      }
    }
    const size_t d = distance - 1;
    if (length >= 2 && length <= 4 && distance <= 32) {
      item(true);
      out.push_back(static_cast<uint8_t>(d << 2 | (length - 2)));
    } else if (length >= 3 && length <= 18 && distance <= 1024) {
      item(true);
      out.push_back(static_cast<uint8_t>(0x80 | d >> 4));
      out.push_back(static_cast<uint8_t>((d & 0x0F) << 4 | (length - 3)));
    } else if (length >= 3) {
      item(true);
      out.push_back(static_cast<uint8_t>(0xC0 | d >> 8));
      out.push_back(static_cast<uint8_t>(d & 0xFF));
      out.push_back(static_cast<uint8_t>(length - 3));
    } else {
      item(false);
      out.push_back(in[at]);
      length = 1;
    }
    at += length;
  }
  std::vector<uint8_t> entry = {0, 0, 0, 3};
  for (uint32_t value : {static_cast<uint32_t>(out.size()), uint32_t{0}}) {
    for (int i = 0; i < 4; ++i) entry.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  for (int value : {picture.Width(), picture.Height()}) {
    entry.push_back(static_cast<uint8_t>(value));
    entry.push_back(static_cast<uint8_t>(value >> 8));
  }
  entry.insert(entry.end(), out.begin(), out.end());
  return entry;
}

void BM_PackedPhotoGreedyLz(benchmark::State& state) {
  static const Bitmap24 picture = PhotoLike(kWidth, kHeight, true);
  static const std::vector<uint8_t> entry = GreedyPackedEntry(picture);
  Bitmap24 decoded;
  if (!tolven::DecodePackedPicture(entry.data(), entry.size(), decoded) || !(decoded == picture)) {
    state.SkipWithError("the greedy stream does not decode to its picture");
    return;
  }
  DecodeEntry(state, entry, 0);
}
TOLVEN_BENCHMARK(BM_PackedPhotoGreedyLz);

tolven::bench::CompareTo reg_greedy("BM_PackedPhotoGreedyLz", "BM_Memcpy1440000");
tolven::bench::CompareTo reg_lz("BM_PackedPhotoLz", "BM_Memcpy1440000");
tolven::bench::CompareTo reg_rle("BM_PackedPhotoRle", "BM_Memcpy1440000");
tolven::bench::CompareTo reg_delta("BM_PackedPhotoDelta", "BM_Memcpy1440000");
tolven::bench::CompareTo reg_flat("BM_PackedFlat", "BM_Memcpy1440000");

}  // namespace
