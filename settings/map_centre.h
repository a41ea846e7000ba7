#pragma once
// The view as the settings store keeps it, and the map centre and radius the map-centre rule
// derives from it: what the window's caption shows and what both programs name their maps by.
#include <cstdint>
#include <string>

struct ViewValues {
  // Whole degrees: Rotation 0..360, Tilt 0..90 or 271..360 (standing for -89..0) once a
  // view step has run.
  std::int16_t Rotation = 0;
  std::int16_t Tilt = 0;
  double Distance = 0;  // scene units from the globe's centre; the globe's radius is 20
  double Offset = 0;    // degrees added to the sun's hour angle

  // Derived by the map-centre rule.
  std::int16_t LongDeg = 0;
  std::int16_t LatDeg = 0;
  std::string LongText;
  std::string LatText;
  double Long = 0;
  double Lat = 0;
  double Radius = 0;  // kilometres, whole number
};

// The map radius in kilometres that a camera Distance stands for, rounded to a whole number.
double MapRadiusKm(double distance);

// A Distance the view may hold: finite, and with a finite map radius, so that no caption,
// map name, side file or stored value ever reads "Infinity".
bool IsUsableDistance(double distance);

// Derives LongDeg, LatDeg, LongText, LatText, Long, Lat and Radius from Rotation, Tilt and
// Distance.
void ApplyMapCentreRule(ViewValues& view);
