#pragma once
// The outlines of the chart Debian's gmt-dcw installs, prepared once into a cache folder of the
// build tree that every test process of the build then reads.
#include "base/posix_file_store.h"
#include "geodata/prepare/outline_preparation.h"

inline const OutlineLoad& InstalledOutlines() {
  static const OutlineLoad load = [] {
    PosixFileStore files;
    return LoadCountryOutlines({kDcwPath, std::string(SKERROWEN_BINARY_DIR) + "/test-cache"}, files);
  }();
  return load;
}

#define REQUIRE_INSTALLED_OUTLINES()                                                      \
  ASSERT_TRUE(InstalledOutlines().outlines)                                               \
      << InstalledOutlines().problem->path << ": " << InstalledOutlines().problem->detail \
      << " (is gmt-dcw installed?)"
