#include "ui/number_text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>

namespace {

std::string TrimZeros(std::string mantissa) {
  if (mantissa.find('.') == std::string::npos) return mantissa;
  while (!mantissa.empty() && mantissa.back() == '0') mantissa.pop_back();
  if (!mantissa.empty() && mantissa.back() == '.') mantissa.pop_back();
  return mantissa;
}

std::string WithSeparator(std::string text, const RegionalFormat& format) {
  const auto dot = text.find('.');
  if (dot != std::string::npos) text.replace(dot, 1, format.decimalSeparator);
  return text;
}

}  // namespace

std::string FormatGeneral(double value, const RegionalFormat& format) {
  if (value == 0) return "0";  // also -0
  if (!std::isfinite(value)) return std::isnan(value) ? "NaN" : (value > 0 ? "Infinity" : "-Infinity");
  const double magnitude = std::fabs(value);
  char buffer[64];
  // Round to 15 significant digits first, then decide the notation on the rounded value.
  std::snprintf(buffer, sizeof buffer, "%.14e", value);
  const double rounded = std::strtod(buffer, nullptr);
  const double roundedMagnitude = std::fabs(rounded);
  if (roundedMagnitude >= 1e15 || magnitude < 1e-4) {
    std::string text(buffer);
    const auto e = text.find('e');
    std::string mantissa = TrimZeros(text.substr(0, e));
    const int exponent = std::atoi(text.c_str() + e + 1);
    std::snprintf(buffer, sizeof buffer, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return WithSeparator(mantissa, format) + buffer;
  }
  const int integerDigits = roundedMagnitude >= 1 ? static_cast<int>(std::floor(std::log10(roundedMagnitude))) + 1 : 0;
  const int decimals = std::max(0, 15 - integerDigits);
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return WithSeparator(TrimZeros(buffer), format);
}

std::string FormatZeroPadded(double value, int digits) {
  // + 0.0 turns a -0 (from -0.4, say) into 0, which printf would write as "-000".
  const double whole = std::round(value) + 0.0;
  // Sized to the number: a radius of 300 digits must not lose its last ones.
  const char* pattern = whole < 0 ? "-%0*.0f" : "%0*.0f";
  const int length = std::snprintf(nullptr, 0, pattern, digits, std::fabs(whole));
  std::string text(static_cast<std::size_t>(std::max(length, 0)), '\0');
  std::snprintf(text.data(), text.size() + 1, pattern, digits, std::fabs(whole));
  return text;
}

std::optional<double> ParseNumber(const std::string& text, const RegionalFormat& format) {
  std::string normal;
  std::size_t i = 0;
  while (i < text.size()) {
    if (!format.decimalSeparator.empty() && text.compare(i, format.decimalSeparator.size(), format.decimalSeparator) == 0) {
      normal += '.';
      i += format.decimalSeparator.size();
    } else {
      normal += text[i++];
    }
  }
  const auto first = normal.find_first_not_of(" \t");
  if (first == std::string::npos) return std::nullopt;
  const auto last = normal.find_last_not_of(" \t");
  normal = normal.substr(first, last - first + 1);
  for (char c : normal) {
    const bool allowed = (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
    if (!allowed) return std::nullopt;
  }
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(normal.c_str(), &end);
  if (end == normal.c_str() || *end != '\0' || errno == ERANGE || !std::isfinite(value)) return std::nullopt;
  return value;
}

double RoundHalfEven(double value) { return std::nearbyint(value); }
