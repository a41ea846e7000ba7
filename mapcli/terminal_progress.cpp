#include "mapcli/terminal_progress.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace {

// A line rewritten more often than this only flickers.
constexpr auto kRewriteEvery = std::chrono::milliseconds(100);

void WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

TerminalProgress::TerminalProgress(int fd) : fd_(::isatty(fd) ? fd : -1) {}

TerminalProgress::~TerminalProgress() {
  if (shown_) WriteAll(fd_, "\r\033[K");
}

void TerminalProgress::Show(std::string_view phase, double fraction) {
  if (fd_ < 0) return;
  const int percent = static_cast<int>(std::floor(std::clamp(fraction, 0.0, 1.0) * 100));
  const auto now = std::chrono::steady_clock::now();
  const bool samePhase = shown_ && phase == phase_;
  if (samePhase && (percent == percent_ || now - written_ < kRewriteEvery)) return;
  WriteAll(fd_, "\r\033[Kskerrowen-map: " + std::string(phase) + " " + std::to_string(percent) + " %");
  phase_ = phase;
  percent_ = percent;
  written_ = now;
  shown_ = true;
}
