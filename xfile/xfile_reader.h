#pragma once
// Reads a whole text .x file into its meshes, checking each count and index where it is read.
// A declared count that needs more than the rest of the file can hold is refused before
// anything is sized by it, so memory stays in proportion to the file.
#include <optional>
#include <string>
#include <string_view>

#include "xfile/xfile_types.h"

// The meshes of `text`, or nullopt with the reason (and its line, where there is one) in
// `error`. Binary and compressed files are refused by their header.
std::optional<XFile> ReadXFile(std::string_view text, std::string* error);
