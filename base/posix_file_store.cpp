#include "base/posix_file_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <random>
#include <thread>

#include "base/regular_file.h"

namespace {

constexpr const char* kTemporaryStart = ".skerrowen-";
constexpr std::size_t kRandomLetters = 12;
constexpr const char* kTemporaryEnding = ".part";
// A temporary of ours younger than this may belong to another run storing into the folder
// right now; writing even a 16384-pixel map takes seconds.
constexpr std::time_t kStaleAfterSeconds = 120;
// Between two pieces the caller may stop the write.
constexpr std::size_t kPieceBytes = std::size_t{8} << 20;
// Another writer holds the folder only for its renames. One that holds it longer is stuck
// or hostile; the set then goes on without the lock rather than hang.
constexpr auto kLockPatience = std::chrono::seconds(5);

bool IsAlphanumeric(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

std::string RandomLetters() {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char raw[kRandomLetters];
  if (::getrandom(raw, sizeof raw, 0) != static_cast<ssize_t>(sizeof raw)) {
    std::random_device device;
    for (unsigned char& byte : raw) byte = static_cast<unsigned char>(device());
  }
  std::string letters;
  for (unsigned char byte : raw) letters += kLetters[byte % (sizeof kLetters - 1)];
  return letters;
}

// The folder a path's file lives in, "." for a bare name.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string InFolder(const std::string& folder, const std::string& name) {
  if (folder == ".") return name;
  return folder == "/" ? "/" + name : folder + "/" + name;
}

// Creates a new temporary in `folder`, exclusively and never through a link, for writing;
// mode 0644 less the umask, as the file it becomes.
int CreateTemporary(const std::string& folder, std::string* path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    *path = InFolder(folder, kTemporaryStart + RandomLetters() + kTemporaryEnding);
    const int fd = ::open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// A second name for what stands at `path` now (a file or a link, never followed), so it can
// be put back. False where the folder's file system has no hard links or forbids this one.
bool KeepUnderTemporaryName(const std::string& path, std::string* kept) {
  const std::string folder = FolderOf(path);
  for (int attempt = 0; attempt < 100; ++attempt) {
    *kept = InFolder(folder, kTemporaryStart + RandomLetters() + kTemporaryEnding);
    if (::linkat(AT_FDCWD, path.c_str(), AT_FDCWD, kept->c_str(), 0) == 0) return true;
    if (errno != EEXIST) break;
  }
  kept->clear();
  return false;
}

// A run killed while it stored leaves its temporaries behind. Only regular files of this
// program's pattern and of this user are removed, never what a link points to; a fresh one
// is left to the run that may be writing it.
void ClearStaleTemporaries(const std::string& folderPath) {
  DIR* folder = ::opendir(folderPath.c_str());
  if (folder == nullptr) return;
  const std::time_t now = std::time(nullptr);
  while (const dirent* entry = ::readdir(folder)) {
    if (!IsOwnTemporaryName(entry->d_name)) continue;
    struct stat status {};
    if (::fstatat(::dirfd(folder), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(status.st_mode) && status.st_uid == ::geteuid() &&
        now - status.st_mtime >= kStaleAfterSeconds) {
      ::unlinkat(::dirfd(folder), entry->d_name, 0);
    }
  }
  ::closedir(folder);
}

// Writes `bytes` in pieces, asking `stop` before each. 0, the error number, or -1 when stopped.
int WritePieces(int fd, std::string_view bytes, const StopAsked& stop) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    if (stop && stop()) return -1;
    const std::size_t end = std::min(bytes.size(), done + kPieceBytes);
    while (done < end) {
      const ssize_t n = ::write(fd, bytes.data() + done, end - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += static_cast<std::size_t>(n);
    }
  }
  return 0;
}

// The folders of a set, each locked with an advisory lock on the folder itself: every writer
// of this program takes it for its renames, so two sets stored at once never mix. Folders
// are taken in sorted order, so two writers never wait for each other in a circle.
class FolderLocks {
 public:
  explicit FolderLocks(std::vector<std::string> folders) : folders_(std::move(folders)) {
    std::sort(folders_.begin(), folders_.end());
    folders_.erase(std::unique(folders_.begin(), folders_.end()), folders_.end());
    for (const std::string& folder : folders_) {
      const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd < 0) continue;
      const auto giveUp = std::chrono::steady_clock::now() + kLockPatience;
      while (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK &&
             std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      fds_.push_back(fd);
    }
  }
  // Releases the folders, then makes the renames survive a power loss: the next writer
  // need not wait for the disk.
  ~FolderLocks() {
    for (const int fd : fds_) {
      ::flock(fd, LOCK_UN);
      ::fsync(fd);
      ::close(fd);
    }
  }
  FolderLocks(const FolderLocks&) = delete;
  FolderLocks& operator=(const FolderLocks&) = delete;

  // Each folder once.
  const std::vector<std::string>& Folders() const { return folders_; }

 private:
  std::vector<std::string> folders_;
  std::vector<int> fds_;
};

// One file of a set on its way: its temporary, and the name under which the file it
// replaces is kept until the set stands.
struct Staged {
  std::string temporary;
  std::string kept;
  bool existed = false;
};

void Discard(const std::vector<Staged>& staged) {
  for (const Staged& file : staged) {
    if (!file.temporary.empty()) ::unlink(file.temporary.c_str());
    if (!file.kept.empty()) ::unlink(file.kept.c_str());
  }
}

bool Fail(WriteFailure* failure, WriteFailure what) {
  if (failure != nullptr) *failure = std::move(what);
  return false;
}

bool FailWith(WriteFailure* failure, std::size_t file, int code) {
  return Fail(failure, WriteFailure{file, 0, std::strerror(code), false, false});
}

}  // namespace

bool IsOwnTemporaryName(const std::string& name) {
  const std::string start = kTemporaryStart, ending = kTemporaryEnding;
  if (name.size() != start.size() + kRandomLetters + ending.size()) return false;
  if (name.compare(0, start.size(), start) != 0 ||
      name.compare(name.size() - ending.size(), ending.size(), ending))
    return false;
  return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(start.size()),
                     name.end() - static_cast<std::ptrdiff_t>(ending.size()), IsAlphanumeric);
}

