#pragma once
// Exact integer walking of triangle edges over pixel rows: which columns of each row lie on the
// inside of an edge, with the top-left rule already folded into the edge's constant.
#include <cstdint>

#include "render/pipeline/pipeline_vertex.h"

// a * i + b * j + c >= 0 for the pixel centres (i, j) on the inside of the edge.
struct EdgeFunction {
  std::int64_t a, b, c;
};

// The edge from `from` to `to` of a triangle whose inside lies to the right of its edges when y
// grows downwards. Centres exactly on the edge belong to it only when it is a top or left edge.
inline EdgeFunction MakeEdge(const ScreenVertex& from, const ScreenVertex& to) {
  const std::int64_t dx = static_cast<std::int64_t>(to.x) - from.x;
  const std::int64_t dy = static_cast<std::int64_t>(to.y) - from.y;
  const bool topOrLeft = dy < 0 || (dy == 0 && dx > 0);
  return {-dy * kSubpixelOne, dx * kSubpixelOne, dy * from.x - dx * from.y - (topOrLeft ? 0 : 1)};
}

// numerator = quotient * divisor + remainder with 0 <= remainder < divisor (divisor > 0).
struct FloorDivision {
  std::int64_t quotient, remainder;
};

inline FloorDivision DivideFloor(std::int64_t numerator, std::int64_t divisor) {
  FloorDivision result{numerator / divisor, numerator % divisor};
  if (result.remainder < 0) {
    result.remainder += divisor;
    --result.quotient;
  }
  return result;
}

// The column limit a sloped edge (a != 0) sets on successive rows, stepped exactly: the first
// covered column when a > 0, the last when a < 0. Both are kept as a floor, so a row's limit is
// read without a branch.
class EdgeColumnLimit {
 public:
  EdgeColumnLimit() = default;
  EdgeColumnLimit(const EdgeFunction& edge, int firstRow) : isLowerLimit_(edge.a > 0) {
    // Lower limit: i >= -(b j + c) / a rounded up, which is floor((-(b j + c) + a - 1) / a).
    // Upper limit: i <= (b j + c) / -a, rounded down.
    divisor_ = isLowerLimit_ ? edge.a : -edge.a;
    const std::int64_t sign = isLowerLimit_ ? -1 : 1;
    const std::int64_t roundUp = isLowerLimit_ ? divisor_ - 1 : 0;
    current_ = DivideFloor(sign * (edge.b * firstRow + edge.c) + roundUp, divisor_);
    step_ = DivideFloor(sign * edge.b, divisor_);
  }

  // A limit that stays at `column` on every row, for a side of the triangle without a sloped edge.
  static EdgeColumnLimit Fixed(bool isLowerLimit, std::int64_t column) {
    EdgeColumnLimit limit;
    limit.isLowerLimit_ = isLowerLimit;
    limit.current_ = {column, 0};
    return limit;
  }

  bool IsLowerLimit() const { return isLowerLimit_; }
  std::int64_t Limit() const { return current_.quotient; }

  // Written without a branch: whether the remainder carries follows the edge's slope
  // irregularly, and mispredicting it costs more than the row's pixels.
  void NextRow() {
    current_.remainder += step_.remainder;
    const std::int64_t carry = current_.remainder >= divisor_ ? 1 : 0;
    current_.quotient += step_.quotient + carry;
    current_.remainder -= carry * divisor_;
  }

 private:
  bool isLowerLimit_ = false;
  std::int64_t divisor_ = 1;
  FloorDivision current_{0, 0};
  FloorDivision step_{0, 0};
};
