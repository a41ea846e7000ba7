// The window's key tables: a row added later must not hide one before it, nor be hidden.
#include "app/loop_keys.h"

#include <gtest/gtest.h>

#include <set>

#include "ui/main_window.h"

namespace {

// Each row answers its own key and modifiers, so no earlier row hides it; a row for any key
// or any modifiers answers every one of them.
void ExpectEveryRowReachable(std::span<const KeyBinding> bindings, const char* table) {
  for (const KeyBinding& row : bindings) {
    const std::vector<int> keys = row.keyCode == kAnyKey
                                      ? std::vector<int>{vk::Alt, vk::G, vk::M, vk::Enter, 65}
                                      : std::vector<int>{row.keyCode};
    for (int key : keys) {
      for (int shift = 0; shift < 8; ++shift) {
        if (row.shift != kAnyShift && row.shift != shift) continue;
        EXPECT_EQ(FindBinding(bindings, key, shift).command, row.command)
            << table << ": key " << key << " with modifiers " << shift << " is taken by an earlier row";
      }
    }
  }
}

TEST(LoopKeys, EveryBindingIsReachableAndOtherKeysGiveNone) {
  ExpectEveryRowReachable(PressBindings(), "press");
  ExpectEveryRowReachable(ReleaseBindings(), "release");
  EXPECT_EQ(FindBinding(ReleaseBindings(), vk::M, shift_state::Ctrl).command, KeyCommand::None);
  EXPECT_EQ(FindBinding(PressBindings(), vk::G, shift_state::None).command, KeyCommand::None);
}

TEST(LoopKeys, EachHeldFlagHasOneKey) {
  KeyFlags probe;
  std::set<int> keys;
  std::set<const bool*> flags;
  for (const HeldKey& key : HeldKeyTable()) {
    EXPECT_TRUE(keys.insert(key.keyCode).second) << "key " << key.keyCode << " has two rows";
    EXPECT_TRUE(flags.insert(&(probe.*key.held)).second)
        << "key " << key.keyCode << " sets another key's flag";
    if (key.ctrlHeld != nullptr) {
      EXPECT_TRUE(flags.insert(&(probe.*key.ctrlHeld)).second) << "key " << key.keyCode;
    }
  }
  EXPECT_EQ(flags.size(), 10u) << "every one of the ten held-key flags";
}

}  // namespace