std::string FolderTakesFiles(const std::string& folder) {
  std::string probe;
  const int fd = CreateTemporary(folder, &probe);
  if (fd < 0) return std::strerror(errno);
  ::close(fd);
  ::unlink(probe.c_str());
  return {};
}

std::optional<std::string> PosixFileStore::CheckTarget(const std::string& path) {
  return TargetRefusal(path);
}

bool PosixFileStore::WriteWholeFiles(const std::vector<WholeFile>& files, WriteFailure* failure,
                                     const StopAsked& stop) {
  std::vector<std::string> folders;
  for (std::size_t k = 0; k < files.size(); ++k) {
    if (auto refusal = TargetRefusal(files[k].path))
      return Fail(failure, WriteFailure{k, 0, *refusal, true, false});
    folders.push_back(FolderOf(files[k].path));
  }

  std::vector<Staged> staged(files.size());
  for (std::size_t k = 0; k < files.size(); ++k) {
    const int fd = CreateTemporary(folders[k], &staged[k].temporary);
    if (fd < 0) {
      const int code = errno;
      staged[k].temporary.clear();
      Discard(staged);
      return FailWith(failure, k, code);
    }
    int code = WritePieces(fd, files[k].bytes, stop);
    if (code == 0 && ::fsync(fd) != 0) code = errno;
    if (::close(fd) != 0 && code == 0) code = errno;
    if (code != 0) {
      Discard(staged);
      if (code < 0) return Fail(failure, WriteFailure{k, 0, "stopped", false, true});
      return FailWith(failure, k, code);
    }
  }

  const FolderLocks locks(folders);
  // Under the lock: another writer's kept files exist only while it holds it.
  for (const std::string& folder : locks.Folders()) ClearStaleTemporaries(folder);
  // What stands at the names may have changed while the files were written.
  for (std::size_t k = 0; k < files.size(); ++k) {
    if (auto refusal = TargetRefusal(files[k].path)) {
      Discard(staged);
      return Fail(failure, WriteFailure{k, 0, *refusal, true, false});
    }
    struct stat status {};
    staged[k].existed = ::lstat(files[k].path.c_str(), &status) == 0;
    if (staged[k].existed) KeepUnderTemporaryName(files[k].path, &staged[k].kept);
  }
  for (std::size_t k = 0; k < files.size(); ++k) {
    if (::rename(staged[k].temporary.c_str(), files[k].path.c_str()) == 0) {
      staged[k].temporary.clear();
      continue;
    }
    const int code = errno;
    // The files already placed go back to what they were.
    std::size_t placed = 0;
    for (std::size_t j = 0; j < k; ++j) {
      const bool back = staged[j].existed ? !staged[j].kept.empty() &&
                                                ::rename(staged[j].kept.c_str(), files[j].path.c_str()) == 0
                                          : ::unlink(files[j].path.c_str()) == 0;
      if (back) {
        staged[j].kept.clear();
      } else {
        placed = j + 1;
      }
    }
    Discard(staged);
    return Fail(failure, WriteFailure{k, placed, std::strerror(code), false, false});
  }
  Discard(staged);
  return true;
}

bool PosixFileStore::Append(const std::string& path, const std::string& bytes, std::string* error) {
  const int fd = OpenRegularFile(path, O_WRONLY | O_CREAT | O_APPEND, error);
  if (fd < 0) return false;
  struct stat before {};
  const bool sized = ::fstat(fd, &before) == 0;
  const int code = WritePieces(fd, bytes, {});
  if (code != 0 && sized) {
    // A line cut short by a full disk would run into the next line written: take it back.
    const int truncated = ::ftruncate(fd, before.st_size);
    (void)truncated;
  }
  if (::close(fd) != 0 || code != 0) {
    if (error != nullptr) *error = std::strerror(code != 0 ? code : errno);
    return false;
  }
  return true;
}
