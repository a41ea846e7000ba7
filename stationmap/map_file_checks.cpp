#include "stationmap/map_file_checks.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "stationmap/map_picture_file.h"

namespace {

using Field = StationMapField;

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// Why the Earth picture at `path` cannot be read; empty when it can.
std::string InputProblem(const std::string& path) {
  const std::string at = Quoted(path);
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

// Why no map can be written in `folder`; empty when it can.
std::string OutputFolderProblem(const std::string& folder) {
  const std::string at = "the folder " + Quoted(folder);
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

std::optional<StationMapProblem> CheckMapFiles(const StationMapRequest& request, FileStore& files) {
  const std::pair<Field, const std::string&> inputs[] = {{Field::Image, request.imagePath},
                                                         {Field::NightImage, request.nightImagePath}};
  for (const auto& [field, input] : inputs) {
    if (field == Field::Image || !input.empty()) {
      if (std::string why = InputProblem(input); !why.empty()) return StationMapProblem{field, why};
    }
  }
  const std::filesystem::path out(request.outPath);
  const std::string folder = out.has_parent_path() ? out.parent_path().string() : ".";
  if (std::string why = OutputFolderProblem(folder); !why.empty()) return StationMapProblem{Field::Out, why};

  const std::string side = SideFilePathOf(request.outPath);
  for (const auto& [field, input] : inputs) {
    if (input.empty()) continue;
    const std::string picture = field == Field::Image ? "the Earth picture" : "the night picture";
    if (SameFile(request.outPath, input))
      return StationMapProblem{Field::Out, Quoted(request.outPath) + " is " + picture, field};
    if (SameFile(side, input))
      return StationMapProblem{Field::Out, "the side file " + Quoted(side) + " would replace " + picture,
                               field};
  }
  for (const std::string& path : {request.outPath, side}) {
    if (auto refusal = files.CheckTarget(path))
      return StationMapProblem{Field::Out, Quoted(path) + " " + *refusal};
  }
  if (!request.tablePath.empty()) {
    const std::filesystem::path table(request.tablePath);
    if (std::string why = OutputFolderProblem(table.has_parent_path() ? table.parent_path().string() : ".");
        !why.empty()) {
      return StationMapProblem{Field::Table, why};
    }
    for (const std::string& path : {request.outPath, side, request.imagePath, request.nightImagePath}) {
      if (!path.empty() && (path == request.tablePath || SameFile(path, request.tablePath)))
        return StationMapProblem{Field::Table,
                                 Quoted(request.tablePath) + " is a file this map reads or writes"};
    }
    if (auto refusal = files.CheckTarget(request.tablePath))
      return StationMapProblem{Field::Table, Quoted(request.tablePath) + " " + *refusal};
  }
  // Only a side file that stands already can belong to another picture; an Earth picture
  // read for this map is no map.
  struct stat status {};
  const std::string other = OtherPictureOfTheStem(folder, out.filename().string());
  const std::string otherPath = (out.parent_path() / other).string();
  if (!other.empty() && ::lstat(side.c_str(), &status) == 0 && !SameFile(otherPath, request.imagePath) &&
      !SameFile(otherPath, request.nightImagePath)) {
    return StationMapProblem{Field::Out, Quoted(otherPath) + " would lose its side file " + Quoted(side) +
                                             " to " + Quoted(request.outPath) +
                                             "; give another name or move " + Quoted(otherPath) +
                                             " away first"};
  }
  return std::nullopt;
}
