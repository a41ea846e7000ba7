#include <QStandardPaths>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "app/start_checks.h"
#include "app/start_options.h"
#include "app/start_up.h"

namespace fs = std::filesystem;

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

fs::path ProgramDirectory(const char* argv0) {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (!error) return self.parent_path();
  return fs::absolute(argv0, error).parent_path();
}

// The menu's maps folder: "Skerrowen" in the user's pictures folder (XDG_PICTURES_DIR).
fs::path DefaultMapsFolder() {
  const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  return fs::path(pictures.toStdString()) / "Skerrowen";
}

}  // namespace

std::optional<StartUp> PrepareStartUp(int argc, char* argv[], int* exitStatus) {
  const std::string name = fs::path(argc > 0 ? argv[0] : "skerrowen").filename().string();
  const StartOptions options =
      ParseStartOptions(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
  const auto end = [&](int status, std::ostream& stream, const std::string& text) {
    stream << text;
    *exitStatus = status;
    return std::nullopt;
  };
  switch (options.action) {
    case StartOptions::Action::ShowHelp:
      return end(0, std::cout, HelpText(name));
    case StartOptions::Action::ShowVersion:
      return end(0, std::cout, name + " " SKERROWEN_VERSION "\n");
    case StartOptions::Action::Refuse:
      return end(kExitUsage, std::cerr, name + ": " + options.problem + "; try '" + name + " --help'\n");
    case StartOptions::Action::Run:
      break;
  }

  std::shared_ptr<void> displayHeld;
  const std::string noDisplay = DisplayProblem(
      {Environment("DISPLAY"), Environment("WAYLAND_DISPLAY"), Environment("QT_QPA_PLATFORM")},
      [&](const std::string& display) { return (displayHeld = OpenXDisplay(display)) != nullptr; });
  if (!noDisplay.empty()) return end(kExitCannotStart, std::cerr, name + ": " + noDisplay + "\n");

  const fs::path programDirectory = ProgramDirectory(argc > 0 ? argv[0] : "");
  const DataFolder data = FindDataFolder(DataFolderCandidates(programDirectory));
  if (!data.found) std::cerr << name << ": " << data.problem << '\n';

  if (options.useMapsFolder) {
    const fs::path folder = options.mapsFolder.empty() ? DefaultMapsFolder() : fs::path(options.mapsFolder);
    const std::string problem = MakeMapsFolder(folder);
    if (!problem.empty()) return end(kExitCannotStart, std::cerr, name + ": " + problem + "\n");
    if (const std::string missing = PutEarthMap(folder, data.folder); !missing.empty())
      std::cerr << name << ": " << missing << '\n';
    std::error_code error;
    fs::current_path(folder, error);
    if (error)
      return end(kExitCannotStart, std::cerr,
                 name + ": cannot work in " + folder.string() + ": " + error.message() + "\n");
  } else {
    std::error_code ignored;
    if (const std::string absent = EarthMapAbsence(fs::current_path(ignored), data.folder); !absent.empty())
      std::cerr << name << ": " << absent << '\n';
  }
  return StartUp{data.folder.string(), std::move(displayHeld)};
}
