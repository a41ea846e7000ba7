#include "ui/held_keys.h"

#include <algorithm>

#include "ui/main_window.h"

void HeldKeys::Reported(std::uint32_t scanCode, int modifiersHeld) {
  const auto pressed = down_.find(scanCode);
  if (pressed == down_.end()) return;
  int shift = modifiersHeld;
  if (pressed->second == vk::Shift) shift &= ~shift_state::Shift;
  if (pressed->second == vk::Control) shift &= ~shift_state::Ctrl;
  if (pressed->second == vk::Alt) shift &= ~shift_state::Alt;
  reported_.push_back({scanCode, shift});
}

std::vector<KeyRelease> HeldKeys::Delivered(std::uint32_t scanCode, int shift, bool autoRepeat) {
  std::vector<KeyRelease> releases;
  const auto report = std::find_if(reported_.begin(), reported_.end(),
                                   [&](const Report& r) { return r.scanCode == scanCode; });
  if (report != reported_.end()) {
    // Releases are delivered in the order they came: those before this one were dropped.
    for (auto dropped = reported_.begin(); dropped != report; ++dropped)
      HandOn(dropped->scanCode, dropped->shift, releases);
    reported_.erase(reported_.begin(), std::next(report));
  }
  if (!autoRepeat) HandOn(scanCode, shift, releases);
  return releases;
}

std::vector<KeyRelease> HeldKeys::Undelivered() {
  std::vector<KeyRelease> releases;
  for (const Report& report : reported_) HandOn(report.scanCode, report.shift, releases);
  reported_.clear();
  return releases;
}

void HeldKeys::Forget() {
  down_.clear();
  reported_.clear();
}

void HeldKeys::HandOn(std::uint32_t scanCode, int shift, std::vector<KeyRelease>& releases) {
  const auto pressed = down_.find(scanCode);
  if (pressed == down_.end()) return;
  releases.push_back({pressed->second, shift});
  down_.erase(pressed);
}
