#include "tools/picture_encoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

#include "resources/packed_picture.h"

namespace tolven::tools {

namespace {

// Longest stretch the LZ code forms can express.
constexpr size_t kShortMaxDistance = 32;
constexpr size_t kShortMaxLength = 4;
constexpr size_t kMidMaxDistance = 1024;
constexpr size_t kMidMaxLength = 18;
constexpr size_t kLongMaxDistance = 16384;
constexpr size_t kLongMaxLength = 4096;
constexpr size_t kMinLongLength = 3;
constexpr size_t kMinLiteralRun = 9;
constexpr size_t kMaxLiteralRun = 40;

// Costs in bits, counting the flag bit every item takes.
constexpr int kLiteralBits = 9;
constexpr int kShortBits = 9;
constexpr int kMidBits = 17;
constexpr int kLongBits = 25;

// Hash chains over three-byte prefixes. Probing stops after this many candidates: longer
// chains cost far more time than the few bytes they win on real pictures.
constexpr int kHashBits = 16;
constexpr int kMaxProbes = 48;
constexpr size_t kChainWindow = 32768;  // a power of two covering kLongMaxDistance

constexpr size_t kMaxRunCount = 8192;
constexpr size_t kMaxRunLiterals = 128;

void PutU16(std::vector<uint8_t>& out, size_t pos, uint32_t value) {
  out[pos] = static_cast<uint8_t>(value);
  out[pos + 1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(std::vector<uint8_t>& out, size_t pos, uint32_t value) {
  PutU16(out, pos, value & 0xFFFF);
  PutU16(out, pos + 2, value >> 16);
}

// How many leading bytes of a and b agree, up to max.
size_t CommonLength(const uint8_t* a, const uint8_t* b, size_t max) {
  size_t n = 0;
  if constexpr (std::endian::native == std::endian::little) {
    while (n + 8 <= max) {
      uint64_t x;
      uint64_t y;
      std::memcpy(&x, a + n, 8);
      std::memcpy(&y, b + n, 8);
      if (x != y) return n + static_cast<size_t>(std::countr_zero(x ^ y) >> 3);
      n += 8;
    }
  }
  while (n < max && a[n] == b[n]) ++n;
  return n;
}

// The long form can only say 3 to 255, 256, 1024 or 4096 bytes.
size_t LongFormLength(size_t length) {
  if (length >= 4096) return 4096;
  if (length >= 1024) return 1024;
  if (length >= 256) return 256;
  return length;
}

struct Match {
  size_t distance = 0;
  size_t length = 0;  // 0: none worth taking
  int gain = 0;       // bits saved against sending the bytes as single literals
};

// The cheapest way to send up to `available` bytes found `distance` back.
Match BestForm(size_t distance, size_t available) {
  Match best;
  auto consider = [&](size_t length, int bits) {
    const int gain = static_cast<int>(length) * kLiteralBits - bits;
    if (gain > best.gain) best = {distance, length, gain};
  };
  if (distance <= kShortMaxDistance && available >= 2) {
    consider(std::min(available, kShortMaxLength), kShortBits);
  }
  if (available >= kMinLongLength) {
    if (distance <= kMidMaxDistance) consider(std::min(available, kMidMaxLength), kMidBits);
    consider(LongFormLength(std::min(available, kLongMaxLength)), kLongBits);
  }
  return best;
}

class MatchFinder {
 public:
  MatchFinder(const uint8_t* data, size_t size)
      : data_(data), size_(size), head_(size_t{1} << kHashBits, -1), prev_(kChainWindow, -1) {}

  // Makes every position before `end` available as a match source.
  void InsertUpTo(size_t end) {
    const size_t last = size_ >= 3 ? std::min(end, size_ - 2) : 0;
    for (; inserted_ < last; ++inserted_) {
      const uint32_t hash = Hash(inserted_);
      prev_[inserted_ & (kChainWindow - 1)] = head_[hash];
      head_[hash] = static_cast<int32_t>(inserted_);
    }
    inserted_ = std::max(inserted_, end);
  }

  Match Find(size_t pos) const {
    const size_t available = std::min(size_ - pos, kLongMaxLength);
    Match best;
    if (available < 2) return best;
    const uint8_t* current = data_ + pos;
    size_t bestLength = 0;
    if (available >= 3) {
      int32_t candidate = head_[Hash(pos)];
      for (int probes = kMaxProbes; candidate >= 0 && probes > 0; --probes) {
        const size_t distance = pos - static_cast<size_t>(candidate);
        if (distance > kLongMaxDistance) break;
        const uint8_t* source = data_ + candidate;
        // Candidates come nearest first, so only a longer one can be cheaper.
        if (source[bestLength] == current[bestLength]) {
          const size_t length = CommonLength(source, current, available);
          if (length > bestLength) {
            bestLength = length;
            const Match form = BestForm(distance, length);
            if (form.gain > best.gain) best = form;
            if (length == available) break;
          }
        }
        candidate = prev_[static_cast<size_t>(candidate) & (kChainWindow - 1)];
      }
    }
    if (bestLength < 3) {
      // Two-byte matches are worth the one-byte form but escape the three-byte hash.
      const size_t reach = std::min(pos, kShortMaxDistance);
      for (size_t distance = 1; distance <= reach; ++distance) {
        const uint8_t* source = current - distance;
        if (source[0] != current[0] || source[1] != current[1]) continue;
        const Match form =
            BestForm(distance, CommonLength(source, current, std::min(available, kMidMaxLength)));
        if (form.gain > best.gain) best = form;
        break;
      }
    }
    return best;
  }

 private:
  uint32_t Hash(size_t pos) const {
    const uint32_t key = data_[pos] | (data_[pos + 1] << 8) | (data_[pos + 2] << 16);
    return (key * 2654435761u) >> (32 - kHashBits);
  }

  const uint8_t* data_;
  size_t size_;
  std::vector<int32_t> head_;
  std::vector<int32_t> prev_;
  size_t inserted_ = 0;
};

// Writes LZ items, opening a flag byte for each group of eight.
class LzWriter {
 public:
  explicit LzWriter(std::vector<uint8_t>& out) : out_(out) {}

  void Literals(const uint8_t* bytes, size_t count) {
    while (count >= kMinLiteralRun) {
      const size_t run = std::min(count, kMaxLiteralRun);
      Item(true);
      out_.push_back(static_cast<uint8_t>(((run - kMinLiteralRun) << 2) | 3));
      out_.insert(out_.end(), bytes, bytes + run);
      bytes += run;
      count -= run;
    }
    for (; count > 0; --count) {
      Item(false);
      out_.push_back(*bytes++);
    }
  }

  void Reference(size_t distance, size_t length) {
    Item(true);
    const size_t d = distance - 1;
    if (distance <= kShortMaxDistance && length <= kShortMaxLength) {
      out_.push_back(static_cast<uint8_t>((d << 2) | (length - 2)));
    } else if (distance <= kMidMaxDistance && length <= kMidMaxLength) {
      out_.push_back(static_cast<uint8_t>(0x80 | (d >> 4)));
      out_.push_back(static_cast<uint8_t>(((d & 0x0F) << 4) | (length - 3)));
    } else {
      out_.push_back(static_cast<uint8_t>(0xC0 | (d >> 8)));
      out_.push_back(static_cast<uint8_t>(d & 0xFF));
      uint8_t e;
      switch (length) {
        case 4096:
          e = 0xFF;
          break;
        case 1024:
          e = 0xFE;
          break;
        case 256:
          e = 0xFD;
          break;
        default:
          e = static_cast<uint8_t>(length - 3);
          break;
      }
      out_.push_back(e);
    }
  }

 private:
  void Item(bool coded) {
    if (itemsInGroup_ == 8) {
      flagPos_ = out_.size();
      out_.push_back(0);
      itemsInGroup_ = 0;
    }
    if (coded) out_[flagPos_] |= static_cast<uint8_t>(0x80 >> itemsInGroup_);
    ++itemsInGroup_;
  }

  std::vector<uint8_t>& out_;
  size_t flagPos_ = 0;
  int itemsInGroup_ = 8;
};

// Greedy parse with one step of lookahead: a match is put off by a byte when the match
// starting there saves more.
std::vector<uint8_t> LzEncode(const std::vector<uint8_t>& input) {
  std::vector<uint8_t> out;
  out.reserve(input.size() / 2 + 64);
  LzWriter writer(out);
  MatchFinder finder(input.data(), input.size());
  const size_t size = input.size();
  size_t pos = 0;
  size_t literalStart = 0;
  Match current = finder.Find(0);
  while (pos < size) {
    if (current.length == 0) {
      ++pos;
      finder.InsertUpTo(pos);
      if (pos < size) current = finder.Find(pos);
      continue;
    }
    if (pos + 1 < size) {
      finder.InsertUpTo(pos + 1);
      const Match next = finder.Find(pos + 1);
      if (next.gain > current.gain) {
        ++pos;
        current = next;
        continue;
      }
    }
    writer.Literals(input.data() + literalStart, pos - literalStart);
    writer.Reference(current.distance, current.length);
    pos += current.length;
    literalStart = pos;
    finder.InsertUpTo(pos);
    if (pos < size) current = finder.Find(pos);
  }
  writer.Literals(input.data() + literalStart, pos - literalStart);
  return out;
}

// Runs of a 1- to 4-byte pattern, and literal stretches between them.
std::vector<uint8_t> RunLengthEncode(const std::vector<uint8_t>& input) {
  std::vector<uint8_t> out;
  out.reserve(input.size() + input.size() / kMaxRunLiterals + 16);
  const size_t size = input.size();
  size_t pos = 0;
  size_t literalStart = 0;
  auto flushLiterals = [&](size_t end) {
    while (literalStart < end) {
      const size_t count = std::min(end - literalStart, kMaxRunLiterals);
      out.push_back(static_cast<uint8_t>(count - 1));
      out.insert(out.end(), input.begin() + literalStart, input.begin() + literalStart + count);
      literalStart += count;
    }
  };
  while (pos < size) {
    size_t bestUnit = 0;
    size_t bestCount = 0;
    long bestSaving = 0;
    for (size_t unit = 1; unit <= 4 && pos + 2 * unit <= size; ++unit) {
      const size_t limit = std::min(size - pos - unit, (kMaxRunCount - 1) * unit);
      const size_t count = (unit + CommonLength(&input[pos], &input[pos + unit], limit)) / unit;
      // A run costs its control, count and pattern bytes; demand a real win over literals.
      const long saving = static_cast<long>(count * unit) - static_cast<long>(unit + 2);
      if (saving > bestSaving) {
        bestSaving = saving;
        bestUnit = unit;
        bestCount = count;
      }
    }
    if (bestSaving < 2) {
      ++pos;
      continue;
    }
    flushLiterals(pos);
    const size_t n = bestCount - 1;
    out.push_back(static_cast<uint8_t>(0x80 | ((bestUnit - 1) << 5) | (n >> 8)));
    out.push_back(static_cast<uint8_t>(n & 0xFF));
    out.insert(out.end(), input.begin() + pos, input.begin() + pos + bestUnit);
    pos += bestCount * bestUnit;
    literalStart = pos;
  }
  flushLiterals(size);
  return out;
}

// Each byte becomes its difference to the same channel of the pixel before.
std::vector<uint8_t> DeltaEncode(const uint8_t* pixels, size_t size) {
  std::vector<uint8_t> out(pixels, pixels + size);
  for (size_t i = 3; i < size; ++i) out[i] = static_cast<uint8_t>(pixels[i] - pixels[i - 3]);
  return out;
}

}  // namespace

std::vector<uint8_t> EncodePackedPicture(const Bitmap24& bitmap, const PackOptions& options) {
  if (bitmap.Empty() || bitmap.Width() > kMaxPackedDimension ||
      bitmap.Height() > kMaxPackedDimension) {
    throw std::invalid_argument("packed pictures hold 1 to 8192 pixels in each direction");
  }
  const std::vector<uint8_t> plain(bitmap.Data(), bitmap.Data() + bitmap.SizeBytes());
  std::vector<uint8_t> best;
  for (bool delta : {false, true}) {
    if (delta && !options.delta) continue;
    const std::vector<uint8_t> pixels = delta ? DeltaEncode(plain.data(), plain.size()) : plain;
    for (bool runLength : {false, true}) {
      if (runLength && !options.runLength) continue;
      const std::vector<uint8_t> stage = runLength ? RunLengthEncode(pixels) : pixels;
      const std::vector<uint8_t> compressed = LzEncode(stage);
      if (!best.empty() && kPackedHeaderSize + compressed.size() >= best.size()) continue;

      best.assign(kPackedHeaderSize, 0);
      best[2] =
          static_cast<uint8_t>((runLength ? kPackedRunLength : 0) | (delta ? kPackedDelta : 0));
      best[3] = 3;
      PutU32(best, 4, static_cast<uint32_t>(compressed.size()));
      PutU32(best, 8, runLength ? static_cast<uint32_t>(stage.size()) : 0);
      PutU16(best, 12, static_cast<uint32_t>(bitmap.Width()));
      PutU16(best, 14, static_cast<uint32_t>(bitmap.Height()));
      best.insert(best.end(), compressed.begin(), compressed.end());
    }
  }
  return best;
}

}  // namespace tolven::tools
