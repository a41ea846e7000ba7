#include "geodata/prepare/dcw_file.h"

#include <netcdf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

namespace {

DataFileProblem ProblemOf(DataFileFault fault, const std::string& path, std::string detail) {
  return {fault, path, kDcwPackage, std::move(detail)};
}

bool IsCountryCode(const std::string& name) {
  return name.size() == 2 && name[0] >= 'A' && name[0] <= 'Z' && name[1] >= 'A' && name[1] <= 'Z';
}

struct Variable {
  int id = -1;
  std::size_t length = 0;
  double min = 0, scale = 0;
};

// The variable, its length and its two attributes; an empty detail when all is well.
std::string Inquire(int file, const std::string& name, Variable* variable) {
  if (nc_inq_varid(file, name.c_str(), &variable->id) != NC_NOERR) return "has no variable " + name;
  nc_type type = 0;
  int dimensions = 0;
  if (nc_inq_var(file, variable->id, nullptr, &type, &dimensions, nullptr, nullptr) != NC_NOERR ||
      type != NC_USHORT || dimensions != 1) {
    return name + " is no one-dimensional array of unsigned 16-bit values";
  }
  int dimension = 0;
  nc_inq_vardimid(file, variable->id, &dimension);
  if (nc_inq_dimlen(file, dimension, &variable->length) != NC_NOERR) return name + " has no length";
  if (nc_get_att_double(file, variable->id, "min", &variable->min) != NC_NOERR ||
      nc_get_att_double(file, variable->id, "scale", &variable->scale) != NC_NOERR) {
    return name + " lacks its min or scale attribute";
  }
  if (!std::isfinite(variable->min) || !std::isfinite(variable->scale) || variable->scale <= 0) {
    return name + " has an unusable min or scale";
  }
  return {};
}

}  // namespace

std::optional<DcwFile> DcwFile::Open(const std::string& path, DataFileProblem* problem) {
  const auto fail = [&](DataFileFault fault, std::string detail) -> std::optional<DcwFile> {
    if (problem != nullptr) *problem = ProblemOf(fault, path, std::move(detail));
    return std::nullopt;
  };
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    const int code = errno;
    return fail(code == ENOENT || code == ENOTDIR ? DataFileFault::Missing : DataFileFault::Unreadable,
                std::strerror(code));
  }
  // netCDF opens by name; a named pipe would hold it.
  if (!S_ISREG(status.st_mode)) return fail(DataFileFault::Unreadable, "not a regular file");
  if (::access(path.c_str(), R_OK) != 0) return fail(DataFileFault::Unreadable, std::strerror(errno));
  // netCDF gives each of the chart's two thousand arrays a chunk cache of its own when it opens
  // the file, some 30 MB in all, for arrays that are read once and whole.
  std::size_t cacheSize = 0, cacheSlots = 0;
  float cachePreemption = 0;
  nc_get_chunk_cache(&cacheSize, &cacheSlots, &cachePreemption);
  nc_set_chunk_cache(0, 1, 0);
  int id = -1;
  const int opened = nc_open(path.c_str(), NC_NOWRITE, &id);
  nc_set_chunk_cache(cacheSize, cacheSlots, cachePreemption);
  if (opened != NC_NOERR) return fail(DataFileFault::Malformed, nc_strerror(opened));
  int count = 0;
  nc_inq_nvars(id, &count);
  std::vector<std::string> countries;
  for (int v = 0; v < count; ++v) {
    char name[NC_MAX_NAME + 1] = {};
    if (nc_inq_varname(id, v, name) != NC_NOERR) continue;
    const std::string text = name;
    if (text.size() == 6 && text.compare(2, 4, "_lon") == 0 && IsCountryCode(text.substr(0, 2))) {
      countries.push_back(text.substr(0, 2));
    }
  }
  if (countries.empty()) {
    nc_close(id);
    return fail(DataFileFault::Malformed, "no country in the file");
  }
  return DcwFile(id, path, std::move(countries));
}

DcwFile::DcwFile(DcwFile&& other) noexcept
    : id_(other.id_), path_(std::move(other.path_)), countries_(std::move(other.countries_)) {
  other.id_ = -1;
}

DcwFile::~DcwFile() {
  if (id_ >= 0) nc_close(id_);
}

std::optional<DcwCountry> DcwFile::Read(const std::string& code, DataFileProblem* problem) const {
  const auto fail = [&](std::string detail) -> std::optional<DcwCountry> {
    if (problem != nullptr) *problem = ProblemOf(DataFileFault::Malformed, path_, std::move(detail));
    return std::nullopt;
  };
  Variable lon, lat;
  std::string detail = Inquire(id_, code + "_lon", &lon);
  if (detail.empty()) detail = Inquire(id_, code + "_lat", &lat);
  if (!detail.empty()) return fail(detail);
  if (lon.length != lat.length) return fail(code + "_lon and " + code + "_lat differ in length");
  DcwCountry country;
  country.code = code;
  country.lonMin = lon.min;
  country.lonScale = lon.scale;
  country.latMin = lat.min;
  country.latScale = lat.scale;
  country.lon.resize(lon.length);
  country.lat.resize(lat.length);
  // nc_get_var_ushort hands back the stored values; it never replaces fill values.
  if (lon.length > 0 && (nc_get_var_ushort(id_, lon.id, country.lon.data()) != NC_NOERR ||
                         nc_get_var_ushort(id_, lat.id, country.lat.data()) != NC_NOERR)) {
    return fail("the arrays of " + code + " cannot be read");
  }
  return country;
}
