#include "geodata/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/regular_file.h"

namespace {

TextFile Problem(DataFileFault fault, const std::string& path, std::string detail) {
  return {{}, DataFileProblem{fault, path, {}, std::move(detail)}};
}

}  // namespace

TextFile ReadTextFile(const std::string& path, std::size_t sizeLimit) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
    return Problem(DataFileFault::Missing, path, std::strerror(errno));
  }
  std::string error;
  const int fd = OpenRegularFile(path, O_RDONLY, &error);
  if (fd < 0) return Problem(DataFileFault::Unreadable, path, error);
  TextFile file;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      file = Problem(DataFileFault::Unreadable, path, std::strerror(errno));
      break;
    }
    if (n == 0) break;
    if (file.text.size() + static_cast<std::size_t>(n) > sizeLimit) {
      file = Problem(DataFileFault::Malformed, path, "longer than " + std::to_string(sizeLimit) + " bytes");
      break;
    }
    file.text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return file;
}
