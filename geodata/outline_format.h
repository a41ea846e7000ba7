#pragma once
// The layout of the outlines' prepared copy that its reader and its preparation share (the
// whole format is told in outline_image.h).
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

#include "geodata/outline_image.h"

namespace outline_format {

inline constexpr char kMagic[8] = {'S', 'K', 'R', 'W', 'O', 'U', 'T', 'L'};
inline constexpr std::uint32_t kByteOrderMark = 0x01020304;
inline constexpr std::uint32_t kVersion = 1;

struct Header {
  char magic[8];
  std::uint32_t byteOrder, version, levelCount, countryCount, ringCount, chunkCount, chunkPoints, unused;
  OutlineSourceKey key;
  std::uint64_t checksum;
};

struct Level {
  double toleranceKm;
  std::uint64_t offset, size;
};

static_assert(sizeof(OutlineSourceKey) == 32 && sizeof(Header) == 80 && sizeof(Level) == 24);
static_assert(sizeof(OutlineCountry) == 48 && sizeof(OutlineRing) == 12 &&
              sizeof(OutlineChunk) == 20 + 8 * kOutlineLevels);
static_assert(std::is_trivial_v<OutlineCountry> && std::is_trivial_v<OutlineRing> &&
              std::is_trivial_v<OutlineChunk>);

// A 64-bit hash of whole words, fast enough to check the tables at every start. Hashing a
// block in two parts gives the same as in one when the first part is whole words.
inline constexpr std::uint64_t kChecksumSeed = 0x9e3779b97f4a7c15ull;
inline std::uint64_t Checksum(std::string_view bytes, std::uint64_t hash = kChecksumSeed) {
  std::size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + at, 8);
    hash = (hash ^ word) * 0xff51afd7ed558ccdull;
    hash ^= hash >> 29;
  }
  for (; at < bytes.size(); ++at) hash = (hash ^ static_cast<unsigned char>(bytes[at])) * 0x100000001b3ull;
  return hash;
}

}  // namespace outline_format
