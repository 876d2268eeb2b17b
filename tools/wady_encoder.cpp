#include "tools/wady_encoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string>

#include "tools/file_io.h"

namespace tolven::tools {
namespace {

// The decoder starts the 300th code from the end at 0, whatever came before. The encoder
// codes the last samples one by one so that it knows, while choosing them, which code that is.
constexpr size_t kResetFromEnd = 300;
constexpr int kMaxScale = 16;
// Scale is chosen on at most this many one-second windows of the sound.
constexpr size_t kScaleWindows = 10;

void Append32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// The one-byte code that lands nearest the target from the current sample.
uint8_t NearestOneByte(int16_t current, int target, int16_t& result) {
  uint8_t best = 1;
  int bestError = INT32_MAX;
  for (int v = 0; v < 128; ++v) {
    const auto code = static_cast<uint8_t>(v << 1 | 1);
    const int16_t value = WadyBlockOneByte(code, current);
    const int error = std::abs(value - target);
    if (error < bestError) {
      best = code;
      bestError = error;
      result = value;
    }
  }
  return best;
}

// Run targets keep only bits 4-15; the nearest such value to the sample.
int16_t RunTarget(int sample) {
  const int rounded = (sample + 8) & ~15;
  return static_cast<int16_t>(std::clamp(rounded, -32768, 32752));
}

class BlockEncoder {
 public:
  BlockEncoder(std::span<const int16_t> source, size_t stride, int tolerance)
      : source_(source), stride_(stride), tolerance_(tolerance) {}

  int Sample(size_t i) const { return source_[i * stride_]; }

  // Codes samples [from, to): the longest straight run that stays within the tolerance, or
  // else the nearest one-byte code.
  void CodeWithRuns(size_t from, size_t to) {
    size_t at = from;
    while (at < to) {
      const size_t run = TryRun(at, to);
      at += run > 0 ? run : CodeOne(at);
    }
  }

  size_t CodeOne(size_t at) {
    codes_.push_back(NearestOneByte(current_, Sample(at), current_));
    ++count_;
    return 1;
  }

  void ResetCurrent() { current_ = 0; }
  void SetCurrent(int16_t value) { current_ = value; }
  const std::vector<uint8_t>& Codes() const { return codes_; }
  int32_t Count() const { return count_; }

 private:
  size_t TryRun(size_t at, size_t to) {
    for (int r = 7; r >= 0; --r) {
      const size_t length = kWadyRunLengths[r];
      if (at + length > to) continue;
      const int16_t target = RunTarget(Sample(at + length - 1));
      WadyRun(current_, target, static_cast<int>(length), run_.data(), 1, length);
      bool close = true;
      for (size_t k = 0; k < length && close; ++k) {
        close = std::abs(run_[k] - Sample(at + k)) <= tolerance_;
      }
      if (!close) continue;
      codes_.push_back(static_cast<uint8_t>((target & 0xF0) | (r << 1)));
      codes_.push_back(static_cast<uint8_t>(static_cast<uint16_t>(target) >> 8));
      ++count_;
      current_ = target;
      return length;
    }
    return 0;
  }

  std::span<const int16_t> source_;
  size_t stride_;
  int tolerance_;
  int16_t current_ = 0;
  int32_t count_ = 0;
  std::vector<uint8_t> codes_;
  std::array<int16_t, 256> run_{};
};

// The byte codes' deltas at one scale, sorted, for finding the nearest by bisection.
class ByteSteps {
 public:
  explicit ByteSteps(uint8_t scale) : scale_(scale) {
    for (int code = 0; code < 128; ++code) {
      steps_[code] = {scale * kWadyByteSteps[code], static_cast<uint8_t>(code)};
    }
    std::sort(steps_.begin(), steps_.end());
  }

  uint8_t Nearest(int16_t state, int target, int16_t& result) const {
    const int absolute = std::clamp(static_cast<int>(std::lround(target / 512.0)), -64, 63);
    uint8_t best = static_cast<uint8_t>(0x80 | (absolute & 0x7F));
    result = WadyByteStep(best, state, scale_);
    int bestError = std::abs(result - target);
    const auto at =
        std::lower_bound(steps_.begin(), steps_.end(), std::pair<int, uint8_t>{target - state, 0});
    const auto first = at - std::min<ptrdiff_t>(at - steps_.begin(), 1);
    const auto last = at + std::min<ptrdiff_t>(steps_.end() - at, 1);
    for (auto it = first; it != last; ++it) {
      const int16_t value = WadyByteStep(it->second, state, scale_);
      if (std::abs(value - target) < bestError) {
        best = it->second;
        result = value;
        bestError = std::abs(value - target);
      }
    }
    return best;
  }

