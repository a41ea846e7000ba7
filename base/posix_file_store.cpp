#include "base/posix_file_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <random>

#include "base/regular_file.h"

namespace {

constexpr std::size_t kRandomLetters = 6;
constexpr const char* kTemporaryEnding = ".part";
// A temporary of ours younger than this may belong to another run storing the same map
// right now; a write takes well under a second.
constexpr std::time_t kStaleAfterSeconds = 120;

bool WriteAll(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
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

bool IsAlphanumeric(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// "<name>.part" as earlier versions wrote it, or "<name>.<six letters>.part".
bool IsTemporaryOf(const std::string& entry, const std::string& name) {
  const std::string ending = kTemporaryEnding;
  if (entry.size() <= name.size() || entry.compare(0, name.size(), name) != 0) return false;
  const std::string rest = entry.substr(name.size());
  if (rest == ending) return true;
  if (rest.size() != 1 + kRandomLetters + ending.size() || rest[0] != '.' ||
      rest.compare(1 + kRandomLetters, ending.size(), ending) != 0) {
    return false;
  }
  for (std::size_t k = 1; k <= kRandomLetters; ++k) {
    if (!IsAlphanumeric(rest[k])) return false;
  }
  return true;
}

struct Place {
  std::string folder;  // "." for the working directory
  std::string name;
};

Place PlaceOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// A run killed while it stored `path` leaves its temporary behind. Only regular files are
// removed, never what a link points to; a fresh one is left to the run that may be writing it.
void ClearStaleTemporaries(const std::string& path) {
  const Place place = PlaceOf(path);
  DIR* folder = ::opendir(place.folder.c_str());
  if (folder == nullptr) return;
  const std::time_t now = std::time(nullptr);
  while (const dirent* entry = ::readdir(folder)) {
    const std::string entryName = entry->d_name;
    if (!IsTemporaryOf(entryName, place.name)) continue;
    struct stat status {};
    if (::fstatat(::dirfd(folder), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
    const bool oldName = entryName == place.name + kTemporaryEnding;
    if (S_ISREG(status.st_mode) && (oldName || now - status.st_mtime >= kStaleAfterSeconds)) {
      ::unlinkat(::dirfd(folder), entry->d_name, 0);
    }
  }
  ::closedir(folder);
}

// A temporary beside `path` under a name nobody can foresee, created exclusively and never
// through a link. Mode 0644 less the umask, as the file it becomes.
int CreateTemporary(const std::string& path, std::string* temporary) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    *temporary = path + "." + RandomLetters() + kTemporaryEnding;
    const int fd = ::open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Makes the renames themselves survive a power loss.
void SyncFolder(const std::string& path) {
  const int fd = ::open(PlaceOf(path).folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool Fail(WriteFailure* failure, std::size_t file, std::size_t placed, int code) {
  if (failure != nullptr) *failure = WriteFailure{file, placed, std::strerror(code)};
  return false;
}

}  // namespace

bool PosixFileStore::WriteWhole(const std::string& path, const std::string& bytes, std::string* error) {
  WriteFailure failure;
  if (WriteWholeFiles({WholeFile{path, bytes}}, &failure)) return true;
  if (error != nullptr) *error = failure.reason;
  return false;
}

bool PosixFileStore::WriteWholeFiles(const std::vector<WholeFile>& files, WriteFailure* failure) {
  std::vector<std::string> temporaries;
  const auto discardFrom = [&](std::size_t first) {
    for (std::size_t k = first; k < temporaries.size(); ++k) ::unlink(temporaries[k].c_str());
  };
  for (std::size_t k = 0; k < files.size(); ++k) {
    ClearStaleTemporaries(files[k].path);
    std::string temporary;
    const int fd = CreateTemporary(files[k].path, &temporary);
    if (fd < 0) {
      const int code = errno;
      discardFrom(0);
      return Fail(failure, k, 0, code);
    }
    temporaries.push_back(temporary);
    const bool written = WriteAll(fd, files[k].bytes) && ::fsync(fd) == 0;
    const int code = errno;
    if (::close(fd) != 0 || !written) {
      const int reason = written ? errno : code;
      discardFrom(0);
      return Fail(failure, k, 0, reason);
    }
  }
  for (std::size_t k = 0; k < files.size(); ++k) {
    if (::rename(temporaries[k].c_str(), files[k].path.c_str()) != 0) {
      const int code = errno;
      discardFrom(k);
      return Fail(failure, k, k, code);
    }
  }
  std::string synced;
  for (const WholeFile& file : files) {
    const std::string folder = PlaceOf(file.path).folder;
    if (folder != synced) SyncFolder(file.path);
    synced = folder;
  }
  return true;
}

bool PosixFileStore::Append(const std::string& path, const std::string& bytes, std::string* error) {
  const int fd = OpenRegularFile(path, O_WRONLY | O_CREAT | O_APPEND, error);
  if (fd < 0) return false;
  struct stat before {};
  const bool sized = ::fstat(fd, &before) == 0;
  const bool written = WriteAll(fd, bytes);
  const int code = errno;
  if (!written && sized) {
    // A line cut short by a full disk would run into the next line written: take it back.
    const int truncated = ::ftruncate(fd, before.st_size);
    (void)truncated;
  }
  if (::close(fd) != 0 || !written) {
    if (error != nullptr) *error = std::strerror(written ? errno : code);
    return false;
  }
  return true;
}

bool PosixFileStore::Remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }
