#include "graphics/blending_kernels.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace tolven::blending {
namespace {

// Each product is shifted on its own before the sum: rounding once after the sum would be
// nicer, and one too high on many bytes the games' pictures were tuned with.
uint8_t Mix(unsigned d, unsigned c, unsigned m) {
  return static_cast<uint8_t>((d * (255 - m) >> 8) + (c * m >> 8));
}

void MaskMixBytes(const uint8_t* o, const uint8_t* n, const uint8_t* m, uint8_t* out, size_t from,
                  size_t bytes) {
  for (size_t i = from; i < bytes; ++i) out[i] = Mix(o[i], n[i], m[i]);
}

void WeightedMixBytes(const uint8_t* f, const uint8_t* s, unsigned weight, uint8_t* out,
                      size_t from, size_t bytes) {
  for (size_t i = from; i < bytes; ++i) {
    out[i] = static_cast<uint8_t>((f[i] * weight + s[i] * (256 - weight)) >> 8);
  }
}

void DarkenBytes(const uint8_t* x, unsigned factor, uint8_t* out, size_t from, size_t bytes) {
  for (size_t i = from; i < bytes; ++i) out[i] = static_cast<uint8_t>((x[i] * factor) >> 8);
}

void SaturatingAddBytes(const uint8_t* a, const uint8_t* b, uint8_t* out, size_t from,
                        size_t bytes) {
  for (size_t i = from; i < bytes; ++i) {
    out[i] = static_cast<uint8_t>(std::min(255, a[i] + b[i]));
  }
}

#if defined(__SSE2__)

__m128i Load(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

void Store(uint8_t* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Mix of sixteen bytes with a mask byte for each. A byte moved to the top of its 16-bit lane
// and multiplied keeping the high half is exactly (byte * weight) >> 8, so even and odd bytes
// are done in place without widening the registers.
__m128i MixSse2(__m128i d, __m128i c, __m128i m) {
  const __m128i low = _mm_set1_epi16(0x00FF);
  const __m128i high = _mm_set1_epi16(static_cast<int16_t>(0xFF00));
  const __m128i mEven = _mm_and_si128(m, low);
  const __m128i mOdd = _mm_srli_epi16(m, 8);
  const __m128i even =
      _mm_add_epi16(_mm_mulhi_epu16(_mm_slli_epi16(d, 8), _mm_xor_si128(mEven, low)),
                    _mm_mulhi_epu16(_mm_slli_epi16(c, 8), mEven));
  const __m128i odd =
      _mm_add_epi16(_mm_mulhi_epu16(_mm_and_si128(d, high), _mm_xor_si128(mOdd, low)),
                    _mm_mulhi_epu16(_mm_and_si128(c, high), mOdd));
  return _mm_or_si128(even, _mm_slli_epi16(odd, 8));
}

// The mix with the exact ends of the masked blend: 0 keeps the destination, 255 the colour.
__m128i MaskedMixSse2(__m128i d, __m128i c, __m128i m) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i keep = _mm_cmpeq_epi8(m, zero);
  const __m128i take = _mm_cmpeq_epi8(m, _mm_cmpeq_epi8(zero, zero));
  const __m128i mixed = _mm_andnot_si128(_mm_or_si128(keep, take), MixSse2(d, c, m));
  return _mm_or_si128(mixed, _mm_or_si128(_mm_and_si128(keep, d), _mm_and_si128(take, c)));
}

// Sixteen pixels (48 bytes, three registers) at a time: the first byte of each mask pixel is
// spread over the pixel's three bytes. Pixels 5 and 10 straddle two registers; their mask byte
// is carried over from the register before.
size_t MaskedBlendSse2(const uint8_t* d, const uint8_t* c, const uint8_t* mask, uint8_t* out,
                       size_t bytes) {
  const __m128i first0 = _mm_setr_epi8(-1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1);
  const __m128i first1 = _mm_setr_epi8(0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0);
  const __m128i first2 = _mm_setr_epi8(0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0);
  const __m128i zero = _mm_setzero_si128();
  const __m128i ones = _mm_cmpeq_epi8(zero, zero);
  size_t i = 0;
  for (; i + 48 <= bytes; i += 48) {
    const __m128i k0 = _mm_and_si128(Load(mask + i), first0);
    const __m128i k1 = _mm_and_si128(Load(mask + i + 16), first1);
    const __m128i k2 = _mm_and_si128(Load(mask + i + 32), first2);
    const __m128i m0 = _mm_or_si128(k0, _mm_or_si128(_mm_slli_si128(k0, 1), _mm_slli_si128(k0, 2)));
    const __m128i m1 =
        _mm_or_si128(_mm_or_si128(k1, _mm_or_si128(_mm_slli_si128(k1, 1), _mm_slli_si128(k1, 2))),
                     _mm_or_si128(_mm_srli_si128(k0, 15), _mm_srli_si128(k0, 14)));
    const __m128i m2 =
        _mm_or_si128(_mm_or_si128(k2, _mm_or_si128(_mm_slli_si128(k2, 1), _mm_slli_si128(k2, 2))),
                     _mm_srli_si128(k1, 14));
    // Text and sprites are mostly empty or solid: whole blocks of either are plain copies.
    const __m128i any = _mm_or_si128(m0, _mm_or_si128(m1, m2));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, zero)) == 0xFFFF) {
      if (out != d) {
        Store(out + i, Load(d + i));
        Store(out + i + 16, Load(d + i + 16));
        Store(out + i + 32, Load(d + i + 32));
      }
      continue;
    }
    const __m128i all = _mm_and_si128(m0, _mm_and_si128(m1, m2));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(all, ones)) == 0xFFFF) {
      Store(out + i, Load(c + i));
      Store(out + i + 16, Load(c + i + 16));
      Store(out + i + 32, Load(c + i + 32));
      continue;
    }
    const __m128i r0 = MaskedMixSse2(Load(d + i), Load(c + i), m0);
    const __m128i r1 = MaskedMixSse2(Load(d + i + 16), Load(c + i + 16), m1);
    const __m128i r2 = MaskedMixSse2(Load(d + i + 32), Load(c + i + 32), m2);
    Store(out + i, r0);
    Store(out + i + 16, r1);
    Store(out + i + 32, r2);
  }
  return i;
}

