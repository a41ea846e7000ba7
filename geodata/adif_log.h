#pragma once
// ADIF logs in the ADI form: an optional header up to <EOH> (there is one when the text does
// not begin with "<"), then records of fields <NAME:LENGTH[:TYPE]>DATA, each record ended by
// <EOR>; names and markers in any case, text between fields passed over. A field's LENGTH
// counts bytes: ADI holds ASCII text, one byte a character, and the loggers that put UTF-8 in
// it count its bytes too.
//
// Each record's station is its CALL at LAT and LON (ADIF's "N052 31.250" form: hemisphere,
// degrees, minutes) or, without them, at the centre of its GRIDSQUARE (with GRIDSQUARE_EXT
// for characters 9 and 10). A record with no place is counted and left out; one whose place
// cannot be read is left out with the reason. A length that is not a number, or that runs past
// the file's end or into the next field, breaks the log: nothing after it can be trusted.
#include <optional>
#include <string_view>

#include "geo/geo_point.h"
#include "geodata/station_file.h"

StationFile ReadAdifLog(std::string_view text);

// One of ADIF's locations: "N052 31.250" for a latitude (`latitude` true, N or S, up to 90
// degrees), "W072 42.500" for a longitude (E or W, up to 180); degrees north or east.
std::optional<double> ReadAdifLocation(std::string_view text, bool latitude);
