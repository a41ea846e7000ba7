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

// The column limit a sloped edge (a != 0) sets from row `firstRow` on, and how it changes from
// one row to the next: the first covered column when a > 0 (a lower limit), the last when a < 0
// (an upper limit). Both are kept as a floor with its remainder.
struct EdgeColumnLimit {
  bool isLowerLimit;
  std::int64_t divisor;
  FloorDivision first;
  FloorDivision step;
};

inline EdgeColumnLimit MakeColumnLimit(const EdgeFunction& edge, int firstRow) {
  // Lower limit: i >= -(b j + c) / a rounded up, which is floor((-(b j + c) + a - 1) / a).
  // Upper limit: i <= (b j + c) / -a, rounded down.
  EdgeColumnLimit limit;
  limit.isLowerLimit = edge.a > 0;
  limit.divisor = limit.isLowerLimit ? edge.a : -edge.a;
  const std::int64_t sign = limit.isLowerLimit ? -1 : 1;
  const std::int64_t roundUp = limit.isLowerLimit ? limit.divisor - 1 : 0;
  limit.first = DivideFloor(sign * (edge.b * firstRow + edge.c) + roundUp, limit.divisor);
  limit.step = DivideFloor(sign * edge.b, limit.divisor);
  return limit;
}

// Four column limits stepped together, row by row, exactly: slots kLower and kSecondLower are
// lower limits (a row's first covered column is at least both), the other two upper ones. A
// triangle has a sloped edge on either side and a third one, sloped or not; a slot left over
// holds a limit that stays put. Stepped without a branch: whether a remainder carries follows an
// edge's slope irregularly, and mispredicting it costs more than a thin triangle's row of pixels.
using Int64Lanes = std::int64_t __attribute__((vector_size(32)));

class ColumnLimits {
 public:
  enum Slot { kLower, kSecondLower, kUpper, kSecondUpper };

  // A limit that stays at `column` on every row.
  void SetFixed(Slot slot, std::int64_t column) {
    limit_[slot] = column;
    remainder_[slot] = 0;
    stepPlusOne_[slot] = 1;
    remainderStep_[slot] = -1;
    divisor_[slot] = 1;
  }

  void Set(Slot slot, const EdgeColumnLimit& edge) {
    limit_[slot] = edge.first.quotient;
    remainder_[slot] = edge.first.remainder;
    stepPlusOne_[slot] = edge.step.quotient + 1;
    remainderStep_[slot] = edge.step.remainder - edge.divisor;
    divisor_[slot] = edge.divisor;
  }

  std::int64_t Lower() const {
    return limit_[kLower] > limit_[kSecondLower] ? limit_[kLower] : limit_[kSecondLower];
  }
  std::int64_t Upper() const {
    return limit_[kUpper] < limit_[kSecondUpper] ? limit_[kUpper] : limit_[kSecondUpper];
  }

  // remainder + step remainder - divisor lies in [-divisor, divisor): below zero nothing
  // carries and the divisor goes back on; from zero up the quotient takes one more.
  [[gnu::always_inline]] void NextRow() {
    const Int64Lanes sum = remainder_ + remainderStep_;
    const Int64Lanes noCarry = sum < 0;  // -1 or 0 in each slot
    remainder_ = sum + (noCarry & divisor_);
    limit_ += stepPlusOne_ + noCarry;
  }

 private:
  Int64Lanes limit_{};
  Int64Lanes remainder_{};
  Int64Lanes stepPlusOne_{};
  Int64Lanes remainderStep_{};
  Int64Lanes divisor_{};
};
