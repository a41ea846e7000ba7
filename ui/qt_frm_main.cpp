#include "ui/qt_frm_main.h"

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
  if (event->nativeScanCode() != 0) keysDown_.insert(event->nativeScanCode());
  const int code = VirtualKeyCode(*event);
  const int shift = ModifierState(event->modifiers());
  if (code == vk::PrintScreen && shift == shift_state::Alt) {
    // The desktop's Alt+Print Screen: the window's picture goes to the clipboard.
    clipboard_.WriteBitmap(picture1_.Image());
  }
  if (events_ != nullptr) events_->Form_KeyDown(code, shift);
  event->accept();
}

void FrmMain::keyReleaseEvent(QKeyEvent* event) {
  // Held keys repeat their presses only; repeated releases would each write a log line.
  if (event->isAutoRepeat()) return;
  // The Return that closed a message box comes up here: it must not start a redraw (nor an
  // Esc end the program). Only releases of keys pressed in this window count.
  if (event->nativeScanCode() != 0 && keysDown_.erase(event->nativeScanCode()) == 0) {
    event->accept();
    return;
  }
  if (events_ != nullptr) events_->Form_KeyUp(VirtualKeyCode(*event), ModifierState(event->modifiers()));
  event->accept();
}

void FrmMain::mouseReleaseEvent(QMouseEvent* event) {
  // Picture1 covers the whole client area while it is visible, so a click then reaches it
  // and not the window.
  if (!picture1_.Visible() && events_ != nullptr) events_->Form_Click();
  event->accept();
}

void FrmMain::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && !isActiveWindow()) LoseKeyboard();
  QWidget::changeEvent(event);
}

void FrmMain::focusOutEvent(QFocusEvent* event) {
  LoseKeyboard();
  QWidget::focusOutEvent(event);
}

void FrmMain::LoseKeyboard() {
  // A key released elsewhere is never released here; back in the window it must not go on
  // turning the globe, nor log a release it never saw.
  keysDown_.clear();
  if (events_ != nullptr) events_->Form_Deactivate();
}

void FrmMain::closeEvent(QCloseEvent* event) {
  event->accept();
  if (events_ != nullptr) events_->Form_Unload();
}
