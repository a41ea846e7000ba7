#pragma once
// Everything the window program settles before it opens the application: the command line,
// the display, the folder of its globe model and pictures, and the folder it works in.
#include <memory>
#include <optional>
#include <string>

struct StartUp {
  // The folder "5.x" and its texture are read from.
  std::string dataFolder;
  // The connection that showed the X display usable; released once the application has its own.
  std::shared_ptr<void> displayHeld;
};

// Returns the start-up, or the exit status when the program must end without a window
// (help, version, a refused argument, no display, a maps folder that cannot be made); what
// it has to say is already printed then.
std::optional<StartUp> PrepareStartUp(int argc, char* argv[], int* exitStatus);
