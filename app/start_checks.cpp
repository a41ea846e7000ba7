#include "app/start_checks.h"

#include <fcntl.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>
#include <thread>

#include "base/posix_file_store.h"
#include "base/regular_file.h"

namespace fs = std::filesystem;

namespace {

// Platform names from QT_QPA_PLATFORM ("wayland;xcb" lists fallbacks), each without its
// ":options" part.
std::vector<std::string> PlatformNames(const std::string& platform) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= platform.size()) {
    const std::size_t end = std::min(platform.find(';', start), platform.size());
    const std::string entry = platform.substr(start, end - start);
    const std::string name = entry.substr(0, entry.find(':'));
    if (!name.empty()) names.push_back(name);
    start = end + 1;
  }
  return names;
}

}  // namespace

std::string DisplayProblem(const DisplayEnvironment& environment,
                           const std::function<bool(const std::string&)>& canOpenX) {
  const std::vector<std::string> platforms = PlatformNames(environment.platform);
  for (const std::string& name : platforms) {
    // Platforms that need no display server (offscreen, vnc, eglfs, ...) are the user's choice.
    if (name != "xcb" && name.rfind("wayland", 0) != 0) return "";
    if (name.rfind("wayland", 0) == 0 && !environment.waylandDisplay.empty()) return "";
  }
  if (platforms.empty() && !environment.waylandDisplay.empty()) return "";
  const std::string advice = "set DISPLAY or run it on a virtual display: xvfb-run skerrowen";
  if (environment.display.empty()) return "no display: DISPLAY is not set; " + advice;
  if (!canOpenX(environment.display))
    return "no display: cannot open the X display '" + environment.display + "'; " + advice;
  return "";
}

std::shared_ptr<void> OpenXDisplay(const std::string& name) {
  // A server that is resetting refuses connections for a few milliseconds; try for a while.
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    xcb_connection_t* connection = xcb_connect(name.c_str(), nullptr);
    if (connection != nullptr && xcb_connection_has_error(connection) == 0)
      return std::shared_ptr<void>(connection,
                                   [](void* c) { xcb_disconnect(static_cast<xcb_connection_t*>(c)); });
    if (connection != nullptr) xcb_disconnect(connection);
  }
  return nullptr;
}

std::vector<fs::path> DataFolderCandidates(const fs::path& programDirectory) {
  return {programDirectory, (programDirectory / ".." / "share" / "skerrowen").lexically_normal()};
}

DataFolder FindDataFolder(const std::vector<fs::path>& candidates) {
  DataFolder result;
  std::error_code ignored;
  for (const fs::path& candidate : candidates) {
    if (fs::is_regular_file(candidate / kModelFile, ignored)) {
      result.folder = candidate;
      result.found = true;
      return result;
    }
  }
  if (!candidates.empty()) result.folder = candidates.front();
  result.problem = std::string("the globe model \"") + kModelFile + "\" is missing: looked in ";
  for (std::size_t i = 0; i < candidates.size(); ++i)
    result.problem += (i == 0 ? "" : " and ") + candidates[i].string();
  return result;
}

std::string MakeMapsFolder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error || !fs::is_directory(folder, error)) {
    return "cannot make the maps folder " + folder.string() + ": " +
           (error ? error.message() : "a file of that name is in the way");
  }
  // A folder that exists may still take no files (/proc/self, a read-only mount).
  if (const std::string refusal = FolderTakesFiles(folder.string()); !refusal.empty())
    return "cannot store maps in the maps folder " + folder.string() + ": " + refusal;
  return "";
}

fs::path ShippedEarthMap(const fs::path& dataFolder) {
  std::error_code ignored;
  for (const fs::path& candidate : {dataFolder / kEarthMapFile, dataFolder / "maps" / kEarthMapFile})
    if (fs::is_regular_file(candidate, ignored)) return candidate;
  return {};
}

std::string EarthMapAbsence(const fs::path& workingFolder, const fs::path& dataFolder) {
  std::error_code ignored;
  if (fs::exists(workingFolder / kEarthMapFile, ignored)) return "";
  const fs::path shipped = ShippedEarthMap(dataFolder);
  return std::string(kEarthMapFile) + " is not in the working folder " + workingFolder.string() +
         ", so maps are redrawn on black; " +
         (shipped.empty() ? "it is not in " + dataFolder.string() + " either"
                          : "copy " + shipped.string() + " here, or start skerrowen --maps-folder");
}

std::string PutEarthMap(const fs::path& folder, const fs::path& dataFolder) {
  std::error_code error;
  const fs::path target = folder / kEarthMapFile;
  if (fs::exists(fs::symlink_status(target, error))) return "";
  const fs::path source = ShippedEarthMap(dataFolder);
  if (source.empty())
    return std::string(kEarthMapFile) + " is missing: looked in " + dataFolder.string() + " and " +
           (dataFolder / "maps").string() + ", so maps are redrawn on black";
  const auto fail = [&](const std::string& reason) {
    return std::string("cannot put ") + kEarthMapFile + " into " + folder.string() + " from " +
           source.string() + ": " + reason;
  };
  std::string problem;
  const int fd = OpenRegularFile(source.string(), O_RDONLY, &problem);
  if (fd < 0) return fail(problem);
  std::string bytes;
  char buffer[1 << 16];
  ssize_t got = 0;
  while ((got = ::read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<std::size_t>(got));
  const int code = errno;
  ::close(fd);
  if (got < 0) return fail(std::strerror(code));
  // Through the program's own temporaries, so a failed copy leaves no partial picture and no
  // file of the operator's is taken for one.
  PosixFileStore files;
  WriteFailure failure;
  if (!files.WriteWholeFiles({{target.string(), bytes}}, &failure)) return fail(failure.reason);
  return "";
}
