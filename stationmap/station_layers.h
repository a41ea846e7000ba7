#pragma once
// The operator's own layers of a station map: the stations of a list or log with their short
// paths, the antenna's beam, the grey-line fan through the year and the title block, and the
// lines and table rows that go with them.
#include <cstdint>
#include <string>
#include <vector>

#include "geodata/station_table.h"
#include "stationmap/map_frame.h"
#include "stationmap/overlay_plan.h"

// Each station's dot (off the picture too: the painter leaves it out), its label at the dot
// for the drawing to set beside it, and its short path, a straight line from the centre as
// every great circle through it is here.
void PlanStations(const StationMapRequest& request, const MapFrame& frame, OverlayPlan& plan);

// The wedge reaches the middle of the picture's edges, or the antipode on a larger map.
void PlanBeam(const StationMapRequest& request, const MapFrame& frame, OverlayPlan& plan);

// Every sunrise and sunset the fan's year has at the centre, each across the whole picture,
// labelled on its eastern half at a distance that grows with the month, so months whose lines
// nearly coincide (January and November) keep their labels apart; other places along the line
// for a label whose place is taken.
void PlanGreylineFan(const StationMapRequest& request, const MapFrame& frame, double labelPx,
                     OverlayPlan& plan);

// The operator's text, the centre as a locator and as coordinates, the radius, the grey line's
// time, the fan's year, the beam, and the credits of the data drawn.
std::vector<std::string> TitleLines(const StationMapRequest& request);

// "Target <label>: …" for each station, as a single target's line reads.
std::vector<std::string> StationLines(const StationMapRequest& request);
std::vector<StationTableRow> StationTableRows(const StationMapRequest& request);

// "Grey-line fan: June left out, the sun stays above the horizon all day on the 21st".
std::vector<std::string> GreylineFanNotes(const StationMapRequest& request);

// "2026-03-20 12:00 UTC"
std::string UtcTimeText(std::int64_t unixTime);
int UtcYearOf(std::int64_t unixTime);
