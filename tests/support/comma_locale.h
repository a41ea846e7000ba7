#pragma once
// A desktop locale with a decimal comma for the whole process, as a German or French
// operator's desktop sets it: made with localedef into a private folder (LOCPATH), so the
// tests need no locale installed on the machine. The C library's number conversions then
// write and read "0,5"; the code under test must not.
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

class CommaLocale {
 public:
  // `name` is "de_DE" or "fr_FR". Skips the test (from the caller) when Active() is false.
  explicit CommaLocale(const std::string& name) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "skerrowen-locales";
    const std::string locale = name + ".UTF-8";
    if (!fs::exists(folder / locale)) {
      fs::create_directories(folder);
      const std::string command =
          "localedef -i " + name + " -f UTF-8 '" + (folder / locale).string() + "' >/dev/null 2>&1";
      if (std::system(command.c_str()) != 0 && !fs::exists(folder / locale / "LC_NUMERIC")) return;
    }
    ::setenv("LOCPATH", folder.c_str(), 1);
    previous_ = std::setlocale(LC_ALL, nullptr);
    active_ = std::setlocale(LC_ALL, locale.c_str()) != nullptr && *std::localeconv()->decimal_point == ',';
  }
  ~CommaLocale() {
    if (!previous_.empty()) std::setlocale(LC_ALL, previous_.c_str());
  }
  bool Active() const { return active_; }

 private:
  std::string previous_;
  bool active_ = false;
};
