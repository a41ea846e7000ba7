#pragma once
// The redraw's progress in the window caption: "2/3 45.3 %" while a phase runs, " 100.0 %"
// when it is done.
#include <string>

// The pattern " 00.0 %": a blank, the fraction times 100 with at least two whole digits and
// one decimal (halves rounded away from zero), a blank and "%". The decimal mark is "." on
// every desktop, as in the other numbers the program writes. Values past 1 are shown as they
// are (1.01419 gives " 101.4 %").
std::string ProgressPercent(double fraction);

// The phase number, "/3" and the percentage: PhaseCaption(2, 0.4527) gives "2/3 45.3 %".
std::string PhaseCaption(int phase, double fraction);
