#include "stationmap/map_picture_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "mapout/map_files.h"

namespace {

void PutU32(std::string& out, std::size_t at, std::uint32_t value) {
  for (int k = 0; k < 4; ++k) out[at + k] = static_cast<char>(value >> (8 * k) & 0xFF);
}

constexpr std::uint32_t kHeadersSize = 54;

}  // namespace

MapPictureKind PictureKindOf(const std::string& path) {
  std::string suffix = std::filesystem::path(path).extension().string();
  std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  if (suffix == ".bmp") return MapPictureKind::Bmp;
  if (suffix == ".png") return MapPictureKind::Png;
  if (suffix == ".jpg" || suffix == ".jpeg") return MapPictureKind::Jpeg;
  if (suffix == ".pdf") return MapPictureKind::Pdf;
  if (suffix == ".svg") return MapPictureKind::Svg;
  return MapPictureKind::Unknown;
}

std::string SideFilePathOf(const std::string& picturePath) {
  return std::filesystem::path(picturePath).replace_extension(".DAT").string();
}

std::string DefaultMapPath(const GeoPoint& centre, double radiusKm) {
  return MakeMapName(MapCentre{centre.lon, centre.lat, radiusKm}) + ".BMP";
}

std::string MapSideFileText(const GeoPoint& centre, double radiusKm) {
  return MakeSideFileText(MapCentre{centre.lon, centre.lat, radiusKm});
}

std::string MakeBmpFile(int size, MapCanvas& canvas) {
  const auto side = static_cast<std::uint32_t>(size);
  const std::uint32_t rowBytes = (side * 3 + 3) & ~3U;
  const std::uint32_t imageBytes = rowBytes * side;
  std::string file(kHeadersSize + static_cast<std::size_t>(imageBytes), '\0');
  file[0] = 'B';
  file[1] = 'M';
  PutU32(file, 2, kHeadersSize + imageBytes);
  PutU32(file, 10, kHeadersSize);
  PutU32(file, 14, 40);
  PutU32(file, 18, side);
  PutU32(file, 22, side);
  PutU32(file, 26, 1 | 24 << 16);  // one plane, 24 bits per pixel
  PutU32(file, 34, imageBytes);
  PutU32(file, 38, 3780);  // 96 dpi
  PutU32(file, 42, 3780);
  auto* rows = reinterpret_cast<std::uint8_t*>(file.data()) + kHeadersSize;
  canvas = MapCanvas{rows + static_cast<std::ptrdiff_t>(rowBytes) * (side - 1),
                     -static_cast<std::ptrdiff_t>(rowBytes), size, true};
  return file;
}
