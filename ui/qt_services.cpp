#include "ui/qt_services.h"

#include <fcntl.h>
#include <glib.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QClipboard>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMessageBox>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <memory>
#include <thread>

#include "base/bmp_extent.h"
#include "base/regular_file.h"

namespace {
// A picture side beyond this is refused before decoding, so a corrupt header cannot make
// the program allocate gigabytes.
constexpr int kMaxPictureSide = 16384;

// True when the open bitmap file ends before the picture its header describes; the file is
// read from its start.
bool IsCutShortBmp(QFile& file) {
  if (!file.seek(0)) return false;
  const auto next = [&file]() -> int {
    char byte = 0;
    return file.getChar(&byte) ? static_cast<unsigned char>(byte) : -1;
  };
  return bmp_extent::EndsBeforeItsPicture(next, static_cast<std::uint64_t>(file.size()));
}
}  // namespace

QtClock::QtClock() = default;
QtClock::~QtClock() = default;

std::uint32_t QtClock::GetTickCount() {
  // steady_clock counts from system start on Linux, as the platform's tick count does.
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

LocalDateTime QtClock::Now() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return LocalDateTime{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec()};
}

void QtClock::Sleep(std::uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

namespace {

// The glib main context that Qt's event dispatcher iterates on this thread, or null when the
// dispatcher is another. On X11 the display's reader thread and every posted event wake it.
GMainContext* DispatcherMainContext() {
  const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  if (dispatcher == nullptr || !dispatcher->inherits("QEventDispatcherGlib")) return nullptr;
  const QCoreApplication* application = QCoreApplication::instance();
  if (application == nullptr || QThread::currentThread() != application->thread()) return nullptr;
  return g_main_context_default();
}

}  // namespace

void QtClock::WaitForEvent(std::uint32_t milliseconds) {
  GMainContext* context = DispatcherMainContext();
  if (context == nullptr || !g_main_context_acquire(context)) {
    Clock::WaitForEvent(milliseconds);
    return;
  }
  // The first three steps of an iteration; the fourth, dispatching, is the next DoEvents'.
  // A source found ready stays marked ready for it.
  gint priority = G_MAXINT;
  if (!g_main_context_prepare(context, &priority)) {
    gint timeout = -1;
    gint count = 0;
    for (;;) {
      count = g_main_context_query(context, priority, &timeout, pollFds_.data(),
                                   static_cast<gint>(pollFds_.size()));
      if (count <= static_cast<gint>(pollFds_.size())) break;
      pollFds_.resize(static_cast<std::size_t>(count));
    }
    const gint limit = static_cast<gint>(std::min<std::uint32_t>(milliseconds, INT_MAX));
    g_main_context_get_poll_func(context)(pollFds_.data(), static_cast<guint>(count),
                                          timeout < 0 ? limit : std::min(timeout, limit));
    g_main_context_check(context, priority, pollFds_.data(), count);
  }
  g_main_context_release(context);
}

void QtMessageBoxes::Show(const std::string& text, const std::string& title, MessageIcon icon) {
  const std::string shownTitle = title.empty() ? defaultTitle_ : title;
  // Also on standard error, so that a run nobody watches still says what went wrong.
  std::fprintf(stderr, "skerrowen: %s: %s\n", shownTitle.c_str(), text.c_str());
  QMessageBox box;
  box.setText(QString::fromStdString(text));
  box.setWindowTitle(QString::fromStdString(shownTitle));
  box.setIcon(icon == MessageIcon::Critical      ? QMessageBox::Critical
              : icon == MessageIcon::Information ? QMessageBox::Information
                                                 : QMessageBox::NoIcon);
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

Picture PictureFromImage(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  const int width = rgb.width();
  const int height = rgb.height();
  Picture picture{width, height, {}};
  picture.pixels.resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const auto* line = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
    std::uint32_t* row = picture.pixels.data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) row[x] = line[x] & 0xFFFFFFU;
  }
  return picture;
}

QImage ImageFromPicture(const Picture& picture) {
  QImage image(picture.width, picture.height, QImage::Format_RGB32);
  for (int y = 0; y < picture.height; ++y) {
    auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
    for (int x = 0; x < picture.width; ++x)
      line[x] = 0xFF000000U | picture.pixels[static_cast<std::size_t>(y) * picture.width + x];
  }
  return image;
}

std::optional<Picture> QtClipboard::ReadBitmap() {
  const QImage image = QGuiApplication::clipboard()->image();
  if (image.isNull()) return std::nullopt;
  return PictureFromImage(image);
}

void QtClipboard::WriteBitmap(const Picture& picture) {
  QGuiApplication::clipboard()->setImage(ImageFromPicture(picture));
}

namespace {

// A bitmap goes to Qt's built-in bitmap reader directly. Left to choose by the suffix, Qt
// first loads every image plugin it has, since none of them claims ".bmp": about 20 ms of
// start-up for nothing. Any other picture goes through the reader that decides by the suffix
// (given as the format it hints at) and by content, as before. A file that starts as a
// bitmap and is broken stays with the bitmap reader, whose refusal names the fault; no other
// reader is asked to guess. Both read the file already open, which is known to be a regular file.
std::unique_ptr<QImageReader> OpenPicture(QFile& file, const QString& fileName) {
  auto bitmap = std::make_unique<QImageReader>(&file, "bmp");
  bitmap->setAutoDetectImageFormat(false);
  if (bitmap->canRead() || file.peek(2) == "BM") return bitmap;
  bitmap.reset();
  file.seek(0);
  return std::make_unique<QImageReader>(&file, QFileInfo(fileName).suffix().toLower().toLatin1());
}

}  // namespace

std::optional<Picture> QtPictureFiles::Load(const std::string& path, std::string* error) {
  std::string reason;
  const int fd = OpenRegularFile(path, O_RDONLY, &reason);
  QFile file;
  if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    if (fd >= 0) ::close(fd);
    if (error) *error = path + ": " + (fd < 0 ? reason : file.errorString().toStdString());
    return std::nullopt;
  }
  const std::unique_ptr<QImageReader> opened = OpenPicture(file, QString::fromStdString(path));
  QImageReader& reader = *opened;
  const QSize size = reader.size();
  if (size.isValid() && (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide)) {
    if (error)
      *error = path + ": the picture is too large (" + std::to_string(size.width()) + " x " +
               std::to_string(size.height()) + ")";
    return std::nullopt;
  }
  QImage image;
  if (!reader.read(&image) || image.isNull()) {
    if (error) *error = path + ": " + reader.errorString().toStdString();
    return std::nullopt;
  }
  if (IsCutShortBmp(file)) {
    if (error) *error = path + ": the file ends before the picture does";
    return std::nullopt;
  }
  return PictureFromImage(image);
}

void QtProcessControl::EndProgram() {
  if (keep_) keep_();
  std::fflush(nullptr);
  ::_exit(0);
}
