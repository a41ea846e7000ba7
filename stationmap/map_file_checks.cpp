#include "stationmap/map_file_checks.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "stationmap/map_picture_file.h"

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string CheckInput(const std::string& path, const std::string& option) {
  const std::string at = option + ": " + Quoted(path);
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    if (errno == ELOOP) return at + " is a loop of symbolic links";
    if (errno == ENOENT) return at + " does not exist";
    return at + " cannot be read: " + std::strerror(errno);
  }
  if (S_ISDIR(status.st_mode)) return at + " is a folder, not a picture";
  if (!S_ISREG(status.st_mode)) return at + " is not a regular file";
  if (::access(path.c_str(), R_OK) != 0) return at + " cannot be read (permission denied)";
  return {};
}

std::string CheckOutputFolder(const std::string& folder) {
  const std::string at = "--out: the folder " + Quoted(folder);
  struct stat status {};
  if (::stat(folder.c_str(), &status) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return at + " does not exist";
    return at + " cannot be used: " + std::strerror(errno);
  }
  if (!S_ISDIR(status.st_mode)) return at + " is not a folder";
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    if (errno == EROFS) return at + " cannot be written to (read-only file system)";
    return at + " cannot be written to (permission denied)";
  }
  return {};
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {
  }, second{};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

// Another picture of this program's suffixes under the output's stem. Empty when there is
// none.
std::string OtherPictureOfTheStem(const std::string& folder, const std::string& outName) {
  const std::string stem = std::filesystem::path(outName).stem().string();
  DIR* entries = ::opendir(folder.c_str());
  if (entries == nullptr) return {};
  std::string found;
  while (const dirent* entry = ::readdir(entries)) {
    const std::string name = entry->d_name;
    if (name != outName && std::filesystem::path(name).stem().string() == stem &&
        PictureKindOf(name) != MapPictureKind::Unknown) {
      found = name;
      break;
    }
  }
  ::closedir(entries);
  return found;
}

}  // namespace

std::string CheckMapFiles(const StationMapRequest& request, FileStore& files) {
  if (std::string problem = CheckInput(request.imagePath, "--image"); !problem.empty()) return problem;
  if (!request.nightImagePath.empty()) {
    if (std::string problem = CheckInput(request.nightImagePath, "--night-image"); !problem.empty())
      return problem;
  }
  const std::filesystem::path out(request.outPath);
  const std::string folder = out.has_parent_path() ? out.parent_path().string() : ".";
  if (std::string problem = CheckOutputFolder(folder); !problem.empty()) return problem;

  const std::string side = SideFilePathOf(request.outPath);
  for (const auto& [option, input] :
       {std::pair<const char*, const std::string&>{"--image", request.imagePath},
        {"--night-image", request.nightImagePath}}) {
    if (input.empty()) continue;
    if (SameFile(request.outPath, input))
      return "--out: " + Quoted(request.outPath) + " is the " + option + " picture";
    if (SameFile(side, input)) {
      return "--out: the side file " + Quoted(side) + " would replace the " + option + " picture";
    }
  }
  for (const std::string& path : {request.outPath, side}) {
    if (auto refusal = files.CheckTarget(path)) return "--out: " + Quoted(path) + " " + *refusal;
  }
  // Only a side file that stands already can belong to another picture; an Earth picture
  // read for this map is no map.
  struct stat status {};
  const std::string other = OtherPictureOfTheStem(folder, out.filename().string());
  const std::string otherPath = (out.parent_path() / other).string();
  if (!other.empty() && ::lstat(side.c_str(), &status) == 0 && !SameFile(otherPath, request.imagePath) &&
      !SameFile(otherPath, request.nightImagePath)) {
    return "--out: " + Quoted(otherPath) + " would lose its side file " + Quoted(side) + " to " +
           Quoted(request.outPath) + "; give another name or move " + Quoted(otherPath) + " away first";
  }
  return {};
}
