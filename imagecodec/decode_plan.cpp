#include "imagecodec/decode_plan.h"

#include <algorithm>

DecodePlan PlanDecode(int width, int height, const PictureNeed& need, int largestDenominator) {
  const int first = std::clamp(need.firstRow, 0, height);
  const int count = need.rowCount > 0 ? std::min(need.rowCount, height - first) : height - first;
  int denominator = 1;
  if (need.mapPixelsPerTurn > 0 && static_cast<std::int64_t>(width) * count > kReduceAbovePixels) {
    for (int d = 2; d <= largestDenominator; d *= 2) {
      if (width % d != 0 || height % d != 0 || width / d < 2 * need.mapPixelsPerTurn) break;
      denominator = d;
    }
  }
  DecodePlan plan;
  plan.scaleDenominator = denominator;
  plan.width = width / denominator;
  plan.fullHeight = height / denominator;
  plan.firstRow = first / denominator;
  // Every scaled row that holds any of the rows needed.
  plan.rowCount = (first + count + denominator - 1) / denominator - plan.firstRow;
  return plan;
}
