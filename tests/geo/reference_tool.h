#pragma once
// Runs one of PROJ's command-line tools on lines of input and returns its output lines, so
// that the tests compare with values the reference computed just now.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline std::vector<std::string> RunReferenceTool(const std::string& command,
                                                 const std::vector<std::string>& lines) {
  const std::string input = (std::filesystem::temp_directory_path() /
                             ("skerrowen_reference_" + std::to_string(::getpid()) + ".txt"))
                                .string();
  {
    std::ofstream file(input);
    for (const std::string& line : lines) file << line << "\n";
  }
  std::vector<std::string> output;
  if (FILE* pipe = ::popen((command + " < " + input).c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) output.emplace_back(buffer);
    ::pclose(pipe);
  }
  std::filesystem::remove(input);
  return output;
}

// The numbers of one output line.
inline std::vector<double> NumbersOf(const std::string& line) {
  std::istringstream in(line);
  std::vector<double> numbers;
  for (double value; in >> value;) numbers.push_back(value);
  return numbers;
}
