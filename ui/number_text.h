#pragma once
// Numbers as the system writes and reads them: the general form of a 64-bit float, the
// fixed-digit patterns, and reading text back in the user's regional format.
#include <optional>
#include <string>

#include "ui/platform.h"

// Shortest decimal text with at most 15 significant digits: no leading blank, no trailing
// zeros, no separator for whole numbers, the regional decimal separator otherwise, and
// exponent notation ("1.5E+20") only for magnitudes from 1e15 up or below 1e-4.
std::string FormatGeneral(double value, const RegionalFormat& format);

// The value rounded to a whole number (halves away from zero) with at least `digits`
// digits, leading zeros added, a leading "-" for negative values: ("0000", 5) -> "0005".
std::string FormatZeroPadded(double value, int digits);

// Reads a whole text as a number written with the regional decimal separator (a "." is
// accepted too). Leading and trailing blanks are allowed; anything else is not a number.
std::optional<double> ParseNumber(const std::string& text, const RegionalFormat& format);

// Nearest whole number, ties to even.
double RoundHalfEven(double value);