 private:
  uint8_t scale_;
  std::array<std::pair<int, uint8_t>, 128> steps_{};
};

// Codes frames [from, to) of interleaved samples; returns the summed squared error.
double CodeBytes(const Pcm& pcm, const ByteSteps& steps, size_t from, size_t to,
                 std::array<int16_t, 2>& states, std::vector<uint8_t>* out) {
  const size_t channels = static_cast<size_t>(pcm.channels);
  double error = 0;
  for (size_t frame = from; frame < to; ++frame) {
    for (size_t c = 0; c < channels; ++c) {
      const int target = pcm.samples[frame * channels + c];
      const uint8_t code = steps.Nearest(states[c], target, states[c]);
      const double miss = states[c] - target;
      error += miss * miss;
      if (out) out->push_back(code);
    }
  }
  return error;
}

// The scale whose codes follow the sound best, tried on windows spread over the sound.
uint8_t ChooseScale(const Pcm& pcm) {
  const size_t frames = pcm.Frames();
  const size_t window = static_cast<size_t>(pcm.rate);
  const size_t windows = std::clamp<size_t>(frames / std::max<size_t>(window, 1), 1, kScaleWindows);
  uint8_t best = 1;
  double bestError = -1;
  for (int scale = 1; scale <= kMaxScale; ++scale) {
    const ByteSteps steps(static_cast<uint8_t>(scale));
    double error = 0;
    for (size_t w = 0; w < windows; ++w) {
      const size_t from = frames * w / windows;
      std::array<int16_t, 2> states{};
      error += CodeBytes(pcm, steps, from, std::min(frames, from + window), states, nullptr);
    }
    if (bestError < 0 || error < bestError) {
      best = static_cast<uint8_t>(scale);
      bestError = error;
    }
  }
  return best;
}

std::vector<uint8_t> EncodeBytes(const Pcm& pcm, const WadyEncodeOptions& options,
                                 WadyHeader& header) {
  header.scale = ChooseScale(pcm);
  const ByteSteps steps(header.scale);
  std::vector<uint8_t> coded;
  coded.reserve(pcm.samples.size());
  std::array<int16_t, 2> states{};
  CodeBytes(pcm, steps, 0, options.loopFrame, states, &coded);
  header.loopStart = static_cast<uint32_t>(options.loopFrame * pcm.channels);
  header.loopLeft = states[0];
  header.loopRight = states[1];
  CodeBytes(pcm, steps, options.loopFrame, pcm.Frames(), states, &coded);
  return coded;
}

std::vector<uint8_t> EncodeBlocks(const Pcm& pcm, const WadyEncodeOptions& options) {
  const size_t frames = pcm.Frames();
  if (pcm.channels == 1) {
    return EncodeWadyBlock(pcm.samples, 1, frames, options.runTolerance);
  }
  const std::span<const int16_t> samples(pcm.samples);
  const std::vector<uint8_t> left = EncodeWadyBlock(samples, 2, frames, options.runTolerance);
  const std::vector<uint8_t> right = EncodeWadyBlock(
      samples.subspan(std::min<size_t>(1, samples.size())), 2, frames, options.runTolerance);
  std::vector<uint8_t> coded;
  Append32(coded, static_cast<uint32_t>(left.size()));
  coded.insert(coded.end(), left.begin(), left.end());
  Append32(coded, static_cast<uint32_t>(right.size()));
  coded.insert(coded.end(), right.begin(), right.end());
  return coded;
}

void CheckEncodable(const Pcm& pcm, const WadyEncodeOptions& options) {
  if (!PlayableFormat(pcm.rate, pcm.channels)) {
    throw ToolError("a WADY sound has one or two channels at " + std::to_string(kMinSampleRate) +
                    " to " + std::to_string(kMaxSampleRate) + " Hz");
  }
  if (pcm.samples.size() > 0x7FFFFFFFu / 2) throw ToolError("too long for a WADY sound");
  if (options.coding == WadyCoding::Byte && options.loopFrame > 0 &&
      options.loopFrame >= pcm.Frames()) {
    throw ToolError("the loop start lies past the end of the sound");
  }
}

}  // namespace

std::vector<uint8_t> EncodeWadyBlock(std::span<const int16_t> source, size_t stride, size_t count,
                                     int runTolerance) {
  BlockEncoder encoder(source, stride, runTolerance);
  const int16_t initial = count > 0 ? source[0] : 0;
  encoder.SetCurrent(initial);
  if (count > kResetFromEnd) {
    const size_t tail = count - kResetFromEnd;
    encoder.CodeWithRuns(1, tail);
    encoder.ResetCurrent();
    for (size_t at = tail; at < count; ++at) encoder.CodeOne(at);
  } else {
    encoder.CodeWithRuns(std::min<size_t>(1, count), count);
  }
  std::vector<uint8_t> block(4, 0);
  Append32(block, static_cast<uint32_t>(encoder.Count()));
  block.push_back(static_cast<uint8_t>(initial));
  block.push_back(static_cast<uint8_t>(static_cast<uint16_t>(initial) >> 8));
  block.insert(block.end(), encoder.Codes().begin(), encoder.Codes().end());
  return block;
}

std::vector<uint8_t> EncodeWady(const Pcm& pcm, const WadyEncodeOptions& options) {
  CheckEncodable(pcm, options);
  WadyHeader header;
  header.channels = static_cast<uint16_t>(pcm.channels);
  header.rate = static_cast<uint32_t>(pcm.rate);
  header.frames = static_cast<uint32_t>(pcm.Frames());
  header.decodedSize = static_cast<uint32_t>(pcm.Frames() * pcm.channels * 2);
  header.format = {1,
                   static_cast<uint16_t>(pcm.channels),
                   static_cast<uint32_t>(pcm.rate),
                   static_cast<uint32_t>(pcm.rate * pcm.channels * 2),
                   static_cast<uint16_t>(pcm.channels * 2),
                   16};
  const std::vector<uint8_t> coded = options.coding == WadyCoding::Byte
                                         ? EncodeBytes(pcm, options, header)
                                         : EncodeBlocks(pcm, options);
  header.codedSize = static_cast<uint32_t>(coded.size());
  const auto head = WadyHeaderBytes(header);
  // Sized once and filled, rather than grown by an insert behind the header: GCC's bounds
  // check loses track of the header's size in insert's reallocating path and warns at -O3.
  std::vector<uint8_t> entry(head.size() + coded.size());
  std::copy(coded.begin(), coded.end(), std::copy(head.begin(), head.end(), entry.begin()));
  return entry;
}

}  // namespace tolven::tools
