#include "mapout/progress_text.h"

#include <cmath>
#include <cstdio>

std::string ProgressPercent(double fraction) {
  const double tenths = std::round(fraction * 1000);
  if (!std::isfinite(tenths)) return " --.- %";
  if (!std::signbit(tenths) && tenths < 1e9) {
    // The redraw writes one after every column: whole numbers, without the C library's
    // formatting.
    const auto whole = static_cast<unsigned>(tenths) / 10;
    const auto decimal = static_cast<unsigned>(tenths) % 10;
    std::string text = whole < 10 ? " 0" : " ";
    text += std::to_string(whole);
    text += '.';
    text += static_cast<char>('0' + decimal);
    text += " %";
    return text;
  }
  const double whole = std::trunc(tenths / 10);
  const int decimal = static_cast<int>(std::fabs(tenths - whole * 10));
  char wholeText[32];
  std::snprintf(wholeText, sizeof wholeText, "%02.0f", whole);
  return " " + std::string(wholeText) + "." + std::to_string(decimal) + " %";
}

std::string PhaseCaption(int phase, double fraction) {
  return std::to_string(phase) + "/3" + ProgressPercent(fraction);
}
