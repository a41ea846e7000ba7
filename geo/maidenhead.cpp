#include "geo/maidenhead.h"

#include <dlfcn.h>
#include <hamlib/rig.h>
#include <hamlib/rotator.h>

#include <cctype>

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

// Hamlib is loaded when the first locator is read, not at start: its libraries' set-up costs
// a map that needs no locator several milliseconds.
struct HamlibLocators {
  decltype(&locator2longlat) locatorToLongLat = nullptr;
  std::string missing;  // why it could not be loaded
};

const HamlibLocators& Hamlib() {
  static const HamlibLocators hamlib = [] {
    HamlibLocators loaded;
    void* library = ::dlopen("libhamlib.so.4", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      loaded.missing = ::dlerror();
      return loaded;
    }
    loaded.locatorToLongLat =
        reinterpret_cast<decltype(&locator2longlat)>(::dlsym(library, "locator2longlat"));
    // Hamlib reports every call on its debug channel unless told to keep quiet.
    if (auto setDebug = reinterpret_cast<decltype(&rig_set_debug)>(::dlsym(library, "rig_set_debug"))) {
      setDebug(RIG_DEBUG_NONE);
    }
    if (loaded.locatorToLongLat == nullptr) loaded.missing = "it has no locator2longlat";
    return loaded;
  }();
  return hamlib;
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
  const HamlibLocators& hamlib = Hamlib();
  if (hamlib.locatorToLongLat == nullptr) {
    if (problem) *problem = "Hamlib, which reads locators, cannot be loaded: " + hamlib.missing;
    return std::nullopt;
  }
  const std::string text(locator);
  double lon = 0, lat = 0;
  if (hamlib.locatorToLongLat(&lon, &lat, text.c_str()) != RIG_OK) {
    if (problem) *problem = "not a Maidenhead locator";
    return std::nullopt;
  }
  return GeoPoint{lat, lon};
}
