#pragma once
// The main window as the program drives it, and the events it hands back. The window shows
// Picture1 and nothing else; the handlers run only while the program lets it process events.
#include <functional>
#include <optional>
#include <string>

class MainWindow {
 public:
  virtual ~MainWindow() = default;
  // Shows the window without waiting for it; creates it the first time.
  virtual void ShowModeless() = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  // 0: no frame and no title bar; 2: sizable frame with title bar.
  virtual void SetBorderStyle(int style) = 0;
  virtual void SetKeyPreview(bool enabled) = 0;
  // Handles what is pending (running the window's handlers), paints, and returns; never waits.
  virtual void DoEvents() = 0;
  // Asks for a repaint of the shown picture at the next event processing.
  virtual void RequestRepaint() = 0;
};

// Key events carry the platform's virtual-key code and the modifier state (1 Shift,
// 2 Ctrl, 4 Alt, added together).
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  virtual void Form_KeyDown(int keyCode, int shift) = 0;
  virtual void Form_KeyUp(int keyCode, int shift) = 0;
  virtual void Form_Click() = 0;
  virtual void Form_Terminate() = 0;
  // The window lost the keyboard to another window or a modal box: the releases of the keys
  // held now will not reach it.
  virtual void Form_Deactivate() = 0;
  // Closing the window: ends the program at once.
  virtual void Form_Unload() = 0;
};

// Ends the process at once (after flushing what must reach the disk); never returns.
class ProcessControl {
 public:
  virtual ~ProcessControl() = default;
  [[noreturn]] virtual void EndProgram() = 0;
};

// Virtual-key codes the system reacts to.
namespace vk {
constexpr int Enter = 13, Shift = 16, Control = 17, Alt = 18, Escape = 27;
constexpr int PageUp = 33, PageDown = 34, Left = 37, Up = 38, Right = 39, Down = 40, PrintScreen = 44;
constexpr int G = 71, M = 77, S = 83, W = 87;
}  // namespace vk

// Modifier states.
namespace shift_state {
constexpr int None = 0, Shift = 1, Ctrl = 2, Alt = 4;
}

// What the go-to dialog shows under the typed text: the place as it was understood, or why
// the text is not a place (then the dialog cannot be accepted).
struct PlaceUnderstanding {
  bool usable = false;
  std::string text;
};

struct PlaceAnswer {
  std::string text;  // as typed
  bool myStation = false;
};

// The go-to dialog: a place typed as a locator or as coordinates, and whether it is the
// operator's station.
class PlaceDialog {
 public:
  virtual ~PlaceDialog() = default;
  using Understand = std::function<PlaceUnderstanding(const std::string& text)>;
  // Modal: shows `text` to start with and asks `understand` at every change of the text.
  // Nothing when the operator cancels (Cancel, Esc, closing the dialog).
  virtual std::optional<PlaceAnswer> AskPlace(const std::string& text, const Understand& understand) = 0;
};
