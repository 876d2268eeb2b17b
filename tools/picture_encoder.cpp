#include "tools/picture_encoder.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "resources/packed_picture.h"

namespace tolven::tools {

namespace {

// What the LZ code forms can express.
constexpr size_t kShortMaxDistance = 32;
constexpr size_t kShortMaxLength = 4;
constexpr size_t kMidMaxDistance = 1024;
constexpr size_t kMidMaxLength = 18;
constexpr size_t kLongMaxDistance = 16384;
constexpr size_t kLongMaxLength = 4096;
constexpr size_t kMinLiteralRun = 9;
constexpr size_t kMaxLiteralRun = 40;

// Item costs in sixteenths of a bit, each counting its flag bit. Every item also pays a toll
// of two bits: decoding time goes by items more than by bytes, and on grainy photographs packed
// without delta coding this buys about a fifth more decoding speed for 2% in size; elsewhere
// it changes next to nothing.
constexpr uint32_t kBit = 16;
constexpr uint32_t kItemToll = 2 * kBit;
constexpr uint32_t kLiteralCost = 9 * kBit + kItemToll;
constexpr uint32_t kShortCost = 9 * kBit + kItemToll;
constexpr uint32_t kMidCost = 17 * kBit + kItemToll;
constexpr uint32_t kLongCost = 25 * kBit + kItemToll;
constexpr uint32_t LiteralRunCost(size_t count) {
  return (9 + 8 * count) * kBit + kItemToll;
}

// Hash chains over three-byte prefixes. Probing stops after this many candidates: longer
// chains cost far more time than the few bytes they win on real pictures.
constexpr int kHashBits = 16;
constexpr int kMaxProbes = 48;
// Each position keeps the distance back to the previous one with its hash, 0 when there is
// none in reach. Positions further back than any distance are never asked for, so a ring the
// size of the window does; two bytes an entry keep it in the first-level cache.
constexpr size_t kChainWindow = kLongMaxDistance;

// A match at least this long is taken as it is instead of weighing every shorter length and
// every start inside it; flat areas would otherwise cost time for nothing.
constexpr size_t kNiceLength = 64;

// Past a match this long, the following positions take its remainder instead of a search of
// their own until it gets shorter than this; a search there would mostly find it again.
constexpr size_t kGoodLength = 16;

// The parse is planned over blocks of this many bytes, which bounds its memory on the largest
// pictures; no item crosses a block end.
constexpr size_t kParseBlock = size_t{1} << 18;

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

// The cost of the cheapest form that copies exactly `length` bytes from `distance` back, or 0
// when none can.
uint32_t ReferenceCost(size_t distance, size_t length) {
  if (length < 2) return 0;
  if (distance <= kShortMaxDistance && length <= kShortMaxLength) return kShortCost;
  if (length < 3) return 0;
  if (distance <= kMidMaxDistance && length <= kMidMaxLength) return kMidCost;
  if (length <= 256 || length == 1024 || length == 4096) return kLongCost;
  return 0;
}

// The longest length up to `length` the long form can express.
size_t LongFormLength(size_t length) {
  if (length >= 4096) return 4096;
  if (length >= 1024) return 1024;
  return std::min<size_t>(length, 256);
}

class MatchFinder {
 public:
  MatchFinder(const uint8_t* data, size_t size)
      : data_(data), size_(size), head_(size_t{1} << kHashBits, -1), back_(kChainWindow, 0) {}

  // Makes every position before `end` available as a match source.
  void InsertUpTo(size_t end) {
    const size_t last = size_ >= 3 ? std::min(end, size_ - 2) : 0;
    for (; inserted_ < last; ++inserted_) {
      const uint32_t hash = Hash(inserted_);
      const int32_t previous = head_[hash];
      const size_t back = previous < 0 ? 0 : inserted_ - static_cast<size_t>(previous);
      back_[inserted_ & (kChainWindow - 1)] =
          static_cast<uint16_t>(back <= kLongMaxDistance ? back : 0);
      head_[hash] = static_cast<int32_t>(inserted_);
    }
    inserted_ = std::max(inserted_, end);
  }

