#pragma once
// The map file pair: a bitmap "MAP_<radius>_<long>_<lat>.BMP" and its side file ".DAT"
// that records the radius and the centre. Both go to the working directory.
#include <functional>
#include <string>

#include "ui/platform.h"
#include "ui/surface.h"

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
// renamed into place one right after the other, the side file first, so no half-written
// file is ever left and a bitmap never stands without its side file. A failure shows one
// message box (title "ERROR", critical icon) naming the file that failed and the reason;
// the program goes on.
class MapStore {
 public:
  // Tells whether a file of the working directory exists.
  using FileExists = std::function<bool(const std::string& path)>;

  // `exists` defaults to std::filesystem on the working directory; a test that stands in
  // for `files` passes its own.
  MapStore(FileStore& files, MessageBoxes& messages, FileExists exists = {});

  // Stores the box's image (its whole inner area) under the name made from `centre`,
  // replacing a pair of that name. False when the pair could not be stored; the files
  // then hold what they held before, except that a side file which did not exist before
  // and could not be removed again after a failed bitmap may remain (the message says so).
  // With `toldFailure`, a failure told in just these words before (kept there) is not
  // shown again: the redraw stores twice under one name.
  bool SaveMap(const Surface& box, const MapCentre& centre, std::string* toldFailure = nullptr);

 private:
  FileStore& files_;
  MessageBoxes& messages_;
  FileExists exists_;
};
