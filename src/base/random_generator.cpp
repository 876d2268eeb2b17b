#include "base/random_generator.h"

namespace tolven {

int RandomGenerator::Next() {
  // The classic linear congruential step; only the well-mixed middle bits are handed out.
  state_ = state_ * 214013u + 2531011u;
  return static_cast<int>((state_ >> 16) & 0x7FFFu);
}

}  // namespace tolven
