#include <filesystem>

#include "geodata/prepare/outline_preparation.h"

OutlineLoad LoadCountryOutlines(const OutlineSources& sources, FileStore& files) {
  OutlineLoad load = ReadPreparedOutlines(sources);
  if (load.outlines || load.problem) return load;
  DataFileProblem problem;
  const std::optional<OutlineSourceKey> key = ChartKeyOf(sources.chartPath, &problem);
  if (!key) {
    load.problem = problem;
    return load;
  }
  const std::string cachePath =
      sources.cacheFolder.empty() ? std::string() : sources.cacheFolder + "/" + kOutlineCacheName;

  std::optional<DcwFile> chart = DcwFile::Open(sources.chartPath, &problem);
  std::optional<std::string> prepared = chart ? PrepareOutlineImage(*chart, *key, &problem) : std::nullopt;
  if (!prepared) {
    problem.path = sources.chartPath;
    load.problem = problem;
    return load;
  }
  auto owned = std::make_shared<const std::string>(std::move(*prepared));
  std::string reason;
  std::optional<OutlineImage> image = OutlineImage::Parse(*owned, &reason);
  if (!image) {
    load.problem =
        DataFileProblem{DataFileFault::Malformed, sources.chartPath, kDcwPackage, "its copy is " + reason};
    return load;
  }
  if (!cachePath.empty()) {
    std::error_code error;
    std::filesystem::create_directories(sources.cacheFolder, error);
    if (error) {
      load.cacheDetail = sources.cacheFolder + ": " + error.message();
    } else if (WriteFailure failure; !files.WriteWholeFiles({WholeFile{cachePath, *owned}}, &failure)) {
      load.cacheDetail = cachePath + ": " + failure.reason;
    } else {
      load.cache = OutlineCacheUse::Written;
    }
  }
  load.outlines = std::make_shared<const CountryOutlines>(owned, std::move(*image));
  return load;
}
