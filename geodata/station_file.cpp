#include "geodata/station_file.h"

#include "geodata/adif_log.h"
#include "geodata/station_list.h"

namespace {

bool EndsWithCaseless(std::string_view text, std::string_view ending) {
  if (text.size() < ending.size()) return false;
  text.remove_prefix(text.size() - ending.size());
  for (std::size_t k = 0; k < ending.size(); ++k) {
    const char c = text[k] >= 'A' && text[k] <= 'Z' ? static_cast<char>(text[k] - 'A' + 'a') : text[k];
    if (c != ending[k]) return false;
  }
  return true;
}

}  // namespace

bool IsAdifLogName(std::string_view fileName) {
  return EndsWithCaseless(fileName, ".adi") || EndsWithCaseless(fileName, ".adif");
}

StationFile ReadStationFile(std::string_view fileName, std::string_view text) {
  return IsAdifLogName(fileName) ? ReadAdifLog(text) : ReadStationList(text);
}
