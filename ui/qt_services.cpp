#include "ui/qt_services.h"

#include <QClipboard>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QLockFile>
#include <QMessageBox>
#include <QSysInfo>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <memory>
#include <cstdio>
#include <thread>
#include <vector>
#include <signal.h>
#include <unistd.h>

#include "ui/bmp_extent.h"
#include "ui/regular_file.h"

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

std::uint32_t QtClock::GetTickCount() {
  // steady_clock counts from system start on Linux, as the platform's tick count does.
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

LocalDateTime QtClock::Now() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return LocalDateTime{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
}

void QtClock::Sleep(std::uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

namespace {

// A program killed while it wrote its settings leaves the store's lock file behind. Qt
// removes a stale lock under a second lock, "<lock>.rmlock", and that one under a third, so a
// program killed at the wrong moment can leave any of them; one still empty is taken for a
// live lock until it is 30 s old. Qt waits for it inside the loop's event processing, so the
// window would stand frozen that long. Before the store is used, every lock of the chain that
// names nobody (and still names nobody a moment later), or names a process of this machine
// that no longer runs, is removed. A lock held by a running program is left alone.
bool ProcessIsGone(qint64 pid) { return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

void RemoveAbandonedLocks(const QString& storeFile) {
  std::vector<QString> chain;
  for (QString path = storeFile + ".lock"; QFileInfo::exists(path); path += ".rmlock") chain.push_back(path);
  bool waited = false;
  for (auto link = chain.rbegin(); link != chain.rend(); ++link) {
    QLockFile lock(*link);
    qint64 pid = 0;
    QString host, application;
    bool named = lock.getLockInfo(&pid, &host, &application);
    if (!named && !waited) {
      // A writer that has just created its lock fills it in within microseconds.
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      waited = true;
      named = lock.getLockInfo(&pid, &host, &application);
    }
    if (!named || (host == QSysInfo::machineHostName() && ProcessIsGone(pid))) lock.removeStaleLockFile();
  }
}

}  // namespace

QtSettingsStore::QtSettingsStore(const std::string& applicationName) {
  const QString name = QString::fromStdString(applicationName);
  settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, name, name);
  RemoveAbandonedLocks(settings_->fileName());
}

std::optional<std::string> QtSettingsStore::Read(const std::string& section, const std::string& key) {
  const QString path = QString::fromStdString(section + "/" + key);
  if (!settings_->contains(path)) return std::nullopt;
  const QVariant value = settings_->value(path);
  // An unquoted "10,5" written by hand reads as a list of two; it was meant as one text.
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(',').toStdString();
  return value.toString().toStdString();
}

std::string QtSettingsStore::Location() const { return settings_->fileName().toStdString(); }

bool QtSettingsStore::Write(const std::string& section, const std::string& key, const std::string& value,
                            std::string* error) {
  // Qt writes the store at the next event processing; a failure shows in the status then,
  // and is reported by the next write. A value the store already holds is not set again, so
  // the view steps that change nothing do not rewrite the file twenty times a second.
  const QString path = QString::fromStdString(section + "/" + key);
  const QString text = QString::fromStdString(value);
  if (settings_->value(path).toString() != text || !settings_->contains(path)) settings_->setValue(path, text);
  if (settings_->status() == QSettings::NoError) return true;
  if (error != nullptr) {
    *error = "cannot write " + settings_->fileName().toStdString() +
             (settings_->status() == QSettings::AccessError ? " (access denied or disk full)" : " (format error)");
  }
  return false;
}

void QtSettingsStore::Sync() { settings_->sync(); }

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
  Picture picture{rgb.width(), rgb.height(), {}};
  picture.pixels.resize(static_cast<std::size_t>(rgb.width()) * rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) picture.pixels[static_cast<std::size_t>(y) * rgb.width() + x] = line[x] & 0xFFFFFFU;
  }
  return picture;
}

QImage ImageFromPicture(const Picture& picture) {
  QImage image(picture.width, picture.height, QImage::Format_RGB32);
  for (int y = 0; y < picture.height; ++y) {
    auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
    for (int x = 0; x < picture.width; ++x) line[x] = 0xFF000000U | picture.pixels[static_cast<std::size_t>(y) * picture.width + x];
  }
  return image;
}

std::optional<Picture> QtClipboard::ReadBitmap() {
  const QImage image = QGuiApplication::clipboard()->image();
  if (image.isNull()) return std::nullopt;
  return PictureFromImage(image);
}

void QtClipboard::WriteBitmap(const Picture& picture) { QGuiApplication::clipboard()->setImage(ImageFromPicture(picture)); }

namespace {

// A bitmap goes to Qt's built-in bitmap reader directly. Left to choose by the suffix, Qt
// first loads every image plugin it has, since none of them claims ".bmp": about 20 ms of
// start-up for nothing. Any other picture goes through the reader that decides by the suffix
// (given as the format it hints at) and by content, as before. Both read the file already
// open, which is known to be a regular file.
std::unique_ptr<QImageReader> OpenPicture(QFile& file, const QString& fileName) {
  auto bitmap = std::make_unique<QImageReader>(&file, "bmp");
  bitmap->setAutoDetectImageFormat(false);
  if (bitmap->canRead()) return bitmap;
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
    if (error) *error = path + ": the picture is too large (" + std::to_string(size.width()) + " x " +
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
  settings_.Sync();
  std::fflush(nullptr);
  ::_exit(0);
}
