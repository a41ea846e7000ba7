#pragma once
// Which of an equirectangular picture's rows are decoded, and at which scale: the full
// picture's detail unless it holds far more pixels than the map can show, then a half, a
// quarter, an eighth or less of it, as the decoder's scaling can give.
#include <cstdint>

// What the map needs from a picture of the full size: rows `firstRow`.. (`rowCount`, 0 for
// every row), and the map pixels that one turn round the Earth spans at the map's scale
// (0: the full detail).
struct PictureNeed {
  int firstRow = 0;
  int rowCount = 0;
  double mapPixelsPerTurn = 0;
};

struct DecodePlan {
  int scaleDenominator = 1;  // 1, 2, 4, 8, ...
  // All at the decoded scale.
  int width = 0;
  int fullHeight = 0;
  int firstRow = 0;
  int rowCount = 0;
  std::int64_t Pixels() const { return static_cast<std::int64_t>(width) * rowCount; }
};

// Below this many pixels in the rows needed a picture is always decoded whole, exactly as
// stored: the shipped 2048 x 1024 picture among them.
inline constexpr std::int64_t kReduceAbovePixels = std::int64_t{16} << 20;
// The most pixels decoded at once (4 GiB of them).
inline constexpr std::int64_t kMaxDecodedPixels = std::int64_t{1} << 30;

// The plan for a picture of `width` x `height`. `largestDenominator` is what the decoder can
// scale down by (1: not at all); a scale is taken only when it divides both sides evenly and
// still leaves two picture pixels for every map pixel.
DecodePlan PlanDecode(int width, int height, const PictureNeed& need, int largestDenominator);
