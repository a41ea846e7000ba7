#pragma once
// Station lists: one station a line, its place (a locator such as "FN31pr", or coordinates
// as the place texts take them: "41.7,-72.7", "33.87S, 151.21E") and then an optional label
// ("W1AW Newington"). A "#" starts a comment that runs to the end of the line; blank lines
// and comments are no entries. Lines may end in CR LF, and a UTF-8 byte order mark at the
// start is passed over.
#include <string_view>

#include "geodata/station_file.h"

StationFile ReadStationList(std::string_view text);
