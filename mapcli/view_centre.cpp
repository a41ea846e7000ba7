#include "mapcli/view_centre.h"

#include "app/view_settings.h"
#include "app/view_state.h"

ViewCentre ReadViewCentre(SettingsStore& store, MessageBoxes& messages) {
  ViewState view;
  ViewSettings(store, messages).LoadViewSettings(view);
  ApplyMapCentreRule(view);
  return {GeoPoint{view.Lat, view.Long}, view.Radius};
}
