#pragma once
#include "ui/platform.h"

// Files of the working directory through the standard C library and POSIX rename.
class PosixFileStore : public FileStore {
 public:
  bool WriteWhole(const std::string& path, const std::string& bytes, std::string* error) override;
  bool Append(const std::string& path, const std::string& bytes, std::string* error) override;
  bool Remove(const std::string& path) override;
};
