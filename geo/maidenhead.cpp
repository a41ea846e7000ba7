#include "geo/maidenhead.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kMostPairs = 5;
// How many letters or digits each pair has.
constexpr int kPairRange[kMostPairs] = {18, 10, 24, 10, 24};
constexpr const char* kPairName[kMostPairs] = {"a field (A to R)", "a square (0 to 9)",
                                               "a subsquare (a to x)", "an extended square (0 to 9)",
                                               "an extended subsquare (a to x)"};
// Squares of the finest pair across the whole range of each coordinate: 18 * 10 * 24 * 10 * 24.
constexpr long kFinestSquares = 1036800;

// The bytes of one UTF-8 character starting at `at`: 1 to 4, or 0 when they begin no
// character (a stray continuation byte, a sequence cut short).
std::size_t Utf8Length(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  if (lead < 0x80) {
    length = 1;
  } else if (lead >= 0xC2 && lead < 0xE0) {
    length = 2;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    length = 3;
  } else if (lead >= 0xF0 && lead < 0xF5) {
    length = 4;
  }
  if (length == 0 || at + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// The text split into characters as a person counts them; a byte that begins no well-formed
// character is one of its own.
std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> characters;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = std::max<std::size_t>(Utf8Length(text, at), 1);
    characters.push_back(text.substr(at, length));
    at += length;
  }
  return characters;
}

// A character for a problem text: itself in quotes, or a byte that is no character by its value.
std::string Shown(std::string_view character) {
  if (character.size() > 1 || static_cast<unsigned char>(character[0]) < 0x80) {
    return "'" + std::string(character) + "'";
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  const auto byte = static_cast<unsigned char>(character[0]);
  return std::string("the byte 0x") + kHex[byte >> 4] + kHex[byte & 15];
}

// The value of one character of a pair, or -1 when it is out of the pair's range.
int PairValue(char c, int range) {
  int value = -1;
  if (range == 10) {
    if (c >= '0' && c <= '9') value = c - '0';
  } else if (c >= 'A' && c <= 'Z') {
    value = c - 'A';
  } else if (c >= 'a' && c <= 'z') {
    value = c - 'a';
  }
  return value < range ? value : -1;
}

// The index of the place's finest square along one coordinate, counted from the west or south.
long FinestSquare(double degreesFromEdge, double degreesAcross) {
  const double square = std::floor(degreesFromEdge * (kFinestSquares / degreesAcross));
  return std::clamp(static_cast<long>(square), 0L, kFinestSquares - 1);
}

}  // namespace

std::optional<GeoPoint> LocatorCentre(std::string_view locator, std::string* problem) {
  const std::vector<std::string_view> characters = Characters(locator);
  const std::size_t length = characters.size();
  if (length < 2 || length > 2 * kMostPairs || length % 2 != 0) {
    if (problem) *problem = "a locator has 2, 4, 6, 8 or 10 characters, not " + std::to_string(length);
    return std::nullopt;
  }
  // Squares counted from the south-west corner, and how many there are across each coordinate.
  long lonSquare = 0, latSquare = 0, squares = 1;
  for (std::size_t k = 0; k < length; ++k) {
    const int range = kPairRange[k / 2];
    const int value = characters[k].size() == 1 ? PairValue(characters[k][0], range) : -1;
    if (value < 0) {
      if (problem) {
        *problem =
            Shown(characters[k]) + " (character " + std::to_string(k + 1) + ") is not " + kPairName[k / 2];
      }
      return std::nullopt;
    }
    long& square = k % 2 == 0 ? lonSquare : latSquare;
    square = square * range + value;
    if (k % 2 == 1) squares *= range;
  }
  return GeoPoint{-90 + (latSquare + 0.5) * 180 / squares, -180 + (lonSquare + 0.5) * 360 / squares};
}

std::string LocatorOf(const GeoPoint& place, int characters) {
  if (!std::isfinite(place.lat) || !std::isfinite(place.lon)) return {};
  const int pairs = std::clamp((characters + 1) / 2, 1, kMostPairs);
  const double lon = std::remainder(place.lon, 360.0);
  long lonSquare = FinestSquare((lon == 180 ? -180 : lon) + 180, 360);
  long latSquare = FinestSquare(std::clamp(place.lat, -90.0, 90.0) + 90, 180);
  // Drop the pairs finer than asked for, then peel the rest off from the finest.
  for (int pair = kMostPairs - 1; pair >= pairs; --pair) {
    lonSquare /= kPairRange[pair];
    latSquare /= kPairRange[pair];
  }
  std::string locator(2 * pairs, ' ');
  for (int pair = pairs - 1; pair >= 0; --pair) {
    const int range = kPairRange[pair];
    const char first = range == 10 ? '0' : pair == 0 ? 'A' : 'a';
    locator[2 * pair] = static_cast<char>(first + lonSquare % range);
    locator[2 * pair + 1] = static_cast<char>(first + latSquare % range);
    lonSquare /= range;
    latSquare /= range;
  }
  return locator;
}
