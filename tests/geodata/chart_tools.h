#pragma once
// Charts for the tests: small ones written with netCDF's ncgen from text, and the arrays of any
// chart as netCDF's ncdump prints them, a reading independent of the code under test
// (netcdf-bin).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

// A folder of its own under the test's temporary folder, empty.
inline std::filesystem::path FreshFolder(const std::string& name) {
  const std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / ("skerrowen_" + name);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

// A netCDF-4 chart at `path` from its CDL text; false when ncgen is missing or refuses it.
inline bool MakeChart(const std::filesystem::path& path, const std::string& cdl) {
  const std::filesystem::path text = path.string() + ".cdl";
  std::ofstream(text) << cdl;
  const std::string command = "ncgen -k nc4 -o '" + path.string() + "' '" + text.string() + "' 2>&1";
  return std::system(command.c_str()) == 0 && std::filesystem::exists(path);
}

// The variables' values as ncdump prints them; its "_" (netCDF's fill value, here the ring
// mark) stands for 65535.
inline std::map<std::string, std::vector<unsigned>> DumpedArrays(const std::string& chart,
                                                                 const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ",") + name;
  std::map<std::string, std::vector<unsigned>> arrays;
  FILE* pipe = ::popen(("ncdump -v " + list + " '" + chart + "'").c_str(), "r");
  if (pipe == nullptr) return arrays;
  bool inData = false;
  std::vector<unsigned>* current = nullptr;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe)) {
    std::string line = buffer;
    if (!inData) {
      inData = line.rfind("data:", 0) == 0;
      continue;
    }
    const std::size_t equals = line.find(" = ");
    if (equals != std::string::npos) {
      std::istringstream name(line.substr(0, equals));
      std::string variable;
      name >> variable;
      current = &arrays[variable];
      line = line.substr(equals + 3);
    }
    if (current == nullptr) continue;
    for (const char* c = line.c_str(); *c != '\0';) {
      if (*c == '_') {
        current->push_back(65535u);
        ++c;
      } else if (*c >= '0' && *c <= '9') {
        char* end = nullptr;
        current->push_back(static_cast<unsigned>(std::strtoul(c, &end, 10)));
        c = end;
      } else {
        if (*c == ';') current = nullptr;
        ++c;
      }
      if (current == nullptr) break;
    }
  }
  ::pclose(pipe);
  return arrays;
}

// A numeric attribute as ncdump -h prints it ("GD_lon:min = 298.200024 ;").
inline double DumpedAttribute(const std::string& header, const std::string& name) {
  const std::size_t at = header.find("\t\t" + name + " = ");
  if (at == std::string::npos) return NAN;
  return std::strtod(header.c_str() + at + name.size() + 5, nullptr);
}

inline std::string DumpedHeader(const std::string& chart) {
  std::string header;
  if (FILE* pipe = ::popen(("ncdump -h '" + chart + "'").c_str(), "r")) {
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) header += buffer;
    ::pclose(pipe);
  }
  return header;
}

// A chart of some of another chart's countries, their values and numbers as ncdump prints
// them, for maps whose every line the test can account for.
inline bool MakeSubsetChart(const std::filesystem::path& path, const std::string& source,
                            const std::vector<std::string>& codes) {
  const std::string header = DumpedHeader(source);
  std::vector<std::string> names;
  for (const std::string& code : codes) {
    names.push_back(code + "_lon");
    names.push_back(code + "_lat");
  }
  const auto arrays = DumpedArrays(source, names);
  std::ostringstream cdl;
  cdl.precision(17);
  cdl << "netcdf subset {\ndimensions:\n";
  for (const std::string& code : codes)
    cdl << "\t" << code << "_length = " << arrays.at(code + "_lon").size() << " ;\n";
  cdl << "variables:\n";
  for (const std::string& name : names) {
    cdl << "\tushort " << name << "(" << name.substr(0, 2) << "_length) ;\n";
    cdl << "\t\t" << name << ":min = " << DumpedAttribute(header, name + ":min") << " ;\n";
    cdl << "\t\t" << name << ":scale = " << DumpedAttribute(header, name + ":scale") << " ;\n";
  }
  cdl << "data:\n";
  for (const std::string& name : names) {
    cdl << " " << name << " = ";
    const std::vector<unsigned>& values = arrays.at(name);
    for (std::size_t k = 0; k < values.size(); ++k) cdl << (k ? ", " : "") << values[k];
    cdl << " ;\n";
  }
  cdl << "}\n";
  return MakeChart(path, cdl.str());
}
