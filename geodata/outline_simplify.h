#pragma once
// Douglas-Peucker simplification of outlines, on the sphere for the prepared levels of detail
// and in the map plane for what a map draws.
#include <span>
#include <vector>

#include "geo/azimuthal.h"
#include "geo/geo_point.h"

// For each point of a run of unit vectors, the largest tolerance in kilometres at which
// Douglas-Peucker keeps it, with distances to the arcs between kept points: the run's ends
// are always kept (infinity), and a point that would not be kept at `floorKm` gets 0. So the
// simplification at any tolerance t >= floorKm keeps exactly the points whose value exceeds t,
// and every run can be simplified once for all its levels.
std::vector<float> KeepTolerances(std::span<const Vec3> run, double floorKm);

// Simplifies a polyline of the map plane in place: every removed point lies within
// `tolerance` of the segment that replaces it; the ends stay.
void SimplifyPlaneLine(std::vector<PlanePoint>& line, double tolerance);
