#include "stationmap/map_page.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

namespace {

constexpr double kPointsPerMillimetre = 72 / 25.4;

struct NamedPage {
  const char* name;
  MapPage page;
  PageSize size;
};

constexpr NamedPage kPages[] = {
    {"A4", MapPage::A4, {210 * kPointsPerMillimetre, 297 * kPointsPerMillimetre}},
    {"A3", MapPage::A3, {297 * kPointsPerMillimetre, 420 * kPointsPerMillimetre}},
    {"A2", MapPage::A2, {420 * kPointsPerMillimetre, 594 * kPointsPerMillimetre}},
    {"A1", MapPage::A1, {594 * kPointsPerMillimetre, 841 * kPointsPerMillimetre}},
    {"A0", MapPage::A0, {841 * kPointsPerMillimetre, 1189 * kPointsPerMillimetre}},
    {"letter", MapPage::Letter, {8.5 * 72, 11 * 72}},
    {"tabloid", MapPage::Tabloid, {11 * 72, 17 * 72}},
};

}  // namespace

std::optional<MapPage> MapPageOf(std::string_view name) {
  for (const NamedPage& known : kPages) {
    const std::string_view knownName = known.name;
    if (knownName.size() == name.size() &&
        std::equal(name.begin(), name.end(), knownName.begin(),
                   [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); })) {
      return known.page;
    }
  }
  return std::nullopt;
}

PageSize PaperOf(MapPage page) {
  for (const NamedPage& known : kPages) {
    if (known.page == page) return known.size;
  }
  return {};
}

PageLayout LayOutPage(const StationMapRequest& request, double titleShare) {
  PageLayout layout;
  if (request.page == MapPage::None) {
    layout.mapSidePt = request.size * 72 / kScreenPixelsPerInch;
    layout.widthPt = layout.mapSidePt;
    layout.heightPt = layout.mapSidePt * (1 + titleShare);
    layout.pictureSize = request.size;
  } else {
    const PageSize paper = PaperOf(request.page);
    layout.widthPt = paper.widthPt;
    layout.heightPt = paper.heightPt;
    layout.mapSidePt =
        std::min(paper.widthPt - 2 * kPageMarginPt, (paper.heightPt - 2 * kPageMarginPt) / (1 + titleShare));
    layout.mapLeftPt = (paper.widthPt - layout.mapSidePt) / 2;
    layout.mapTopPt = kPageMarginPt;
    const double pixels = std::round(layout.mapSidePt / 72 * request.dpi.value_or(kDefaultPageDpi));
    layout.pictureSize = static_cast<int>(std::clamp(pixels, double{kMinMapSize}, double{kMaxMapSize}));
  }
  layout.titleTopPt = layout.mapTopPt + layout.mapSidePt;
  return layout;
}
