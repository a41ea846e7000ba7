#pragma once
// Stopping work that runs on another thread, or stopping a whole run from a signal handler:
// the work asks now and then whether to stop, and says while it has files of its own on disk
// (the temporaries of a store), the one stretch in which the process must not simply end.
#include <atomic>
#include <chrono>

#include "base/platform.h"

class WorkStop {
 public:
  // Safe in a signal handler, as are Asked and WritingFiles.
  void Ask() { asked_.store(true); }
  bool Asked() const { return asked_.load(); }
  bool WritingFiles() const { return writers_.load() > 0; }
  // Waits until no files are being written, at most `patience`; true when none are.
  bool WaitForFiles(std::chrono::milliseconds patience) const;

 private:
  friend class StoppableFileStore;
  static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);
  std::atomic<bool> asked_{false};
  std::atomic<int> writers_{0};
};

// Writes through another store while `stop` has not been asked, telling `stop` while it
// does; a stop asked meanwhile ends the write with its temporaries removed. Whoever asks the
// stop and sees no files being written may end the process: none will be begun.
class StoppableFileStore : public FileStore {
 public:
  StoppableFileStore(FileStore& files, WorkStop& stop) : files_(files), stop_(stop) {}
  std::optional<std::string> CheckTarget(const std::string& path) override {
    return files_.CheckTarget(path);
  }
  bool WriteWholeFiles(const std::vector<WholeFile>& files, WriteFailure* failure,
                       const StopAsked& stop = {}) override;
  bool Append(const std::string& path, const std::string& bytes, std::string* error) override {
    return files_.Append(path, bytes, error);
  }

 private:
  FileStore& files_;
  WorkStop& stop_;
};
