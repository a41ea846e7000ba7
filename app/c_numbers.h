#pragma once
// The station map code writes its numbers with the C library's formatting, which follows the
// desktop's locale once the window has set it up ("52,52° N" on a German desktop). Within
// this scope the calling thread writes them with a "." again; other threads are untouched.
#include <locale.h>

class CNumbersOnThisThread {
 public:
  CNumbersOnThisThread() : c_(newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0))) {
    if (c_ != static_cast<locale_t>(0)) previous_ = uselocale(c_);
  }
  ~CNumbersOnThisThread() {
    if (c_ == static_cast<locale_t>(0)) return;
    uselocale(previous_);
    freelocale(c_);
  }
  CNumbersOnThisThread(const CNumbersOnThisThread&) = delete;
  CNumbersOnThisThread& operator=(const CNumbersOnThisThread&) = delete;

 private:
  locale_t c_;
  locale_t previous_ = static_cast<locale_t>(0);
};
