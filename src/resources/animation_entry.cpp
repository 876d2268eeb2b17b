#include "resources/animation_entry.h"

namespace tolven {
namespace {

uint32_t Read32(std::span<const uint8_t> bytes, uint64_t at) {
  return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
         uint32_t{bytes[at + 3]} << 24;
}

int16_t Read16(std::span<const uint8_t> bytes, uint64_t at) {
  return static_cast<int16_t>(static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8));
}

void Put32(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
}

void Put16(std::vector<uint8_t>& bytes, int16_t value) {
  const auto bits = static_cast<uint16_t>(value);
  bytes.push_back(static_cast<uint8_t>(bits));
  bytes.push_back(static_cast<uint8_t>(bits >> 8));
}

bool InsideEntry(uint64_t offset, uint64_t size, uint64_t entrySize) {
  return offset <= entrySize && size <= entrySize - offset;
}

}  // namespace

std::optional<uint32_t> AnimationFrameCount(std::span<const uint8_t> bytes) {
  if (bytes.size() < kAnimationHeaderBytes) return std::nullopt;
  return Read32(bytes, 0);
}

uint64_t AnimationTableBytes(uint32_t frameCount) {
  return kAnimationHeaderBytes + uint64_t{kAnimationFrameBytes} * frameCount;
}

std::optional<AnimationEntry> ReadAnimationEntry(std::span<const uint8_t> table, uint64_t entrySize,
                                                 std::string& why, std::string* soundFault) {
  const std::optional<uint32_t> count = AnimationFrameCount(table);
  if (!count || entrySize < kAnimationHeaderBytes) {
    why = "the entry is shorter than its header";
    return std::nullopt;
  }
  const uint32_t n = *count;
  if (n == 0) {
    why = "the entry has no frames";
    return std::nullopt;
  }
  const uint64_t tableBytes = AnimationTableBytes(n);
  if (tableBytes > entrySize || tableBytes > table.size()) {
    why = "the frame table of " + std::to_string(n) + " frames runs past the entry's end";
    return std::nullopt;
  }
  AnimationEntry entry;
  entry.period = Read32(table, 4);
  entry.width = Read32(table, 8);
  entry.height = Read32(table, 12);
  entry.soundSize = Read32(table, 16);
  entry.soundOffset = Read32(table, 20);
  entry.frames.resize(n);
  for (uint64_t i = 0; i < n; ++i) {
    AnimationFrame& frame = entry.frames[i];
    frame.kind = Read16(table, kAnimationHeaderBytes + 2 * i);
    frame.x = Read16(table, kAnimationHeaderBytes + 2 * uint64_t{n} + 2 * i);
    frame.y = Read16(table, kAnimationHeaderBytes + 4 * uint64_t{n} + 2 * i);
    frame.offset = Read32(table, kAnimationHeaderBytes + 6 * uint64_t{n} + 4 * i);
    frame.size = Read32(table, kAnimationHeaderBytes + 10 * uint64_t{n} + 4 * i);
    if (!InsideEntry(frame.offset, frame.size, entrySize)) {
      why = "frame " + std::to_string(i) + " lies past the entry's end";
      return std::nullopt;
    }
  }
  if (entry.soundSize != 0 && !InsideEntry(entry.soundOffset, entry.soundSize, entrySize)) {
    if (soundFault != nullptr) *soundFault = "the sound lies past the entry's end";
    entry.soundSize = 0;
  }
  return entry;
}

std::vector<uint8_t> WriteAnimationTable(const AnimationEntry& entry) {
  std::vector<uint8_t> bytes;
  bytes.reserve(AnimationTableBytes(static_cast<uint32_t>(entry.frames.size())));
  for (uint32_t value : {static_cast<uint32_t>(entry.frames.size()), entry.period, entry.width,
                         entry.height, entry.soundSize, entry.soundOffset}) {
    Put32(bytes, value);
  }
  for (const AnimationFrame& frame : entry.frames) Put16(bytes, frame.kind);
  for (const AnimationFrame& frame : entry.frames) Put16(bytes, frame.x);
  for (const AnimationFrame& frame : entry.frames) Put16(bytes, frame.y);
  for (const AnimationFrame& frame : entry.frames) Put32(bytes, frame.offset);
  for (const AnimationFrame& frame : entry.frames) Put32(bytes, frame.size);
  return bytes;
}

}  // namespace tolven
