#pragma once
// Preparing the country outlines' copy from the chart: the one part of the system that reads
// the chart itself, through libnetcdf. The program skerrowen-prepare-outlines runs it for the
// map makers, which only map the copy; the tests and benchmarks call it directly.
#include <optional>
#include <string>

#include "base/platform.h"
#include "geodata/country_outlines.h"
#include "geodata/prepare/dcw_file.h"

// Reads the whole chart and prepares its image. Takes seconds: it runs once per state of the
// chart. Nothing, with the problem, when the chart cannot be read.
std::optional<std::string> PrepareOutlineImage(const DcwFile& chart, const OutlineSourceKey& key,
                                               DataFileProblem* problem);

// The outlines, from the cache when its copy belongs to the chart as it is now, else from the
// chart (a few seconds), storing the copy through `files` into the cache folder, which is
// created when missing. Without the chart there are no outlines, whatever the cache holds.
OutlineLoad LoadCountryOutlines(const OutlineSources& sources, FileStore& files);
