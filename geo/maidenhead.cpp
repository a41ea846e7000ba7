#include "geo/maidenhead.h"

#include <hamlib/rig.h>
#include <hamlib/rotator.h>

#include <cctype>
#include <mutex>

namespace {

// Letters or digits, and how many of them, per pair.
constexpr int kPairRange[] = {18, 10, 24, 10, 24};
constexpr const char* kPairName[] = {"field (A to R)", "square (0 to 9)", "subsquare (a to x)",
                                     "extended square (0 to 9)", "extended subsquare (a to x)"};

// The first character out of its pair's range, named for a person; empty when all are in range.
std::string FirstBadCharacter(std::string_view locator) {
  for (std::size_t k = 0; k < locator.size(); ++k) {
    const std::size_t pair = k / 2;
    const unsigned char c = static_cast<unsigned char>(locator[k]);
    int value = -1;
    if (kPairRange[pair] == 10) {
      if (std::isdigit(c)) value = c - '0';
    } else if (std::isalpha(c)) {
      value = std::toupper(c) - 'A';
    }
    if (value < 0 || value >= kPairRange[pair]) {
      return "'" + std::string(1, locator[k]) + "' (character " + std::to_string(k + 1) + ") is not a " +
             kPairName[pair];
    }
  }
  return {};
}

}  // namespace

std::optional<GeoPoint> LocatorCentre(std::string_view locator, std::string* problem) {
  const std::size_t length = locator.size();
  if (length < 2 || length > 10 || length % 2 != 0) {
    if (problem) *problem = "a locator has 2, 4, 6, 8 or 10 characters, not " + std::to_string(length);
    return std::nullopt;
  }
  if (std::string bad = FirstBadCharacter(locator); !bad.empty()) {
    if (problem) *problem = bad;
    return std::nullopt;
  }
  // Hamlib reports every call on its debug channel unless told to keep quiet.
  static std::once_flag quiet;
  std::call_once(quiet, [] { rig_set_debug(RIG_DEBUG_NONE); });
  const std::string text(locator);
  double lon = 0, lat = 0;
  if (locator2longlat(&lon, &lat, text.c_str()) != RIG_OK) {
    if (problem) *problem = "not a Maidenhead locator";
    return std::nullopt;
  }
  return GeoPoint{lat, lon};
}
