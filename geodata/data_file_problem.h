#pragma once
// What keeps a data file that another Debian package provides from being read, as data: each
// front end words it for its own user, in one line that names the package to install.
#include <string>

enum class DataFileFault {
  Missing,      // nothing at the path: the package that provides the file is not installed
  Unreadable,   // something is there but cannot be read: no permission, not a regular file
  Malformed,    // read, but not in the form expected
  NotPrepared,  // readable, but the copy a map reads could not be made from it: the detail says why
};

struct DataFileProblem {
  DataFileFault fault = DataFileFault::Missing;
  std::string path;
  std::string package;  // the Debian package that provides the file
  std::string detail;   // why it is unreadable, or where and how it is malformed
};
