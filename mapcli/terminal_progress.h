#pragma once
// The map maker's progress on a terminal: one line on standard error, rewritten in place as
// the phases go ("skerrowen-map: Projecting 45 %"), and cleared when the work is done. Not
// a terminal (a file, a pipe): nothing is shown.
#include <chrono>
#include <string>
#include <string_view>

class TerminalProgress {
 public:
  explicit TerminalProgress(int fd);
  ~TerminalProgress();
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  void Show(std::string_view phase, double fraction);

 private:
  int fd_;
  bool shown_ = false;
  std::string phase_;
  int percent_ = 0;
  std::chrono::steady_clock::time_point written_;
};
