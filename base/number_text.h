#pragma once
// Numbers as the system writes and reads them in file names, side files, the settings store
// and the caption: the general form of a 64-bit float, the fixed-digit patterns, and reading
// text back. Always with a "." for the decimal point, whatever the process's locale, so that
// a map written on one desktop reads the same on every other.
#include <optional>
#include <string>

// Shortest decimal text with at most 15 significant digits: no leading blank, no trailing
// zeros, no decimal point for whole numbers, and exponent notation ("1.5E+20") only for
// magnitudes from 1e15 up or below 1e-4.
std::string FormatGeneral(double value);

// The value rounded to a whole number (halves away from zero) with at least `digits`
// digits, leading zeros added, a leading "-" for negative values: ("0000", 5) -> "0005".
std::string FormatZeroPadded(double value, int digits);

// The value with exactly `decimals` decimals (halves away from zero), "." as decimal point:
// (45.27, 1) -> "45.3". For the texts the station maps print and draw.
std::string FormatFixed(double value, int decimals);

// Reads a whole text as a finite number. The decimal point is "."; a single "," stands for
// it too, as stores written by hand or by earlier versions on desktops with a decimal comma
// hold it. Leading and trailing blanks are allowed; anything else is not a number.
std::optional<double> ParseNumber(const std::string& text);

// Nearest whole number, ties to even.
double RoundHalfEven(double value);
