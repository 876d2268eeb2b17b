#pragma once

#include <array>
#include <cstdint>

namespace tolven {

// Sizes of the script-visible banks.
inline constexpr int kVCount = 1000;
inline constexpr int kPCount = 1000;
inline constexpr int kSCount = 1000;
inline constexpr int kGCount = 10;
inline constexpr int kIntegerBankSize = kVCount + kPCount + kSCount + kGCount;  // 3010
inline constexpr int kFBits = 1024;
inline constexpr int kEBits = 1024;
inline constexpr int kTBits = 10000;
inline constexpr int kStringRows = 20;
inline constexpr int kStringRowBytes = 32;
inline constexpr int kStringBankBytes = kStringRows * kStringRowBytes;  // 640

// Where each integer bank starts in the one contiguous integer array.
inline constexpr int kVBase = 0;
inline constexpr int kPBase = kVBase + kVCount;
inline constexpr int kSBase = kPBase + kPCount;
inline constexpr int kGBase = kSBase + kSCount;

// Everything a script can see, in one place: saving, loading and the state dump all read here.
struct ScriptState {
  std::array<int32_t, kIntegerBankSize> integers{};  // V000-V999, P000-P999, S000-S999, G0-G9
  std::array<uint8_t, kFBits / 8> F{};               // per-game flags, least significant bit first
  std::array<uint8_t, kEBits / 8> E{};               // cross-game flags (save0.dat)
  std::array<uint8_t, kTBits / 8> T{};               // per-game read marks and flags
  std::array<uint8_t, kStringBankBytes> strings{};   // 20 rows of 32 bytes, Shift-JIS, NUL-ended

  int32_t& V(int i) { return integers[kVBase + i]; }
  int32_t& P(int i) { return integers[kPBase + i]; }
  int32_t& S(int i) { return integers[kSBase + i]; }
  int32_t& G(int i) { return integers[kGBase + i]; }
  int32_t V(int i) const { return integers[kVBase + i]; }
  int32_t P(int i) const { return integers[kPBase + i]; }
  int32_t S(int i) const { return integers[kSBase + i]; }
  int32_t G(int i) const { return integers[kGBase + i]; }
};

}  // namespace tolven
