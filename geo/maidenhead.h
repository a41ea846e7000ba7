#pragma once
// Maidenhead locators: fields AA..RR, squares 00..99, subsquares aa..xx, then digit and
// letter pairs again; 2, 4, 6, 8 or 10 characters, letters in either case. Each pair divides
// the one before it: a field is 20 x 10 degrees, a square 2 x 1, a subsquare 5' x 2.5', an
// extended square 30" x 15", an extended subsquare 1.25" x 0.625".
#include <optional>
#include <string>
#include <string_view>

#include "geo/geo_point.h"

// The centre of the locator's square, or nothing with the reason in `problem`.
std::optional<GeoPoint> LocatorCentre(std::string_view locator, std::string* problem);

// The locator of `characters` characters (2, 4, 6, 8 or 10; others are brought to the nearest
// of these) whose square holds the place, written as operators write them: "JO62qm45ab".
// Squares hold their southern and western edges; the north pole lies in the top row, and
// longitude 180 is -180. Empty for a place that is not finite.
std::string LocatorOf(const GeoPoint& place, int characters);
