#pragma once
// A station map's pixels and the globe: the azimuthal equidistant projection around the
// request's centre, scaled so the radius reaches the middle of each edge (x right, y down).
#include <algorithm>
#include <cmath>

#include "geo/azimuthal.h"
#include "stationmap/overlay_plan.h"

class MapFrame {
 public:
  explicit MapFrame(const StationMapRequest& request)
      : half_(request.size / 2.0), scale_(half_ / request.radiusKm), projection_(request.centre) {}

  PixelPoint OfPlane(double x, double y) const { return {half_ + x * scale_, half_ - y * scale_}; }
  // The point `km` from the centre along `bearing` degrees.
  PixelPoint Along(double bearing, double km) const {
    const double b = bearing * kRadiansPerDegree;
    return OfPlane(km * std::sin(b), km * std::cos(b));
  }
  PixelPoint Of(const GeoPoint& place) const {
    const PlanePoint p = projection_.Forward(place);
    return OfPlane(p.x, p.y);
  }
  // How far from the centre, in km, the line along `bearing` leaves the picture.
  double EdgeKm(double bearing) const {
    const double b = bearing * kRadiansPerDegree;
    const double s = std::fabs(std::sin(b)), c = std::fabs(std::cos(b));
    return half_ / scale_ / std::max(s, c);
  }
  double Half() const { return half_; }
  double Scale() const { return scale_; }
  const AzimuthalEquidistant& Projection() const { return projection_; }
  bool Shows(const PixelPoint& p) const {
    return p.x >= 0 && p.y >= 0 && p.x <= 2 * half_ && p.y <= 2 * half_;
  }

 private:
  double half_;
  double scale_;
  AzimuthalEquidistant projection_;
};
