#pragma once
// The units a station map measures distances in for its operator: kilometres, statute miles,
// nautical miles. Map radii and side files stay in kilometres whatever the unit.
#include <optional>
#include <string_view>

enum class DistanceUnit { Kilometre, StatuteMile, NauticalMile };

inline constexpr double kKmPerStatuteMile = 1.609344;
inline constexpr double kKmPerNauticalMile = 1.852;

double KilometresPer(DistanceUnit unit);
// "km", "mi", "nm": what maps print after a distance, and how operators name the unit.
const char* UnitSymbol(DistanceUnit unit);
// "kilometres", "statute miles", "nautical miles".
const char* UnitName(DistanceUnit unit);
// The unit of a symbol as UnitSymbol writes it, in either case; nothing for any other text.
std::optional<DistanceUnit> DistanceUnitOf(std::string_view symbol);
