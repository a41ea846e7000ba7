#pragma once
// What the command line asks of the window program, read before any window or display is
// touched, so that --help, --version and a mistyped argument need no desktop.
#include <string>
#include <vector>

struct StartOptions {
  enum class Action { Run, ShowHelp, ShowVersion, Refuse };
  Action action = Action::Run;
  // Work in a maps folder instead of the current folder (the menu's way of starting).
  bool useMapsFolder = false;
  // The folder given with --maps-folder=DIR; empty means the user's default maps folder.
  std::string mapsFolder;
  // For Refuse: the one line that says what is wrong.
  std::string problem;
};

// `arguments` excludes the program name. Help and the version are answered whatever else the
// line holds.
StartOptions ParseStartOptions(const std::vector<std::string>& arguments);

std::string HelpText(const std::string& programName);

// Exit statuses: a refused command line is a usage error (2, as getopt-style tools do);
// a start that cannot go on for lack of a display or a folder is 1.
constexpr int kExitUsage = 2;
constexpr int kExitCannotStart = 1;
