#include "ui/qt_frm_main.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QWindow>

#include "ui/qt_virtual_keys.h"

namespace {
constexpr int kClientSize = 557;
}

FrmMain::FrmMain(Surface& picture1, Clipboard& clipboard) : picture1_(picture1), clipboard_(clipboard) {
  setWindowTitle("Skerrowen");
  setFixedSize(kClientSize, kClientSize);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  QCoreApplication::instance()->installEventFilter(this);
  QCoreApplication::instance()->installNativeEventFilter(this);
}

FrmMain::~FrmMain() {
  QCoreApplication::instance()->removeNativeEventFilter(this);
  QCoreApplication::instance()->removeEventFilter(this);
}

void FrmMain::ShowModeless() {
  show();
  raise();
  activateWindow();
}

void FrmMain::SetCaption(const std::string& caption) {
  const QString title = QString::fromStdString(caption);
  if (windowTitle() != title) setWindowTitle(title);
}

void FrmMain::SetBorderStyle(int style) {
  if (style == borderStyle_) return;
  borderStyle_ = style;
  // Switched on the live native window: re-creating it would lose the keyboard focus, and
  // with it the Alt release that takes a capture.
  QWindow* window = windowHandle();
  if (window == nullptr) return;
  Qt::WindowFlags flags = window->flags();
  flags.setFlag(Qt::FramelessWindowHint, style == 0);
  window->setFlags(flags);
}

void FrmMain::DoEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void FrmMain::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!picture1_.Visible()) {
    painter.fillRect(rect(), palette().window());
    return;
  }
  const QImage image(reinterpret_cast<const uchar*>(picture1_.Pixels()), picture1_.Width(),
                     picture1_.Height(), picture1_.Width() * 4, QImage::Format_RGB32);
  painter.drawImage(0, 0, image);
}

void FrmMain::keyPressEvent(QKeyEvent* event) {
  const int code = VirtualKeyCode(*event);
  if (event->nativeScanCode() != 0) heldKeys_.Pressed(event->nativeScanCode(), code);
  const int shift = ModifierState(event->modifiers());
  if (code == vk::PrintScreen && shift == shift_state::Alt) {
    // The desktop's Alt+Print Screen: the window's picture goes to the clipboard.
    clipboard_.WriteBitmap(picture1_.Image());
  }
  if (events_ != nullptr) events_->Form_KeyDown(code, shift);
  event->accept();
}

void FrmMain::keyReleaseEvent(QKeyEvent* event) {
  event->accept();
  // Held keys repeat their presses only; repeated releases would each write a log line. The
  // Return that closed a message box comes up here: it must not start a redraw (nor an Esc
  // end the program). Only releases of keys pressed in this window count.
  if (event->nativeScanCode() != 0) {
    HandOn(heldKeys_.Delivered(event->nativeScanCode(), ModifierState(event->modifiers()),
                               event->isAutoRepeat()));
  } else if (!event->isAutoRepeat() && events_ != nullptr) {
    events_->Form_KeyUp(VirtualKeyCode(*event), ModifierState(event->modifiers()));
  }
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyRelease || !watched->isWidgetType() ||
      static_cast<QWidget*>(watched)->window() == this) {
    return false;
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->nativeScanCode() != 0)
    HandOn(heldKeys_.Delivered(key->nativeScanCode(), ModifierState(key->modifiers()), key->isAutoRepeat()));
  return false;
}

bool FrmMain::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7F) != XCB_KEY_RELEASE) return false;
  const auto* release = static_cast<const xcb_key_release_event_t*>(message);
  heldKeys_.Reported(release->detail, (release->state & XCB_MOD_MASK_SHIFT ? shift_state::Shift : 0) |
                                          (release->state & XCB_MOD_MASK_CONTROL ? shift_state::Ctrl : 0) |
                                          (release->state & XCB_MOD_MASK_1 ? shift_state::Alt : 0));
  return false;
}

void FrmMain::HandOn(const std::vector<KeyRelease>& releases) {
  for (const KeyRelease& release : releases) {
    if (events_ != nullptr) events_->Form_KeyUp(release.code, release.shift);
  }
}

void FrmMain::mouseReleaseEvent(QMouseEvent* event) {
  // Picture1 covers the whole client area while it is visible, so a click then reaches it
  // and not the window.
  if (!picture1_.Visible() && events_ != nullptr) events_->Form_Click();
  event->accept();
}

void FrmMain::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange) {
    if (isActiveWindow()) {
      HandOn(heldKeys_.Undelivered());
    } else {
      LoseKeyboard();
    }
  }
  QWidget::changeEvent(event);
}

void FrmMain::focusOutEvent(QFocusEvent* event) {
  LoseKeyboard();
  QWidget::focusOutEvent(event);
}

void FrmMain::LoseKeyboard() {
  // A key released in another program is never released here; back in the window it must
  // not go on turning the globe, nor log a release it never saw. A dialog of the program
  // hands its releases on.
  if (QApplication::activeModalWidget() == nullptr) heldKeys_.Forget();
  if (events_ != nullptr) events_->Form_Deactivate();
}

void FrmMain::closeEvent(QCloseEvent* event) {
  event->accept();
  if (events_ != nullptr) events_->Form_Unload();
}
