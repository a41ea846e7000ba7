#include "ui/posix_file_store.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The reason alone: callers name the file in their own words.
bool Fail(std::string* error, const std::string& /*path*/, int code) {
  if (error != nullptr) *error = std::strerror(code);
  return false;
}

bool WriteAll(int fd, const std::string& bytes) {
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

}  // namespace

bool PosixFileStore::WriteWhole(const std::string& path, const std::string& bytes, std::string* error) {
  const std::string temporary = path + ".part";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return Fail(error, path, errno);
  if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) {
    const int code = errno;
    ::close(fd);
    ::unlink(temporary.c_str());
    return Fail(error, path, code);
  }
  if (::close(fd) != 0 || ::rename(temporary.c_str(), path.c_str()) != 0) {
    const int code = errno;
    ::unlink(temporary.c_str());
    return Fail(error, path, code);
  }
  return true;
}

bool PosixFileStore::Append(const std::string& path, const std::string& bytes, std::string* error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return Fail(error, path, errno);
  struct stat before {};
  const bool sized = ::fstat(fd, &before) == 0;
  const bool written = WriteAll(fd, bytes);
  const int code = errno;
  if (!written && sized) {
    // A line cut short by a full disk would run into the next line written: take it back.
    const int truncated = ::ftruncate(fd, before.st_size);
    (void)truncated;
  }
  if (::close(fd) != 0 || !written) return Fail(error, path, written ? errno : code);
  return true;
}

bool PosixFileStore::Remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }
