#pragma once
// What an overlay puts on a picture, as plain data in the picture's pixels (x right, y down,
// pixel (x, y) covering [x, x + 1] x [y, y + 1]): batches of lines, filled shapes, dots and
// labels, each with one style, painted in list order. A painter for pixels and one for paths
// and text both read it.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

struct DrawPoint {
  double x = 0;
  double y = 0;
};

struct DrawColour {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  std::uint8_t a = 255;
};

// A black casing under a line, a dot's outline or a label's glyphs, so they read on any
// ground: its own whole width in pixels and its opacity (0: none).
struct Halo {
  double width = 0;
  std::uint8_t alpha = 0;
};

struct Polyline {
  std::vector<DrawPoint> points;
  bool closed = false;
};

// Lines with round caps and joins. `dash`: lengths in pixels along the line, drawn and left
// out in turn from each line's start (empty: solid); the halo follows the same dashes.
struct LineStyle {
  DrawColour colour;
  double width = 1;
  Halo halo;
  std::vector<double> dash;
};

// The lines of one batch are one shape: where they cross or meet, nothing is painted twice.
struct LineBatch {
  LineStyle style;
  std::vector<Polyline> lines;
};

// Filled outlines, the inside by the non-zero winding rule; all rings of a batch are one shape.
struct FillBatch {
  DrawColour colour;
  std::vector<std::vector<DrawPoint>> rings;
};

// Round marks: a disc of `radius` with an outline `outlineWidth` wide centred on its edge.
struct DotStyle {
  DrawColour fill;
  double radius = 3;
  DrawColour outline;
  double outlineWidth = 0;
};

struct DotBatch {
  DotStyle style;
  std::vector<DrawPoint> centres;
};

enum class TextWeight { Normal, Bold };

struct TextStyle {
  int pixelSize = 12;
  TextWeight weight = TextWeight::Bold;
};

// Which point of the text's ink box a label's `at` names.
enum class LabelAnchor { TopLeft, Centre };

struct Label {
  std::string text;  // UTF-8
  DrawPoint at;
  LabelAnchor anchor = LabelAnchor::TopLeft;
};

// Labels over a halo stroked `halo.width` wide along the glyphs' outlines.
struct LabelBatch {
  TextStyle text;
  DrawColour colour;
  Halo halo;
  std::vector<Label> labels;
};

using DrawItem = std::variant<LineBatch, FillBatch, DotBatch, LabelBatch>;

struct DrawList {
  std::vector<DrawItem> items;
};
