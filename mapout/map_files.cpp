#include "mapout/map_files.h"

#include <filesystem>
#include <system_error>

#include "mapout/bmp_encoder.h"
#include "ui/number_text.h"

namespace {

bool ExistsInWorkingDirectory(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

}  // namespace

std::string MakeMapName(const MapCentre& centre) {
  return "MAP_" + FormatZeroPadded(centre.Radius, 4) + "_" + FormatGeneral(centre.Long) + "_" + FormatGeneral(centre.Lat);
}

std::string MakeSideFileText(const MapCentre& centre) {
  return "Radius : " + FormatGeneral(centre.Radius) + "\r\n" +  //
         "Long   : " + FormatGeneral(centre.Long) + "\r\n" +    //
         "Lat    : " + FormatGeneral(centre.Lat) + "\r\n";
}

MapStore::MapStore(FileStore& files, MessageBoxes& messages, FileExists exists)
    : files_(files),
      messages_(messages),
      exists_(exists ? std::move(exists) : FileExists(ExistsInWorkingDirectory)) {}

bool MapStore::SaveMap(const Surface& box, const MapCentre& centre) {
  const std::string name = MakeMapName(centre);
  const std::string bitmapName = name + ".BMP";
  const std::string sideName = name + ".DAT";
  const std::string bitmap = EncodeBmp24(box.Pixels(), box.Width(), box.Height());

  const bool sideExisted = exists_(sideName);
  std::string error;
  if (!files_.WriteWhole(sideName, MakeSideFileText(centre), &error)) {
    messages_.Show("The map was not stored: cannot write \"" + sideName + "\": " + error, "ERROR",
                   MessageIcon::Critical);
    return false;
  }
  if (!files_.WriteWhole(bitmapName, bitmap, &error)) {
    std::string text = "The map was not stored: cannot write \"" + bitmapName + "\": " + error;
    // An older side file belongs to an older bitmap of the same name; only a new one goes.
    if (!sideExisted && !files_.Remove(sideName)) {
      text += "\nThe side file \"" + sideName + "\" could not be removed again.";
    }
    messages_.Show(text, "ERROR", MessageIcon::Critical);
    return false;
  }
  return true;
}
