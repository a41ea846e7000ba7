#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/regular_file.h"
#include "geodata/country_outlines.h"

namespace {

bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

// A read-only mapping of a whole regular file, unmapped with its last owner.
std::shared_ptr<const void> MapWholeFile(const std::string& path, std::string_view* bytes,
                                         std::string* reason) {
  const int fd = OpenRegularFile(path, O_RDONLY, reason);
  if (fd < 0) return nullptr;
  struct stat status {};
  if (::fstat(fd, &status) != 0 || status.st_size <= 0) {
    *reason = "empty";
    ::close(fd);
    return nullptr;
  }
  const std::size_t size = static_cast<std::size_t>(status.st_size);
  void* at = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  const int code = errno;
  ::close(fd);
  if (at == MAP_FAILED) {
    *reason = std::strerror(code);
    return nullptr;
  }
  *bytes = std::string_view(static_cast<const char*>(at), size);
  return std::shared_ptr<const void>(at, [size](const void* p) { ::munmap(const_cast<void*>(p), size); });
}

}  // namespace

std::string OutlineCacheFolder(const char* xdgCacheHome, const char* home) {
  if (IsAbsolute(xdgCacheHome)) return std::string(xdgCacheHome) + "/skerrowen";
  if (IsAbsolute(home)) return std::string(home) + "/.cache/skerrowen";
  return {};
}

std::optional<OutlineSourceKey> ChartKeyOf(const std::string& chart, DataFileProblem* problem) {
  struct stat status {};
  if (::stat(chart.c_str(), &status) != 0) {
    const int code = errno;
    *problem = {code == ENOENT || code == ENOTDIR ? DataFileFault::Missing : DataFileFault::Unreadable, chart,
                kDcwPackage, std::strerror(code)};
    return std::nullopt;
  }
  if (!S_ISREG(status.st_mode)) {
    *problem = {DataFileFault::Unreadable, chart, kDcwPackage, kNotARegularFile};
    return std::nullopt;
  }
  return OutlineSourceKey{static_cast<std::uint64_t>(status.st_size),
                          std::int64_t{status.st_mtim.tv_sec} * 1000000000 + status.st_mtim.tv_nsec,
                          static_cast<std::uint64_t>(status.st_dev),
                          static_cast<std::uint64_t>(status.st_ino)};
}

OutlineLoad ReadPreparedOutlines(const OutlineSources& sources) {
  OutlineLoad load;
  DataFileProblem problem;
  const std::optional<OutlineSourceKey> key = ChartKeyOf(sources.chartPath, &problem);
  if (!key) {
    load.problem = problem;
    return load;
  }
  if (sources.cacheFolder.empty()) {
    load.cacheDetail = "no cache folder";
    return load;
  }
  const std::string cachePath = sources.cacheFolder + "/" + kOutlineCacheName;
  std::string_view bytes;
  std::string reason;
  if (std::shared_ptr<const void> mapping = MapWholeFile(cachePath, &bytes, &reason)) {
    std::optional<OutlineImage> image = OutlineImage::Parse(bytes, &reason);
    if (image && image->Key() == *key) {
      load.outlines = std::make_shared<const CountryOutlines>(std::move(mapping), std::move(*image));
      load.cache = OutlineCacheUse::Read;
      return load;
    }
    if (image) reason = "made from another state of the chart";
  }
  load.cacheDetail = cachePath + ": " + reason;
  return load;
}
