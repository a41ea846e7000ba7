#include "imagecodec/qt_picture_decoder.h"

#include <unistd.h>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <cerrno>
#include <cstring>

namespace {

class QtDecoder final : public PictureDecoder {
 public:
  explicit QtDecoder(int fd) { file_.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle); }

  bool ReadHeader(PictureProblem& problem) {
    reader_.setDevice(&file_);
    // The reader's own cap refuses Earth pictures a map can use; the plan has its own.
    reader_.setAllocationLimit(0);
    if (reader_.canRead()) size_ = reader_.size();
    if (!size_.isValid()) {
      problem.fault = PictureFault::NotAPicture;
      return false;
    }
    return true;
  }

  int Width() const override { return size_.width(); }
  int Height() const override { return size_.height(); }

  bool Decode(const DecodePlan& plan, std::uint32_t* pixels, PictureProblem& problem) override {
    if (plan.rowCount < plan.fullHeight)
      reader_.setClipRect(QRect(0, plan.firstRow, plan.width, plan.rowCount));
    QImage image;
    if (!reader_.read(&image) || image.width() != plan.width || image.height() != plan.rowCount) {
      problem.fault = PictureFault::Damaged;
      problem.detail = reader_.errorString().toStdString();
      return false;
    }
    image.convertTo(QImage::Format_RGB32);
    const auto rowBytes = static_cast<std::size_t>(plan.width) * 4;
    for (int y = 0; y < plan.rowCount; ++y) {
      std::memcpy(pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(plan.width),
                  image.constScanLine(y), rowBytes);
    }
    return true;
  }

 private:
  QFile file_;
  QImageReader reader_;
  QSize size_;
};

}  // namespace

std::unique_ptr<PictureDecoder> OpenQtPictureDecoder(int fd, PictureProblem& problem) {
  if (::lseek(fd, 0, SEEK_SET) != 0) {
    problem.fault = PictureFault::Unreadable;
    problem.detail = std::strerror(errno);
    return nullptr;
  }
  auto decoder = std::make_unique<QtDecoder>(fd);
  if (!decoder->ReadHeader(problem)) return nullptr;
  return decoder;
}