#endif

#if defined(__x86_64__) && defined(__GNUC__)
#define TOLVEN_BLENDING_AVX2 1

// Twice the width where the processor has it; chosen once at run time, the program itself is
// built for any x86-64.
#define TOLVEN_AVX2 __attribute__((target("avx2")))

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

TOLVEN_AVX2 __m256i Load256(const uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

TOLVEN_AVX2 void Store256(uint8_t* p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

TOLVEN_AVX2 __m256i LoadHalves(const uint8_t* low, const uint8_t* high) {
  return _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
}

// The same as MixSse2, on twice the bytes.
TOLVEN_AVX2 __m256i MixAvx2(__m256i d, __m256i c, __m256i m) {
  const __m256i low = _mm256_set1_epi16(0x00FF);
  const __m256i high = _mm256_set1_epi16(static_cast<int16_t>(0xFF00));
  const __m256i mEven = _mm256_and_si256(m, low);
  const __m256i mOdd = _mm256_srli_epi16(m, 8);
  const __m256i even =
      _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_slli_epi16(d, 8), _mm256_xor_si256(mEven, low)),
                       _mm256_mulhi_epu16(_mm256_slli_epi16(c, 8), mEven));
  const __m256i odd =
      _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_and_si256(d, high), _mm256_xor_si256(mOdd, low)),
                       _mm256_mulhi_epu16(_mm256_and_si256(c, high), mOdd));
  return _mm256_or_si256(even, _mm256_slli_epi16(odd, 8));
}

// The same as MaskedMixSse2.
TOLVEN_AVX2 __m256i MaskedMixAvx2(__m256i d, __m256i c, __m256i m) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i mixed = _mm256_blendv_epi8(MixAvx2(d, c, m), d, _mm256_cmpeq_epi8(m, zero));
  return _mm256_blendv_epi8(mixed, c, _mm256_cmpeq_epi8(m, _mm256_cmpeq_epi8(zero, zero)));
}

