#include "ui/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

int Refuse(std::string* error, const char* reason) {
  if (error != nullptr) *error = reason;
  return -1;
}

}  // namespace

int OpenRegularFile(const std::string& path, int flags, std::string* error) {
  struct stat status {};
  // Opening some devices does something by itself, so what can be seen is refused unopened.
  if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) return Refuse(error, kNotARegularFile);
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) {
    // A pipe opened for writing without a reader.
    return Refuse(error, errno == ENXIO ? kNotARegularFile : std::strerror(errno));
  }
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    return Refuse(error, kNotARegularFile);
  }
  const int modes = ::fcntl(fd, F_GETFL);
  if (modes != -1) ::fcntl(fd, F_SETFL, modes & ~O_NONBLOCK);
  return fd;
}
