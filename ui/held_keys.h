#pragma once
// The keys pressed in the main window, until their releases are handed to the program, which
// logs every release. A release may land in the window, in a dialog of the program that took
// the keyboard (Ctrl+G opens one on the press of G), or on the window while such a dialog
// blocks it, where the toolkit drops it unheard; the display server reports each one as it
// comes, so the dropped ones are handed on as soon as a later release is delivered, or when
// the window has the keyboard back.
#include <cstdint>
#include <deque>
#include <map>
#include <vector>

struct KeyRelease {
  int code = 0;   // the platform's virtual-key code
  int shift = 0;  // the modifier state after the release: a modifier's own release does not count it
};

class HeldKeys {
 public:
  void Pressed(std::uint32_t scanCode, int code) { down_[scanCode] = code; }
  // The display server reports a release, with the modifiers (1 Shift, 2 Ctrl, 4 Alt) held
  // while the key was down.
  void Reported(std::uint32_t scanCode, int modifiersHeld);
  // The toolkit delivered the release of `scanCode` with `shift`, to the window or a dialog.
  // The releases to hand on, in order: those reported before it and never delivered, then
  // this one if its key was pressed in the window and it is no auto-repeat.
  std::vector<KeyRelease> Delivered(std::uint32_t scanCode, int shift, bool autoRepeat);
  // The window has the keyboard again: every release reported and never delivered.
  std::vector<KeyRelease> Undelivered();
  // The keyboard went to another program, whose releases are never reported here.
  void Forget();

 private:
  struct Report {
    std::uint32_t scanCode;
    int shift;
  };
  void HandOn(std::uint32_t scanCode, int shift, std::vector<KeyRelease>& releases);

  std::map<std::uint32_t, int> down_;  // scan code -> key code
  std::deque<Report> reported_;
};
