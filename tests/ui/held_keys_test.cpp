// Releases of keys pressed in the main window, wherever they land: every one is handed on
// once, in the order they came, with the modifiers left after it.
#include "ui/held_keys.h"

#include <gtest/gtest.h>

#include "ui/main_window.h"

namespace {

constexpr std::uint32_t kCtrlScan = 37, kGScan = 42, kLeftScan = 113;

// Each release as its key code and modifier state.
using Handed = std::vector<std::pair<int, int>>;

Handed Codes(const std::vector<KeyRelease>& releases) {
  Handed codes;
  for (const KeyRelease& r : releases) codes.emplace_back(r.code, r.shift);
  return codes;
}

// Ctrl+G opens a dialog on the press; the two releases come while it blocks the window and
// are dropped unheard. Both are handed on when the window has the keyboard back.
TEST(HeldKeys, ReleasesDroppedWhileADialogBlocksAreHandedOnInOrder) {
  HeldKeys keys;
  keys.Pressed(kCtrlScan, vk::Control);
  keys.Pressed(kGScan, vk::G);
  keys.Reported(kCtrlScan, shift_state::Ctrl);  // Ctrl let go first
  keys.Reported(kGScan, 0);
  EXPECT_EQ(Codes(keys.Undelivered()), (Handed{{vk::Control, 0}, {vk::G, 0}}));
  EXPECT_TRUE(keys.Undelivered().empty());
  EXPECT_TRUE(keys.Delivered(kGScan, 0, false).empty()) << "handed on twice";
}

// A release dropped before one that is delivered is handed on first.
TEST(HeldKeys, ADeliveredReleaseBringsTheDroppedOnesBeforeIt) {
  HeldKeys keys;
  keys.Pressed(kCtrlScan, vk::Control);
  keys.Pressed(kGScan, vk::G);
  keys.Pressed(kLeftScan, vk::Left);
  keys.Reported(kGScan, shift_state::Ctrl);
  keys.Reported(kCtrlScan, shift_state::Ctrl);
  keys.Reported(kLeftScan, 0);
  EXPECT_EQ(Codes(keys.Delivered(kCtrlScan, 0, false)),
            (Handed{{vk::G, shift_state::Ctrl}, {vk::Control, 0}}));
  EXPECT_EQ(Codes(keys.Delivered(kLeftScan, 0, false)), (Handed{{vk::Left, 0}}));
  EXPECT_TRUE(keys.Undelivered().empty());
}

// Releases of keys pressed elsewhere (the Return that closed a message box), auto-repeats,
// and releases after the keyboard went to another program hand nothing on.
TEST(HeldKeys, OnlyReleasesOfKeysPressedHereAreHandedOnOnce) {
  HeldKeys keys;
  keys.Reported(kGScan, 0);
  EXPECT_TRUE(keys.Delivered(kGScan, 0, false).empty());
  keys.Pressed(kLeftScan, vk::Left);
  keys.Reported(kLeftScan, 0);
  EXPECT_TRUE(keys.Delivered(kLeftScan, 0, true).empty());
  keys.Reported(kLeftScan, 0);
  EXPECT_EQ(Codes(keys.Delivered(kLeftScan, 0, false)), (Handed{{vk::Left, 0}}));
  // Without reports from the display server the delivered releases still count.
  keys.Pressed(kGScan, vk::G);
  EXPECT_EQ(Codes(keys.Delivered(kGScan, shift_state::Ctrl, false)), (Handed{{vk::G, shift_state::Ctrl}}));
  keys.Pressed(kLeftScan, vk::Left);
  keys.Forget();
  keys.Reported(kLeftScan, 0);
  EXPECT_TRUE(keys.Undelivered().empty());
}

}  // namespace
