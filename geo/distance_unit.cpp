#include "geo/distance_unit.h"

#include <array>

namespace {

struct UnitFacts {
  DistanceUnit unit;
  double km;
  const char* symbol;
  const char* name;
};

constexpr std::array<UnitFacts, 3> kUnits = {{
    {DistanceUnit::Kilometre, 1, "km", "kilometres"},
    {DistanceUnit::StatuteMile, kKmPerStatuteMile, "mi", "statute miles"},
    {DistanceUnit::NauticalMile, kKmPerNauticalMile, "nm", "nautical miles"},
}};

const UnitFacts& FactsOf(DistanceUnit unit) {
  for (const UnitFacts& facts : kUnits) {
    if (facts.unit == unit) return facts;
  }
  return kUnits[0];
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

double KilometresPer(DistanceUnit unit) { return FactsOf(unit).km; }
const char* UnitSymbol(DistanceUnit unit) { return FactsOf(unit).symbol; }
const char* UnitName(DistanceUnit unit) { return FactsOf(unit).name; }

std::optional<DistanceUnit> DistanceUnitOf(std::string_view symbol) {
  for (const UnitFacts& facts : kUnits) {
    const std::string_view own = facts.symbol;
    if (symbol.size() == own.size() && Lower(symbol[0]) == own[0] && Lower(symbol[1]) == own[1])
      return facts.unit;
  }
  return std::nullopt;
}
