#include "calc/angle_colour.h"

#include <cmath>

double AngleOf(double p, double q) {
  if (p == 0 && q == 0) return 0;
  double r;
  if (std::fabs(q) < std::fabs(p)) {
    r = std::atan(q / p);
  } else {
    r = kHalfTurn / 2 - std::atan(p / q);
  }
  // The lifts below overlap on purpose: in the fourth quadrant with |q| < |p| two of them
  // apply and take atan's negative value round by 2 kHalfTurn.
  if (p < 0 && -q > p) r += kHalfTurn;
  if (q < 0 && p > 0) r += kHalfTurn;
  if (q < 0 && -q < p) r += kHalfTurn;
  if (p == 0 && q < 0) r += kHalfTurn;
  return r;
}
