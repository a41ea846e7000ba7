#pragma once
// The log "Brannoch.log" in the working directory: one line per event, appended and on
// disk when WriteLog returns; created on first use, never truncated.
#include <string>

#include "base/platform.h"

inline constexpr const char* kLogFileName = "Brannoch.log";

class LogFile {
 public:
  LogFile(FileStore& files, MessageBoxes& messages) : files_(files), messages_(messages) {}

  // Appends `text` and CR LF. When the log cannot be written the first time, one message
  // box (title "ERROR") names the file and the reason; later failures are silent, so a
  // broken log does not stop the operator at every key release. Each call tries again,
  // so lines resume once the file can be written.
  void WriteLog(const std::string& text);

  bool HasFailed() const { return failed_; }

 private:
  FileStore& files_;
  MessageBoxes& messages_;
  bool failed_ = false;
};
