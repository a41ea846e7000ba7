#include "app/loop_keys.h"

#include "ui/main_window.h"

namespace {

constexpr HeldKey kHeldKeys[] = {
    {vk::PageDown, &KeyFlags::PageDownHeld, nullptr},
    {vk::PageUp, &KeyFlags::PageUpHeld, nullptr},
    {vk::Left, &KeyFlags::LeftHeld, &KeyFlags::CtrlLeftHeld},
    {vk::Right, &KeyFlags::RightHeld, &KeyFlags::CtrlRightHeld},
    {vk::Up, &KeyFlags::UpHeld, nullptr},
    {vk::Down, &KeyFlags::DownHeld, nullptr},
    {vk::W, &KeyFlags::WHeld, nullptr},
    {vk::S, &KeyFlags::SHeld, nullptr},
};

// A desktop shortcut acts on the press: the hand may let go of Ctrl before G.
constexpr KeyBinding kPressBindings[] = {
    {vk::G, shift_state::Ctrl, KeyCommand::GoToPlace},
    {kAnyKey, shift_state::Alt, KeyCommand::Frameless},
};

constexpr KeyBinding kReleaseBindings[] = {
    {vk::Enter, kAnyShift, KeyCommand::EndPass, ReleaseStep::BeforeFrame},
    {vk::Escape, kAnyShift, KeyCommand::EndProgram, ReleaseStep::BeforeFrame},
    {vk::PrintScreen, shift_state::Alt, KeyCommand::ArmCapture, ReleaseStep::AfterFrame},
    {vk::Alt, shift_state::None, KeyCommand::TakeCapture, ReleaseStep::AfterFrame},
    {vk::M, shift_state::None, KeyCommand::StationMap, ReleaseStep::AfterLog},
};

const HeldKey* FindHeldKey(int keyCode) {
  for (const HeldKey& key : kHeldKeys) {
    if (key.keyCode == keyCode) return &key;
  }
  return nullptr;
}

}  // namespace

std::span<const HeldKey> HeldKeyTable() { return kHeldKeys; }

void PressHeldKey(KeyFlags& keys, int keyCode, int shift) {
  const HeldKey* key = FindHeldKey(keyCode);
  if (key == nullptr) return;
  if (shift == shift_state::None) keys.*key->held = true;
  if (shift == shift_state::Ctrl && key->ctrlHeld != nullptr) keys.*key->ctrlHeld = true;
}

void ReleaseHeldKey(KeyFlags& keys, int keyCode) {
  const HeldKey* key = FindHeldKey(keyCode);
  if (key == nullptr) return;
  keys.*key->held = false;
  if (key->ctrlHeld != nullptr) keys.*key->ctrlHeld = false;
}

std::span<const KeyBinding> PressBindings() { return kPressBindings; }

std::span<const KeyBinding> ReleaseBindings() { return kReleaseBindings; }

KeyBinding FindBinding(std::span<const KeyBinding> bindings, int keyCode, int shift) {
  for (const KeyBinding& binding : bindings) {
    if ((binding.keyCode == kAnyKey || binding.keyCode == keyCode) &&
        (binding.shift == kAnyShift || binding.shift == shift))
      return binding;
  }
  return KeyBinding{keyCode, shift, KeyCommand::None};
}