// 32 pixels (96 bytes) at a time. Each 16-byte half of a register begins 0, 1 or 2 bytes into a
// pixel; its mask is loaded from the start of that pixel and spread by a byte shuffle.
TOLVEN_AVX2 size_t MaskedBlendAvx2(const uint8_t* d, const uint8_t* c, const uint8_t* mask,
                                   uint8_t* out, size_t bytes) {
  // Halves that begin 0, 1 and 2 bytes into a pixel.
  const __m256i spread01 = _mm256_setr_epi8(0, 0, 0, 3, 3, 3, 6, 6, 6, 9, 9, 9, 12, 12, 12, 15, 0,
                                            0, 3, 3, 3, 6, 6, 6, 9, 9, 9, 12, 12, 12, 15, 15);
  const __m256i spread20 = _mm256_setr_epi8(0, 3, 3, 3, 6, 6, 6, 9, 9, 9, 12, 12, 12, 15, 15, 15, 0,
                                            0, 0, 3, 3, 3, 6, 6, 6, 9, 9, 9, 12, 12, 12, 15);
  const __m256i spread12 = _mm256_setr_epi8(0, 0, 3, 3, 3, 6, 6, 6, 9, 9, 9, 12, 12, 12, 15, 15, 0,
                                            3, 3, 3, 6, 6, 6, 9, 9, 9, 12, 12, 12, 15, 15, 15);
  const __m256i ones = _mm256_set1_epi8(-1);
  size_t i = 0;
  for (; i + 96 <= bytes; i += 96) {
    const uint8_t* m = mask + i;
    const __m256i m0 = _mm256_shuffle_epi8(LoadHalves(m, m + 15), spread01);
    const __m256i m1 = _mm256_shuffle_epi8(LoadHalves(m + 30, m + 48), spread20);
    const __m256i m2 = _mm256_shuffle_epi8(LoadHalves(m + 63, m + 78), spread12);
    const __m256i any = _mm256_or_si256(m0, _mm256_or_si256(m1, m2));
    if (_mm256_testz_si256(any, any)) {
      if (out != d) {
        Store256(out + i, Load256(d + i));
        Store256(out + i + 32, Load256(d + i + 32));
        Store256(out + i + 64, Load256(d + i + 64));
      }
      continue;
    }
    if (_mm256_testc_si256(_mm256_and_si256(m0, _mm256_and_si256(m1, m2)), ones)) {
      Store256(out + i, Load256(c + i));
      Store256(out + i + 32, Load256(c + i + 32));
      Store256(out + i + 64, Load256(c + i + 64));
      continue;
    }
    const __m256i r0 = MaskedMixAvx2(Load256(d + i), Load256(c + i), m0);
    const __m256i r1 = MaskedMixAvx2(Load256(d + i + 32), Load256(c + i + 32), m1);
    const __m256i r2 = MaskedMixAvx2(Load256(d + i + 64), Load256(c + i + 64), m2);
    Store256(out + i, r0);
    Store256(out + i + 32, r1);
    Store256(out + i + 64, r2);
  }
  return i;
}

TOLVEN_AVX2 size_t WeightedMixAvx2(const uint8_t* first, const uint8_t* second, unsigned weight,
                                   uint8_t* output, size_t bytes) {
  const __m256i a = _mm256_set1_epi16(static_cast<int16_t>(weight));
  const __m256i b = _mm256_set1_epi16(static_cast<int16_t>(256 - weight));
  const __m256i zero = _mm256_setzero_si256();
  size_t i = 0;
  for (; i + 32 <= bytes; i += 32) {
    const __m256i f = Load256(first + i);
    const __m256i s = Load256(second + i);
    const __m256i lo = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(f, zero), a),
                                        _mm256_mullo_epi16(_mm256_unpacklo_epi8(s, zero), b));
    const __m256i hi = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(f, zero), a),
                                        _mm256_mullo_epi16(_mm256_unpackhi_epi8(s, zero), b));
    Store256(output + i, _mm256_packus_epi16(_mm256_srli_epi16(lo, 8), _mm256_srli_epi16(hi, 8)));
  }
  return i;
}

