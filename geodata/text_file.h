#pragma once
// A whole data file as text, refusing what is no regular file (a named pipe would hold the
// read until some other program opened its other end).
#include <optional>
#include <string>

#include "geodata/data_file_problem.h"

struct TextFile {
  std::string text;
  std::optional<DataFileProblem> problem;  // its `package` is left to the caller
};

// `sizeLimit`: a file longer than this is refused as malformed rather than read into memory.
TextFile ReadTextFile(const std::string& path, std::size_t sizeLimit);
