#include "mapout/progress_text.h"

#include <cmath>
#include <cstdio>

std::string ProgressPercent(double fraction) {
  const double tenths = std::round(fraction * 1000);
  if (!std::isfinite(tenths)) return " --.- %";
  const double whole = std::trunc(tenths / 10);
  const int decimal = static_cast<int>(std::fabs(tenths - whole * 10));
  char wholeText[32];
  std::snprintf(wholeText, sizeof wholeText, "%02.0f", whole);
  return " " + std::string(wholeText) + "." + std::to_string(decimal) + " %";
}

std::string PhaseCaption(int phase, double fraction) {
  return std::to_string(phase) + "/3" + ProgressPercent(fraction);
}
