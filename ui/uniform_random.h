#pragma once
#include <cstdint>

// The program's one pseudo-random generator: uniform numbers in [0, 1) from a fixed seed,
// never reseeded, so a fresh run draws the same sequence and a map redraw is reproducible.
class UniformRandom {
 public:
  static constexpr std::uint64_t kSeed = 0x5EEDBA5E0F5EEDULL;
  explicit UniformRandom(std::uint64_t seed = kSeed) : state_(seed) {}

  // xorshift64*: fast enough to draw two numbers per ring point of the redraw.
  double Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    const std::uint64_t bits = state_ * 0x2545F4914F6CDD1DULL;
    return static_cast<double>(bits >> 11) * (1.0 / 9007199254740992.0);
  }

 private:
  std::uint64_t state_;
};
