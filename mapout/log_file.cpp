#include "mapout/log_file.h"

void LogFile::WriteLog(const std::string& text) {
  std::string error;
  if (files_.Append(kLogFileName, text + "\r\n", &error)) return;
  if (failed_) return;
  failed_ = true;
  messages_.Show(std::string("Cannot write the log file \"") + kLogFileName + "\": " + error +
                     "\nThe program goes on without the log.",
                 "ERROR", MessageIcon::Critical);
}