#endif

}  // namespace

size_t MaskedBlendFast(const uint8_t* destination, const uint8_t* colour, const uint8_t* mask,
                       uint8_t* output, size_t bytes) {
#if defined(__SSE2__)
  size_t done = 0;
#if defined(TOLVEN_BLENDING_AVX2)
  if (HasAvx2()) done = MaskedBlendAvx2(destination, colour, mask, output, bytes);
#endif
  return done + MaskedBlendSse2(destination + done, colour + done, mask + done, output + done,
                                bytes - done);
#else
  (void)destination, (void)colour, (void)mask, (void)output, (void)bytes;
  return 0;
#endif
}

void MaskedBlendTail(const uint8_t* destination, const uint8_t* colour, const uint8_t* mask,
                     uint8_t* output, size_t from, size_t bytes) {
  for (size_t pixel = from; pixel < bytes; pixel += 3) {
    const unsigned m = mask[pixel];
    const size_t end = std::min(pixel + 3, bytes);
    for (size_t i = pixel; i < end; ++i) {
      output[i] = m == 0     ? destination[i]
                  : m == 255 ? colour[i]
                             : Mix(destination[i], colour[i], m);
    }
  }
}

void MaskMixRun(const uint8_t* oldBytes, const uint8_t* newBytes, const uint8_t* mask,
                uint8_t* output, size_t bytes) {
  size_t i = 0;
#if defined(__SSE2__)
  // The sum never passes 254, so the cap at 255 of the formula costs nothing here.
  for (; i + 16 <= bytes; i += 16) {
    Store(output + i, MixSse2(Load(oldBytes + i), Load(newBytes + i), Load(mask + i)));
  }
#endif
  MaskMixBytes(oldBytes, newBytes, mask, output, i, bytes);
}

void WeightedMixRun(const uint8_t* first, const uint8_t* second, unsigned weight, uint8_t* output,
                    size_t bytes) {
  size_t i = 0;
#if defined(TOLVEN_BLENDING_AVX2)
  if (HasAvx2()) i = WeightedMixAvx2(first, second, weight, output, bytes);
#endif
#if defined(__SSE2__)
  // f * a + s * (256 - a) is at most 255 * 256, so the sum fits an unsigned 16-bit lane.
  const __m128i a = _mm_set1_epi16(static_cast<int16_t>(weight));
  const __m128i b = _mm_set1_epi16(static_cast<int16_t>(256 - weight));
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= bytes; i += 16) {
    const __m128i f = Load(first + i);
    const __m128i s = Load(second + i);
    const __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(f, zero), a),
                                     _mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), b));
    const __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(f, zero), a),
                                     _mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), b));
    Store(output + i, _mm_packus_epi16(_mm_srli_epi16(lo, 8), _mm_srli_epi16(hi, 8)));
  }
#endif
  WeightedMixBytes(first, second, weight, output, i, bytes);
}

void DarkenRun(const uint8_t* source, unsigned factor, uint8_t* output, size_t bytes) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i v = _mm_set1_epi16(static_cast<int16_t>(factor));
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= bytes; i += 16) {
    const __m128i x = Load(source + i);
    const __m128i lo = _mm_mullo_epi16(_mm_unpacklo_epi8(x, zero), v);
    const __m128i hi = _mm_mullo_epi16(_mm_unpackhi_epi8(x, zero), v);
    Store(output + i, _mm_packus_epi16(_mm_srli_epi16(lo, 8), _mm_srli_epi16(hi, 8)));
  }
#endif
  DarkenBytes(source, factor, output, i, bytes);
}

void SaturatingAddRun(const uint8_t* a, const uint8_t* b, uint8_t* output, size_t bytes) {
  size_t i = 0;
#if defined(__SSE2__)
  for (; i + 16 <= bytes; i += 16) {
    Store(output + i, _mm_adds_epu8(Load(a + i), Load(b + i)));
  }
#endif
  SaturatingAddBytes(a, b, output, i, bytes);
}

}  // namespace tolven::blending
