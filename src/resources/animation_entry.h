#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tolven {

// An animation entry of the animation archives: a header, five frame arrays, JPEG frames and
// an optional byte-coded WADY sound, every offset counted from the entry's start.
inline constexpr uint32_t kAnimationHeaderBytes = 24;
// Each frame takes a kind, an x and a y offset (16 bits each), a data offset and a data size
// (32 bits each) in the five arrays.
inline constexpr uint32_t kAnimationFrameBytes = 14;
// A sound larger than this streams as looping music; a smaller one plays once as an effect.
inline constexpr uint32_t kLargestEmbeddedEffect = 3999999;

enum class AnimationFrameKind : int16_t {
  Key = 0,      // a whole picture at the animation's origin
  Partial = 1,  // a picture at the origin plus the frame's offsets, over what was drawn before
  CatchUp = 2,  // nothing when on time; after skipped frames a key frame is drawn again
};

struct AnimationFrame {
  int16_t kind = 0;  // an AnimationFrameKind; other values draw nothing
  int16_t x = 0;
  int16_t y = 0;
  uint32_t offset = 0;  // of the frame's JPEG data
  uint32_t size = 0;
};

struct AnimationEntry {
  uint32_t period = 0;  // milliseconds per frame
  uint32_t width = 0;   // the stored frame size, which only the doubled form uses
  uint32_t height = 0;
  uint32_t soundSize = 0;  // 0: no sound
  uint32_t soundOffset = 0;
  std::vector<AnimationFrame> frames;
};

// The header's frame count from the entry's first bytes; nothing when they are too few.
std::optional<uint32_t> AnimationFrameCount(std::span<const uint8_t> bytes);
// How many bytes the header and the frame arrays of that many frames take.
uint64_t AnimationTableBytes(uint32_t frameCount);

// Reads the header and the frame arrays (`table` holds at least those bytes of the entry) of an
// entry of `entrySize` bytes. An entry that would make the player read outside it is refused,
// with the reason: no frames, arrays or frame data past the entry's end. A sound that lies
// past the end is dropped (soundSize 0) and said in `soundFault`, so the frames still play.
std::optional<AnimationEntry> ReadAnimationEntry(std::span<const uint8_t> table, uint64_t entrySize,
                                                 std::string& why,
                                                 std::string* soundFault = nullptr);

// The header and the arrays of an entry as bytes, for the tools that build one.
std::vector<uint8_t> WriteAnimationTable(const AnimationEntry& entry);

}  // namespace tolven
