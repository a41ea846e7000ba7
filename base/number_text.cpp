#include "base/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

std::string TrimZeros(std::string mantissa) {
  if (mantissa.find('.') == std::string::npos) return mantissa;
  while (!mantissa.empty() && mantissa.back() == '0') mantissa.pop_back();
  if (!mantissa.empty() && mantissa.back() == '.') mantissa.pop_back();
  return mantissa;
}

std::string ToChars(double value, std::chars_format form, int precision) {
  char buffer[400];  // a fixed 1e308 with its decimals still fits
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, form, precision);
  return std::string(buffer, result.ptr);
}

}  // namespace

std::string FormatGeneral(double value) {
  if (value == 0) return "0";  // also -0
  if (!std::isfinite(value)) return std::isnan(value) ? "NaN" : (value > 0 ? "Infinity" : "-Infinity");
  // Round to 15 significant digits first, then decide the notation on the rounded value.
  const std::string scientific = ToChars(value, std::chars_format::scientific, 14);
  const auto e = scientific.find('e');
  double rounded = 0;
  std::from_chars(scientific.data(), scientific.data() + scientific.size(), rounded);
  const double roundedMagnitude = std::fabs(rounded);
  if (roundedMagnitude >= 1e15 || std::fabs(value) < 1e-4) {
    const int exponent = std::atoi(scientific.c_str() + e + 1);
    const std::string digits = std::to_string(std::abs(exponent));
    return TrimZeros(scientific.substr(0, e)) + "E" + (exponent < 0 ? "-" : "+") +
           (digits.size() < 2 ? "0" : "") + digits;
  }
  const int integerDigits =
      roundedMagnitude >= 1 ? static_cast<int>(std::floor(std::log10(roundedMagnitude))) + 1 : 0;
  const int decimals = std::max(0, 15 - integerDigits);
  return TrimZeros(ToChars(value, std::chars_format::fixed, decimals));
}

std::string FormatZeroPadded(double value, int digits) {
  // + 0.0 turns a -0 (from -0.4, say) into 0, which would be written as "-000".
  const double whole = std::round(value) + 0.0;
  // Sized to the number: a radius of 300 digits must not lose its last ones.
  std::string text = ToChars(std::fabs(whole), std::chars_format::fixed, 0);
  if (static_cast<int>(text.size()) < digits)
    text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
  return whole < 0 ? "-" + text : text;
}

std::string FormatFixed(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  const double rounded = std::round(value * scale) / scale + 0.0;  // + 0.0: no "-0.0"
  return ToChars(rounded, std::chars_format::fixed, decimals);
}

std::optional<double> ParseNumber(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::nullopt;
  const auto last = text.find_last_not_of(" \t");
  std::string normal = text.substr(first, last - first + 1);
  if (std::count(normal.begin(), normal.end(), ',') == 1 && normal.find('.') == std::string::npos) {
    normal[normal.find(',')] = '.';
  }
  for (char c : normal) {
    const bool allowed = (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
    if (!allowed) return std::nullopt;
  }
  const char* begin = normal.data();
  const char* end = normal.data() + normal.size();
  if (begin != end && *begin == '+') {
    ++begin;
    if (begin == end || *begin == '-') return std::nullopt;
  }
  double value = 0;
  const auto result = std::from_chars(begin, end, value);
  if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

double RoundHalfEven(double value) { return std::nearbyint(value); }
