#pragma once
// The checks made before the window program touches the desktop: is there a display to show
// the window on, where are the globe model and its pictures, and the maps folder the menu
// starts it in.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct DisplayEnvironment {
  std::string display;         // DISPLAY
  std::string waylandDisplay;  // WAYLAND_DISPLAY
  std::string platform;        // QT_QPA_PLATFORM
};

// Empty when a window can be shown, else the one line that says why not and what to do.
// `canOpenX` tries to connect to the named X display.
std::string DisplayProblem(const DisplayEnvironment& environment,
                           const std::function<bool(const std::string&)>& canOpenX);

// A connection to the X display `name`, or null when none could be made. Hold it until the
// application has its own connection: an X server whose last client leaves resets itself, and
// refuses connections while it does (a virtual display started for this program alone).
std::shared_ptr<void> OpenXDisplay(const std::string& name);

constexpr char kModelFile[] = "5.x";
constexpr char kEarthMapFile[] = "earthmap.bmp";

struct DataFolder {
  std::filesystem::path folder;
  bool found = false;
  // When not found: the line naming the file and every folder it was looked for in.
  std::string problem;
};

// The folders the globe model may be in, in the order they are tried: beside the executable
// (a build tree), then the installed data folder that lies beside its bin folder
// (/usr/bin/skerrowen finds /usr/share/skerrowen, and so does an unpacked copy of the package).
std::vector<std::filesystem::path> DataFolderCandidates(const std::filesystem::path& programDirectory);

// The first candidate holding "5.x"; when none does, the first (the model's loader then says
// it is missing, as it does for a build tree).
DataFolder FindDataFolder(const std::vector<std::filesystem::path>& candidates);

// Makes `folder` when missing and checks that files can be made in it. Returns an empty
// string, or the line that says what failed.
std::string MakeMapsFolder(const std::filesystem::path& folder);

// The "earthmap.bmp" shipped in `dataFolder` or its "maps" folder (where a build tree keeps
// it); empty when neither has one.
std::filesystem::path ShippedEarthMap(const std::filesystem::path& dataFolder);

// Empty when `workingFolder` holds "earthmap.bmp", else the line that says so, the
// consequence, and where to get one.
std::string EarthMapAbsence(const std::filesystem::path& workingFolder,
                            const std::filesystem::path& dataFolder);

// Copies the shipped "earthmap.bmp" into `folder` when nothing stands there under that name,
// through the program's own temporary so that a failed copy leaves no partial picture. Returns an empty
// string, or the line naming the file, where it was looked for and what failed.
std::string PutEarthMap(const std::filesystem::path& folder, const std::filesystem::path& dataFolder);
