#pragma once
// Maidenhead locators: fields AA..RR, squares 00..99, subsquares aa..xx, then digit and
// letter pairs again; 2, 4, 6, 8 or 10 characters, letters in either case.
#include <optional>
#include <string>
#include <string_view>

#include "geo/geo_point.h"

// The centre of the locator's square, or nothing with the reason in `problem`.
std::optional<GeoPoint> LocatorCentre(std::string_view locator, std::string* problem);
