#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <cstring>
#include <memory>

#include "base/regular_file.h"
#include "render/d3dx/d3dx_texture.h"
#include "render/d3dx/refusal.h"

namespace {

// The suffix, given as the format it hints at, decides as it would for a reader that opened
// the file by its name. Deciding by the suffix asks only the decoder made for it: left to
// detect, Qt would load every picture plugin it has (and their libraries) in turn until one
// takes the suffix, which costs a start several milliseconds and megabytes.
std::unique_ptr<QImageReader> OpenReader(QFile& file, const QByteArray& suffix, bool byContent) {
  file.seek(0);
  auto reader = std::make_unique<QImageReader>(&file, suffix);
  reader->setDecideFormatFromContent(byContent);
  reader->setAutoDetectImageFormat(byContent);
  reader->setAllocationLimit(static_cast<int>(kMaxTextureTexels * 4 / (1024 * 1024)) + 1);
  return reader;
}

bool IsTexelFormat(QImage::Format format) {
  return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32;
}

// When the decoder will produce 32-bit pixels of a known size (JPEG, most bitmaps), it is
// handed a picture over the texture's own storage, so the texels are decoded where they stay
// instead of into a second full-size picture that is then copied.
QImage DecodeTarget(QImageReader& reader, QSize size, TexelVector* texels) {
  const QImage::Format format = reader.imageFormat();
  if (!size.isValid() || size.isEmpty() || !IsTexelFormat(format)) return QImage();
  texels->resize(static_cast<std::size_t>(size.width()) * static_cast<std::size_t>(size.height()));
  return QImage(reinterpret_cast<uchar*>(texels->data()), size.width(), size.height(), size.width() * 4,
                format);
}

// Whether the decoder wrote into the texture's storage rather than a picture of its own.
bool DecodedInPlace(const QImage& image, const TexelVector& texels) {
  return !texels.empty() && image.constBits() == reinterpret_cast<const uchar*>(texels.data()) &&
         IsTexelFormat(image.format()) && image.bytesPerLine() == image.width() * 4 &&
         static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.height()) == texels.size();
}

}  // namespace

HRESULT D3DXCreateTextureFromFile(Direct3DDevice8* /*device*/, const std::string& path,
                                  std::shared_ptr<Texture>* texture, std::string* error) {
  if (!texture) return Refuse(D3DERR_INVALIDCALL, path, "no texture to fill", error);
  const QString fileName = QString::fromStdString(path);
  const QFileInfo info(fileName);
  if (!info.exists()) return Refuse(E_FAIL, path, "no such file", error);
  if (!info.isFile()) return Refuse(E_FAIL, path, "not a file", error);
  if (!info.isReadable()) return Refuse(E_FAIL, path, "cannot be read (permission denied)", error);
  // Opened once, as a regular file: a pipe put in its place since is refused, not waited on.
  std::string reason;
  const int fd = OpenRegularFile(path, O_RDONLY, &reason);
  if (fd < 0) return Refuse(E_FAIL, path, "cannot be opened: " + reason, error);
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return Refuse(E_FAIL, path, "cannot be opened: " + file.errorString().toStdString(), error);
  }
  const QByteArray suffix = info.suffix().toLower().toLatin1();

  auto tooLarge = [](QSize s) {
    return s.width() > kMaxTextureSide || s.height() > kMaxTextureSide ||
           static_cast<long long>(s.width()) * s.height() > kMaxTextureTexels;
  };
  // Qt picks the handler by the suffix first; for ".dib" that is its header-less DIB reader,
  // while a Windows .dib is a whole bitmap file. Deciding by content alone can take a TGA for
  // WBMP, so content decides only when the suffix fails.
  QImage image;
  TexelVector texels;
  std::string problem;
  for (bool byContent : {false, true}) {
    const std::unique_ptr<QImageReader> reader = OpenReader(file, suffix, byContent);
    if (!reader->canRead()) {
      if (problem.empty())
        problem = "not a picture in a known format (" + reader->errorString().toStdString() + ")";
      continue;
    }
    const QSize size = reader->size();
    if (size.isValid() && tooLarge(size)) {
      return Refuse(E_OUTOFMEMORY, path,
                    "the picture is too large (" + std::to_string(size.width()) + " x " +
                        std::to_string(size.height()) + "; at most " + std::to_string(kMaxTextureSide) +
                        " per side and " + std::to_string(kMaxTextureTexels) + " texels)",
                    error);
    }
    image = DecodeTarget(*reader, size, &texels);
    if (reader->read(&image) && !image.isNull()) break;
    image = QImage();
    problem = "the picture cannot be decoded (" + reader->errorString().toStdString() + ")";
  }
  if (image.isNull()) return Refuse(D3DXERR_INVALIDDATA, path, problem, error);
  if (tooLarge(image.size())) return Refuse(E_OUTOFMEMORY, path, "the picture is too large", error);
  auto decoded = std::make_shared<Texture>();
  decoded->width = image.width();
  decoded->height = image.height();
  if (DecodedInPlace(image, texels)) {
    decoded->texels = std::move(texels);
  } else {
    // RGB32 is ARGB32 with every alpha at 255 already; converting it would cost a copy of the
    // whole picture for nothing.
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32) {
      image = image.convertToFormat(QImage::Format_ARGB32);
    }
    decoded->texels.resize(static_cast<std::size_t>(decoded->width) * decoded->height);
    for (int y = 0; y < decoded->height; ++y) {
      std::memcpy(decoded->texels.data() + static_cast<std::size_t>(y) * decoded->width,
                  image.constScanLine(y), static_cast<std::size_t>(decoded->width) * 4);
    }
  }
  *texture = std::move(decoded);
  return D3D_OK;
}
