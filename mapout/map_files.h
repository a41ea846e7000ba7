#pragma once
// The map file pair: a bitmap "MAP_<radius>_<long>_<lat>.BMP" and its side file ".DAT"
// that records the radius and the centre. Both go to the working directory.
#include <string>

#include "base/platform.h"
#include "base/surface.h"

// The map centre and radius as the last frame derived them: degrees and kilometres.
struct MapCentre {
  double Long = 0;
  double Lat = 0;
  double Radius = 0;
};

// "MAP_" + radius as "0000" + "_" + Long + "_" + Lat, the two in their general form:
// MAP_0300_6_52, MAP_0005_6.5_-33. No directory, no extension.
std::string MakeMapName(const MapCentre& centre);

// The side file: "Radius : ", "Long   : " and "Lat    : " lines, numbers in their general
// form, each line ended by CR LF.
std::string MakeSideFileText(const MapCentre& centre);

// Stores map file pairs. Both files are written whole under temporary names first, then
// renamed into place one right after the other, the bitmap first, so no half-written file is
// ever left and a failed store leaves the older pair as it was. A name that holds a folder,
// a pipe or a device, or a file made read-only, is refused before anything is written. A
// failure shows one message box (title "ERROR", critical icon) naming the file and the
// reason; the program goes on.
class MapStore {
 public:
  MapStore(FileStore& files, MessageBoxes& messages) : files_(files), messages_(messages) {}

  // Stores the box's image (its whole inner area) under the name made from `centre`,
  // replacing a pair of that name. False when the pair could not be stored.
  // With `toldFailure`, a failure told in just these words before (kept there) is not
  // shown again: the redraw stores twice under one name.
  bool SaveMap(const Surface& box, const MapCentre& centre, std::string* toldFailure = nullptr);

 private:
  FileStore& files_;
  MessageBoxes& messages_;
};

// The words for a failed store of `path`: "\"MAP_0300_6_52.DAT\" is a folder", or
// "cannot write \"MAP_0300_6_52.BMP\": No space left on device".
std::string DescribeWriteFailure(const std::string& path, const WriteFailure& failure);
