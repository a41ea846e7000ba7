#include "render/device/surface_fill.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void FillWords(std::uint32_t* words, std::size_t count, std::uint32_t value) {
  std::size_t i = 0;
#if defined(__SSE2__)
  // The plain loop stores one word at a time; four per store keeps up with memory.
  const __m128i four = _mm_set1_epi32(static_cast<int>(value));
  for (; i + 4 <= count; i += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(words + i), four);
#endif
  std::fill(words + i, words + count, value);
}

void FillDepths(float* depths, std::size_t count, float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  static_assert(sizeof(float) == sizeof(std::uint32_t));
  FillWords(reinterpret_cast<std::uint32_t*>(depths), count, bits);
}
