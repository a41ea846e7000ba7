#pragma once
// The centre and radius the window shows now, as its settings store holds the view.
#include <string>

#include "base/platform.h"
#include "geo/geo_point.h"

struct ViewCentre {
  GeoPoint centre;
  double radiusKm = 0;  // capped as the window caps its station maps' radius
  // What keeps the stored view from giving a map, naming the store; empty when nothing does.
  std::string centreProblem;
  std::string radiusProblem;
};

// As the window derives them at start-up (start values where the store holds nothing or
// values it refuses; `messages` gets the window's message about refused values).
ViewCentre ReadViewCentre(SettingsStore& store, MessageBoxes& messages);
