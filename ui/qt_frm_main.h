#pragma once
// frmMain on Qt: a window whose client area is fixed at 557 x 557 and shows Picture1.
#include <QAbstractNativeEventFilter>
#include <QWidget>
#include <string>

#include "base/platform.h"
#include "base/surface.h"
#include "ui/held_keys.h"
#include "ui/main_window.h"

class FrmMain : public QWidget, public MainWindow, public QAbstractNativeEventFilter {
 public:
  // `picture1` is the surface shown; `clipboard` receives the window's picture on
  // Alt+Print Screen, as the desktop does on the platform the system comes from.
  FrmMain(Surface& picture1, Clipboard& clipboard);
  ~FrmMain() override;
  void SetEvents(FormEvents* events) { events_ = events; }

  void ShowModeless() override;
  void SetCaption(const std::string& caption) override;
  void SetBorderStyle(int style) override;
  void SetKeyPreview(bool enabled) override { keyPreview_ = enabled; }
  void DoEvents() override;
  void RequestRepaint() override { update(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  // Releases of keys pressed here that land in a dialog of the program.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The display server's report of every release, before the toolkit delivers (or drops) it.
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  Surface& picture1_;
  Clipboard& clipboard_;
  FormEvents* events_ = nullptr;
  bool keyPreview_ = false;
  int borderStyle_ = 2;
  void LoseKeyboard();
  void HandOn(const std::vector<KeyRelease>& releases);

  HeldKeys heldKeys_;
};
