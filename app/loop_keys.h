#pragma once
// The window's keys as tables: which held-key flag a key sets and clears, and which command
// a press or a release gives. Adding a key is one row.
#include <span>

#include "app/view_state.h"

// A key held to move the view: set on its press with no modifier (`held`) or with Ctrl alone
// (`ctrlHeld`, where the key has one), cleared on its release whatever the modifiers.
struct HeldKey {
  int keyCode;
  bool KeyFlags::*held;
  bool KeyFlags::*ctrlHeld;
};

std::span<const HeldKey> HeldKeyTable();
void PressHeldKey(KeyFlags& keys, int keyCode, int shift);
void ReleaseHeldKey(KeyFlags& keys, int keyCode);

enum class KeyCommand {
  None,
  EndPass,      // the loop ends and the map is redrawn
  EndProgram,   // the loop ends, and the program after the redraw; a station map being made stops
  Frameless,    // the window loses its frame for a capture
  ArmCapture,   // the desktop has put the window's picture on the clipboard
  TakeCapture,  // the clipboard's picture is stored as a map, when the capture is armed
  GoToPlace,    // Ctrl+G: the go-to dialog
  StationMap,   // M: the station map of the view
};

// When a release's command runs: before the window gets its frame back, after it, or after
// the release's log line (for work that runs events of its own).
enum class ReleaseStep { BeforeFrame, AfterFrame, AfterLog };

inline constexpr int kAnyKey = -1;
inline constexpr int kAnyShift = -1;

struct KeyBinding {
  int keyCode;  // or kAnyKey
  int shift;    // the modifier state exactly, or kAnyShift
  KeyCommand command;
  ReleaseStep step = ReleaseStep::AfterFrame;  // of a release
};

std::span<const KeyBinding> PressBindings();
std::span<const KeyBinding> ReleaseBindings();

// The first binding of `bindings` for the key and modifiers; one with KeyCommand::None when
// none is.
KeyBinding FindBinding(std::span<const KeyBinding> bindings, int keyCode, int shift);
