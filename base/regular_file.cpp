#include "base/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

int Refuse(std::string* error, const char* reason, int* errorNumber, int number) {
  if (error != nullptr) *error = reason;
  if (errorNumber != nullptr) *errorNumber = number;
  return -1;
}

}  // namespace

int OpenRegularFile(const std::string& path, int flags, std::string* error, int* errorNumber) {
  struct stat status {};
  // Opening some devices does something by itself, so what can be seen is refused unopened.
  if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode))
    return Refuse(error, kNotARegularFile, errorNumber, S_ISDIR(status.st_mode) ? EISDIR : 0);
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) {
    // A pipe opened for writing without a reader.
    if (errno == ENXIO) return Refuse(error, kNotARegularFile, errorNumber, 0);
    const int number = errno;
    return Refuse(error, std::strerror(number), errorNumber, number);
  }
  const bool seen = ::fstat(fd, &status) == 0;
  if (!seen || !S_ISREG(status.st_mode)) {
    ::close(fd);
    return Refuse(error, kNotARegularFile, errorNumber, seen && S_ISDIR(status.st_mode) ? EISDIR : 0);
  }
  const int modes = ::fcntl(fd, F_GETFL);
  if (modes != -1) ::fcntl(fd, F_SETFL, modes & ~O_NONBLOCK);
  return fd;
}

std::optional<std::string> TargetRefusal(const std::string& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) return std::nullopt;  // free, or its folder says why at the write
  const bool link = S_ISLNK(status.st_mode);
  if (link && ::stat(path.c_str(), &status) != 0) {
    if (errno == ELOOP) return "is a loop of symbolic links";
    return std::nullopt;
  }
  const std::string what = link ? "is a link to " : "is ";
  if (S_ISDIR(status.st_mode)) return what + "a folder";
  if (S_ISFIFO(status.st_mode)) return what + "a named pipe";
  if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return what + "a device";
  if (S_ISSOCK(status.st_mode)) return what + "a socket";
  if (!S_ISREG(status.st_mode)) return what + "not a regular file";
  // No write permission for anyone is the operator's "keep this", even for root, whom
  // access() lets write everything.
  const bool writable = (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 &&
                        !(::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES);
  if (!writable) return link ? "is a link to a read-only file" : "is read-only";
  return std::nullopt;
}
