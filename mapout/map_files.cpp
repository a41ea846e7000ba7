#include "mapout/map_files.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "base/number_text.h"
#include "mapout/bmp_encoder.h"

namespace {

bool ExistsInWorkingDirectory(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

}  // namespace

std::string MakeMapName(const MapCentre& centre) {
  return "MAP_" + FormatZeroPadded(centre.Radius, 4) + "_" + FormatGeneral(centre.Long) + "_" +
         FormatGeneral(centre.Lat);
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

bool MapStore::SaveMap(const Surface& box, const MapCentre& centre, std::string* toldFailure) {
  const std::string name = MakeMapName(centre);
  const std::string sideName = name + ".DAT";
  const bool sideExisted = exists_(sideName);
  const std::string sideText = MakeSideFileText(centre);
  const std::string bitmap = EncodeBmp24(box.Pixels(), box.Width(), box.Height());
  const std::vector<WholeFile> pair{{sideName, sideText}, {name + ".BMP", bitmap}};
  WriteFailure failure;
  if (files_.WriteWholeFiles(pair, &failure)) return true;
  const std::string failed = failure.file < pair.size() ? pair[failure.file].path : name;
  std::string text = "The map was not stored: cannot write \"" + failed + "\": " + failure.reason;
  // An older side file belongs to an older bitmap of the same name; only a new one goes.
  if (failure.placed > 0 && !sideExisted && !files_.Remove(sideName)) {
    text += "\nThe side file \"" + sideName + "\" could not be removed again.";
  }
  if (toldFailure != nullptr && *toldFailure == text) return false;
  if (toldFailure != nullptr) *toldFailure = text;
  messages_.Show(text, "ERROR", MessageIcon::Critical);
  return false;
}
