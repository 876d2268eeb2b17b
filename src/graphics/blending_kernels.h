#pragma once

#include <cstddef>
#include <cstdint>

// The row loops behind the blending primitives: each gives exactly the formula of its primitive
// for any length and any alignment, using vector instructions where the processor has them.
// Weights and factors are already within 0-256.
namespace tolven::blending {

// Blends whole blocks of pixels from the start of the run and returns how many bytes it did
// (a whole number of pixels); MaskedBlendTail finishes the run from there.
size_t MaskedBlendFast(const uint8_t* destination, const uint8_t* colour, const uint8_t* mask,
                       uint8_t* output, size_t bytes);
void MaskedBlendTail(const uint8_t* destination, const uint8_t* colour, const uint8_t* mask,
                     uint8_t* output, size_t from, size_t bytes);

void MaskMixRun(const uint8_t* oldBytes, const uint8_t* newBytes, const uint8_t* mask,
                uint8_t* output, size_t bytes);
void WeightedMixRun(const uint8_t* first, const uint8_t* second, unsigned weight, uint8_t* output,
                    size_t bytes);
void DarkenRun(const uint8_t* source, unsigned factor, uint8_t* output, size_t bytes);
void SaturatingAddRun(const uint8_t* a, const uint8_t* b, uint8_t* output, size_t bytes);

}  // namespace tolven::blending
