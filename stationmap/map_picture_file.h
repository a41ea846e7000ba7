#pragma once
// The station map's files: the picture's kind by its suffix, the side file's name, the
// default name as the window names its maps, and the 24-bit bitmap file laid out in memory
// so the map is drawn straight into the bytes that are stored.
#include <cstdint>
#include <string>

#include "geo/geo_point.h"
#include "geo/map_sampler.h"

enum class MapPictureKind { Unknown, Bmp, Png, Jpeg, Pdf, Svg };

// By the suffix, in either case: .bmp, .png, .jpg or .jpeg, .pdf or .svg.
MapPictureKind PictureKindOf(const std::string& path);

// The same path with ".DAT" for its suffix.
std::string SideFilePathOf(const std::string& picturePath);

// "MAP_<radius>_<long>_<lat>.BMP", as the window names its maps.
std::string DefaultMapPath(const GeoPoint& centre, double radiusKm);

// The side file's text, as the window writes it.
std::string MapSideFileText(const GeoPoint& centre, double radiusKm);

// A whole 24-bit BMP file of `size` x `size` pixels as the window stores its maps, the pixel
// rows still unset; `canvas` points at them (top row first, stored bottom-up).
std::string MakeBmpFile(int size, MapCanvas& canvas);
