#pragma once
// How a station map shows its overlays: the plan's lines, marks and labels as a draw list,
// each line over a dark halo and each label outlined in black so they read on sea, land and
// ice alike. Labels are measured and laid out here: whole inside the picture, never one over
// another, the map's own first.
#include "draw/draw_list.h"
#include "draw/text_shaper.h"
#include "stationmap/label_layout.h"
#include "stationmap/overlay_plan.h"

// The text size for a map of `size` pixels.
double LabelPixels(int size);

// Where the plan's title block goes: in a box in the picture's lower left corner (a raster map),
// or nowhere, the page setting it under the map.
enum class TitlePlace { Corner, Page };

// Takes the plan's lines over as it goes, so pass it with std::move when it is not needed after.
// `quick`, when given, spares the measure of labels it shows cannot be placed.
DrawList OverlayDrawList(OverlayPlan plan, TextShaper& text, TitlePlace titlePlace = TitlePlace::Corner,
                         const QuickMeasure& quick = {});

// A title block's lines from its top left corner, the first larger: the first line
// `pixels` * 1.5 high, the others `pixels`, each line 1.4 times its text's size apart.
struct TitleBlock {
  DrawList list;
  double width = 0;
  double height = 0;
};
TitleBlock MakeTitleBlock(const std::vector<std::string>& lines, double pixels, DrawColour colour, Halo halo,
                          TextShaper& text);
// Its height, known without measuring the text.
double TitleBlockHeight(std::size_t lineCount, double pixels);
