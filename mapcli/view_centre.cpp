#include "mapcli/view_centre.h"

#include <cmath>

#include "base/number_text.h"
#include "settings/map_centre.h"
#include "settings/station_settings.h"
#include "settings/view_settings.h"

ViewCentre ReadViewCentre(SettingsStore& store, MessageBoxes& messages) {
  ViewValues view;
  ViewSettings(store, messages).LoadViewSettings(view);
  ApplyMapCentreRule(view);
  ViewCentre shown{GeoPoint{view.Lat, view.Long}, StationMapRadiusKm(view.Radius), {}, {}};
  const std::string stored = "the view stored in \"" + store.Location() + "\"";
  // The window keeps any whole-degree Tilt it finds, but makes no station map of a centre
  // off the Earth, nor of a radius of 0.
  if (!(std::fabs(view.Lat) <= 90)) {
    shown.centreProblem = stored + " has Tilt " + std::to_string(view.Tilt) +
                          ", which puts the centre off the Earth (latitude " + FormatGeneral(view.Lat) +
                          "); give --centre or --locator, or turn the view in the window";
  }
  if (!(shown.radiusKm > 0)) {
    shown.radiusProblem = stored + " has Distance " + FormatGeneral(view.Distance) +
                          ", which gives a map radius of " + FormatGeneral(view.Radius) +
                          " km; give --radius, or move the view in the window";
  }
  return shown;
}
