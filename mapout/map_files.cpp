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

std::string MakeMapName(const MapCentre& centre, const RegionalFormat& format) {
  return "MAP_" + FormatZeroPadded(centre.Radius, 4) + "_" + FormatGeneral(centre.Long, format) + "_" +
         FormatGeneral(centre.Lat, format);
}

std::string MakeSideFileText(const MapCentre& centre, const RegionalFormat& format) {
  return "Radius : " + FormatGeneral(centre.Radius, format) + "\r\n" +  //
         "Long   : " + FormatGeneral(centre.Long, format) + "\r\n" +    //
         "Lat    : " + FormatGeneral(centre.Lat, format) + "\r\n";
}

MapStore::MapStore(FileStore& files, MessageBoxes& messages, RegionalFormat format, FileExists exists)
    : files_(files),
      messages_(messages),
      format_(std::move(format)),
      exists_(exists ? std::move(exists) : FileExists(ExistsInWorkingDirectory)) {}

bool MapStore::SaveMap(const Surface& box, const MapCentre& centre) {
  const std::string name = MakeMapName(centre, format_);
  const std::string bitmapName = name + ".BMP";
  const std::string sideName = name + ".DAT";
  const std::string bitmap = EncodeBmp24(box.Pixels(), box.Width(), box.Height());

  const bool sideExisted = exists_(sideName);
  std::string error;
  if (!files_.WriteWhole(sideName, MakeSideFileText(centre, format_), &error)) {
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