  // Reports matches for the bytes at `pos`, no longer than `available`, as (distance, shortest,
  // longest): the lengths from shortest to longest are best copied from that distance, the
  // nearest one found for them. Returns the longest length found.
  template <typename Report>
  size_t Matches(size_t pos, size_t available, Report&& report) const {
    if (available < 2) return 0;
    const uint8_t* current = data_ + pos;
    size_t bestLength = 2;  // only longer chain matches count, their hash covers three bytes
    size_t nearest = 0;
    if (available >= 3) {
      const int32_t head = head_[Hash(pos)];
      size_t candidate = head < 0 ? pos : static_cast<size_t>(head);
      for (int probes = kMaxProbes; candidate < pos && probes > 0; --probes) {
        const size_t distance = pos - candidate;
        if (distance > kLongMaxDistance) break;
        const uint8_t* source = data_ + candidate;
        // Sources come nearest first, so only a longer match is of use.
        if (source[bestLength] == current[bestLength]) {
          const size_t length = CommonLength(source, current, available);
          if (length > bestLength) {
            if (nearest == 0) nearest = distance;
            report(distance, nearest == distance ? 2 : bestLength + 1, length);
            bestLength = length;
            if (length == available) break;
          }
        }
        const size_t back = back_[candidate & (kChainWindow - 1)];
        if (back == 0) break;
        candidate -= back;
      }
    }
    if (nearest != 0 && nearest <= kShortMaxDistance) return bestLength;
    // Without a longer match that close, a two-byte match can still pay in the one-byte form.
    const size_t reach = std::min(pos, kShortMaxDistance);
    const uint16_t pair = Pair(current);
    for (size_t distance = 1; distance <= reach; ++distance) {
      if (Pair(current - distance) == pair) {
        report(distance, 2, 2);
        return nearest == 0 ? 2 : bestLength;
      }
    }
    return nearest == 0 ? 0 : bestLength;
  }

 private:
  static uint16_t Pair(const uint8_t* p) {
    uint16_t pair;
    std::memcpy(&pair, p, 2);
    return pair;
  }

  uint32_t Hash(size_t pos) const {
    const uint32_t key = data_[pos] | (data_[pos + 1] << 8) | (data_[pos + 2] << 16);
    return (key * 2654435761u) >> (32 - kHashBits);
  }

  const uint8_t* data_;
  size_t size_;
  std::vector<int32_t> head_;
  std::vector<uint16_t> back_;
  size_t inserted_ = 0;
};

// Writes LZ items, opening a flag byte for each group of eight.
class LzWriter {
 public:
  explicit LzWriter(std::vector<uint8_t>& out) : out_(out) {}

  void Literal(uint8_t byte) {
    Item(false);
    out_.push_back(byte);
  }

