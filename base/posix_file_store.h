#pragma once
#include "base/platform.h"

// Files of the working directory through POSIX calls. A set of whole files is written to
// temporaries of this program's own pattern, ".skerrowen-<12 random letters>.part", created
// anew beside the files (so nothing planted under a name it might take can receive the
// bytes, and a name near the system's limit still has room), and renamed into place while
// the folder is locked against the other writers of this program. A file that stood at a
// name is kept under a temporary name of its own until the whole set is in place, so a
// failed rename puts it back; files at the final names are never opened.
class PosixFileStore : public FileStore {
 public:
  std::optional<std::string> CheckTarget(const std::string& path) override;
  bool WriteWholeFiles(const std::vector<WholeFile>& files, WriteFailure* failure,
                       const StopAsked& stop = {}) override;
  // Appends to a regular file only, creating it; a named pipe or a device is refused.
  bool Append(const std::string& path, const std::string& bytes, std::string* error) override;
};

// Whether `name` (without folder) is a temporary of this program's pattern.
bool IsOwnTemporaryName(const std::string& name);

// Whether files can be made in `folder`: one of this program's temporaries is made there and
// removed again. Empty when they can, else the system's reason.
std::string FolderTakesFiles(const std::string& folder);
