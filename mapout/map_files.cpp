#include "mapout/map_files.h"

#include <vector>

#include "base/number_text.h"
#include "mapout/bmp_encoder.h"

std::string MakeMapName(const MapCentre& centre) {
  return "MAP_" + FormatZeroPadded(centre.Radius, 4) + "_" + FormatGeneral(centre.Long) + "_" +
         FormatGeneral(centre.Lat);
}

std::string MakeSideFileText(const MapCentre& centre) {
  return "Radius : " + FormatGeneral(centre.Radius) + "\r\n" +  //
         "Long   : " + FormatGeneral(centre.Long) + "\r\n" +    //
         "Lat    : " + FormatGeneral(centre.Lat) + "\r\n";
}

std::string DescribeWriteFailure(const std::string& path, const WriteFailure& failure) {
  if (failure.refused) return "\"" + path + "\" " + failure.reason;
  return "cannot write \"" + path + "\": " + failure.reason;
}

bool MapStore::SaveMap(const Surface& box, const MapCentre& centre, std::string* toldFailure) {
  const std::string name = MakeMapName(centre);
  const std::string bitmap = EncodeBmp24(box.Pixels(), box.Width(), box.Height());
  const std::string sideText = MakeSideFileText(centre);
  const std::vector<WholeFile> pair{{name + ".BMP", bitmap}, {name + ".DAT", sideText}};
  WriteFailure failure;
  if (files_.WriteWholeFiles(pair, &failure)) return true;
  const std::string failed = failure.file < pair.size() ? pair[failure.file].path : name;
  std::string text = "The map was not stored: " + DescribeWriteFailure(failed, failure);
  if (failure.placed > 0) text += "\nThe bitmap \"" + pair[0].path + "\" could not be put back as it was.";
  if (toldFailure != nullptr && *toldFailure == text) return false;
  if (toldFailure != nullptr) *toldFailure = text;
  messages_.Show(text, "ERROR", MessageIcon::Critical);
  return false;
}
