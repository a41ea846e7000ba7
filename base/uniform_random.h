#pragma once
#include <cstdint>

// The program's one pseudo-random generator: uniform numbers in [0, 1) from a fixed seed,
// never reseeded, so a fresh run draws the same sequence and a map redraw is reproducible.
// A permuted linear congruential generator (PCG XSH RR 64/32): cheap enough to draw two
// numbers per ring point of the redraw, and able to skip any number of draws in constant
// time, so work whose draws would be wasted can be skipped without changing the sequence.
class UniformRandom {
 public:
  static constexpr std::uint64_t kSeed = 0x5EEDBA5E0F5EEDULL;
  static constexpr std::uint64_t kMultiplier = 6364136223846793005ULL;
  static constexpr std::uint64_t kIncrement = 1442695040888963407ULL;

  explicit UniformRandom(std::uint64_t seed = kSeed) : state_(seed) {}

  double Next() { return NextBits() * (1.0 / 4294967296.0); }

  // The 32 bits behind the next number: Next() is NextBits() / 2^32, exactly.
  std::uint32_t NextBits() {
    const std::uint64_t old = state_;
    state_ = old * kMultiplier + kIncrement;
    const auto xorShifted = static_cast<std::uint32_t>(((old >> 18U) ^ old) >> 27U);
    const auto rotation = static_cast<std::uint32_t>(old >> 59U);
    return (xorShifted >> rotation) | (xorShifted << ((32U - rotation) & 31U));
  }

  // The effect of `draws` calls of Next on the state, worked out once.
  struct Skip {
    std::uint64_t multiplier = 1;
    std::uint64_t increment = 0;
  };
  static constexpr Skip SkipOf(std::uint64_t draws) {
    Skip total;
    std::uint64_t multiplier = kMultiplier, increment = kIncrement;
    while (draws > 0) {
      if (draws & 1U) {
        total.multiplier *= multiplier;
        total.increment = total.increment * multiplier + increment;
      }
      increment = (multiplier + 1) * increment;
      multiplier *= multiplier;
      draws >>= 1U;
    }
    return total;
  }
  // Leaves the generator where that many calls of Next would have left it.
  void Apply(const Skip& skip) { state_ = state_ * skip.multiplier + skip.increment; }
  void Discard(std::uint64_t draws) { Apply(SkipOf(draws)); }

 private:
  std::uint64_t state_;
};
