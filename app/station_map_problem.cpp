#include "app/station_map_problem.h"

#include "settings/station_settings.h"

namespace {

std::string FieldName(StationMapField field) {
  if (const StationMapKey* key = StationMapKeyOf(field))
    return std::string(key->name) + " in [" + kStationMapSection + "]";
  switch (field) {
    case StationMapField::Centre:
      return "the view's centre";
    case StationMapField::Radius:
      return "the view's radius";
    case StationMapField::Target:
      return "the station";
    case StationMapField::Image:
      return "the Earth picture";
    case StationMapField::NightImage:
      return "the night picture";
    case StationMapField::Units:
      return std::string(kStationMapUnitsKey) + " in [" + kStationMapSection + "]";
    case StationMapField::Out:
    case StationMapField::Size:
    case StationMapField::Rings:
    case StationMapField::Spokes:
    case StationMapField::Grid:
    case StationMapField::Time:
    case StationMapField::Countries:
    case StationMapField::Prefixes:
    case StationMapField::Fields:
    case StationMapField::Targets:
    case StationMapField::Table:
    case StationMapField::Beam:
    case StationMapField::GreylineFan:
    case StationMapField::Title:
    case StationMapField::Page:
    case StationMapField::Dpi:
      break;
  }
  return {};
}

}  // namespace

std::string StationMapProblemText(const StationMapProblem& problem) {
  const std::string name = FieldName(problem.field);
  return name.empty() ? problem.why : name + ": " + problem.why;
}