  void LiteralRun(const uint8_t* bytes, size_t count) {
    Item(true);
    out_.push_back(static_cast<uint8_t>(((count - kMinLiteralRun) << 2) | 3));
    out_.insert(out_.end(), bytes, bytes + count);
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

// The way the cheapest parse reaches a position: the item ending there.
struct Step {
  uint16_t length = 0;
  uint16_t distance = 0;  // 0: literal (1 byte) or literal run
};

// The cheapest literal run ending at each position. A run costs a fixed part plus 8 bits a
// byte, so the best start for a run ending at j is the one with the least cost - 8 bits * start
// among j - 40 to j - 9: a queue of starts whose keys rise from front to back yields it at
// once instead of weighing 32 run lengths from every position.
class LiteralRunStarts {
 public:
  void Add(size_t start, uint32_t cost) {
    const int64_t key = int64_t{cost} - int64_t{8 * kBit} * static_cast<int64_t>(start);
    while (size_ > 0 && At(size_ - 1).key >= key) --size_;
    At(size_++) = {start, key};
  }

  // The best start for a run ending at `end`, or SIZE_MAX when no run can end there.
  size_t Best(size_t end) {
    while (size_ > 0 && At(0).start + kMaxLiteralRun < end) {
      front_ = (front_ + 1) % kCapacity;
      --size_;
    }
    return size_ > 0 && At(0).start + kMinLiteralRun <= end ? At(0).start : SIZE_MAX;
  }

 private:
  struct Entry {
    size_t start;
    int64_t key;
  };
  static constexpr size_t kCapacity = 64;  // above the 32 starts a window holds

  Entry& At(size_t index) { return entries_[(front_ + index) % kCapacity]; }

  Entry entries_[kCapacity] = {};
  size_t front_ = 0;
  size_t size_ = 0;
};

// Finds the cheapest sequence of items for each block by walking it once from the front,
// relaxing the cost of every position each item could end at. Item costs are exact, so
// literal runs, single literals and the three reference forms are weighed against each other
// as they will really be written.
std::vector<uint8_t> LzEncode(const std::vector<uint8_t>& input) {
  std::vector<uint8_t> out;
  out.reserve(input.size() / 2 + 64);
  LzWriter writer(out);
  MatchFinder finder(input.data(), input.size());
  std::vector<uint32_t> cost;
  std::vector<Step> steps;
  std::vector<Step> path;
  for (size_t blockStart = 0; blockStart < input.size(); blockStart += kParseBlock) {
    const size_t blockSize = std::min(kParseBlock, input.size() - blockStart);
    cost.assign(blockSize + 1, UINT32_MAX);
    steps.assign(blockSize + 1, Step{});
    cost[0] = 0;
    auto relax = [&](size_t to, uint32_t value, size_t length, size_t distance) {
      if (value < cost[to]) {
        cost[to] = value;
        steps[to] = {static_cast<uint16_t>(length), static_cast<uint16_t>(distance)};
      }
    };
    LiteralRunStarts runStarts;
    size_t runStartsAdded = 0;
    size_t goodEnd = 0;
    size_t goodDistance = 0;
    for (size_t i = 0;;) {
      // Every position before i is settled, so runs ending here can be weighed now.
      for (; runStartsAdded + kMinLiteralRun <= i; ++runStartsAdded) {
        // Positions inside a long match taken whole may never have been reached.
        if (cost[runStartsAdded] != UINT32_MAX) runStarts.Add(runStartsAdded, cost[runStartsAdded]);
      }
      const size_t runStart = runStarts.Best(i);
      if (runStart != SIZE_MAX) {
        relax(i, cost[runStart] + LiteralRunCost(i - runStart), i - runStart, 0);
      }
      if (i == blockSize) break;

      const size_t left = blockSize - i;
      const uint32_t here = cost[i];
      relax(i + 1, here + kLiteralCost, 1, 0);
      size_t longestDistance = 0;
      auto weigh = [&](size_t distance, size_t shortest, size_t longest) {
        for (size_t n = shortest; n <= std::min(longest, kNiceLength); ++n) {
          const uint32_t itemCost = ReferenceCost(distance, n);
          if (itemCost != 0) relax(i + n, here + itemCost, n, distance);
        }
        if (longest > 2) longestDistance = distance;
      };
      size_t longest;
      if (goodEnd >= i + kGoodLength) {
        // Still well inside a good match: its remainder stands in for a search.
        longest = goodEnd - i;
        weigh(goodDistance, 2, longest);
      } else {
        finder.InsertUpTo(blockStart + i);
        longest = finder.Matches(blockStart + i, std::min(left, kLongMaxLength), weigh);
        if (longest >= kGoodLength) {
          goodEnd = i + longest;
          goodDistance = longestDistance;
        }
      }
      if (longest >= kNiceLength) {
        const size_t length = LongFormLength(longest);
        relax(i + length, here + kLongCost, length, longestDistance);
        i += length;
      } else {
        ++i;
      }
    }

    path.clear();
    for (size_t pos = blockSize; pos > 0; pos -= steps[pos].length) path.push_back(steps[pos]);
    const uint8_t* bytes = input.data() + blockStart;
    for (auto step = path.rbegin(); step != path.rend(); ++step) {
      if (step->distance != 0) {
        writer.Reference(step->distance, step->length);
      } else if (step->length == 1) {
        writer.Literal(*bytes);
      } else {
        writer.LiteralRun(bytes, step->length);
      }
      bytes += step->length;
    }
  }
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
    int64_t bestSaving = 0;
    for (size_t unit = 1; unit <= 4 && pos + 2 * unit <= size; ++unit) {
      if (input[pos] != input[pos + unit]) continue;  // the common case, decided cheaply
      const size_t limit = std::min(size - pos - unit, (kMaxRunCount - 1) * unit);
      const size_t count = (unit + CommonLength(&input[pos], &input[pos + unit], limit)) / unit;
      // A run costs its control, count and pattern bytes; demand a real win over literals.
      const int64_t saving = static_cast<int64_t>(count * unit) - static_cast<int64_t>(unit + 2);
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
      // Run-length data that found too few runs to pay for its control bytes leaves the LZ
      // stage the same redundancy plus those bytes; it is not worth the LZ pass to confirm.
      if (runLength && stage.size() >= pixels.size()) continue;
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
