#include "ui/qt_services.h"

#include <unistd.h>

#include <QClipboard>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMessageBox>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "ui/qt_settings_store.h"

namespace {
// A picture side beyond this is refused before decoding, so a corrupt header cannot make
// the program allocate gigabytes.
constexpr int kMaxPictureSide = 16384;

std::uint32_t LittleEndian(const QByteArray& bytes, int at, int size) {
  std::uint32_t value = 0;
  for (int k = size - 1; k >= 0; --k) value = value << 8 | static_cast<std::uint8_t>(bytes[at + k]);
  return value;
}

// Qt reads an uncompressed BMP that ends before its last row without an error, and the rows
// it never read hold no picture. True when the file is shorter than its header says.
bool IsCutShortBmp(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray header = file.read(54);
  if (header.size() < 54 || !header.startsWith("BM") || LittleEndian(header, 14, 4) < 40) return false;
  const std::uint32_t compression = LittleEndian(header, 30, 4);
  if (compression != 0 && compression != 3) return false;  // run-length data has no fixed size
  const auto side = [&](int at) {
    const auto value = static_cast<std::int64_t>(static_cast<std::int32_t>(LittleEndian(header, at, 4)));
    return static_cast<std::uint64_t>(value < 0 ? -value : value);
  };
  const std::uint64_t bits = LittleEndian(header, 28, 2);
  const std::uint64_t rowBytes = (side(18) * bits + 31) / 32 * 4;
  const std::uint64_t needed = LittleEndian(header, 10, 4) + rowBytes * side(22);
  return static_cast<std::uint64_t>(file.size()) < needed;
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
// start-up for nothing. Any other picture goes through the reader that decides by suffix and
// content, as before.
std::unique_ptr<QImageReader> OpenPicture(QFile& file, const QString& fileName) {
  if (file.open(QIODevice::ReadOnly)) {
    auto bitmap = std::make_unique<QImageReader>(&file, "bmp");
    bitmap->setAutoDetectImageFormat(false);
    if (bitmap->canRead()) return bitmap;
  }
  return std::make_unique<QImageReader>(fileName);
}

}  // namespace

std::optional<Picture> QtPictureFiles::Load(const std::string& path, std::string* error) {
  QFile file(QString::fromStdString(path));
  const std::unique_ptr<QImageReader> opened = OpenPicture(file, file.fileName());
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
  if (IsCutShortBmp(QString::fromStdString(path))) {
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
