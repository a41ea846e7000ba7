#pragma once
#include "ui/platform.h"

// Files of the working directory through POSIX calls. Whole files go to a temporary beside
// them, "<file>.<six random letters>.part", created anew so that nothing planted under a
// name it might take can receive the bytes, and renamed into place.
class PosixFileStore : public FileStore {
 public:
  bool WriteWhole(const std::string& path, const std::string& bytes, std::string* error) override;
  bool WriteWholeFiles(const std::vector<WholeFile>& files, WriteFailure* failure) override;
  // Appends to a regular file only, creating it; a named pipe or a device is refused.
  bool Append(const std::string& path, const std::string& bytes, std::string* error) override;
  bool Remove(const std::string& path) override;
};
