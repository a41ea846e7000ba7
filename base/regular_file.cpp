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
