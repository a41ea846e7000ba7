#include "imagecodec/earth_picture_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "base/regular_file.h"
#include "imagecodec/jpeg_picture_decoder.h"
#include "imagecodec/png_picture_decoder.h"

namespace {

PictureFault FaultOfOpening(int errorNumber) {
  switch (errorNumber) {
    case ENOENT:
    case ENOTDIR:
      return PictureFault::Missing;
    case EISDIR:
      return PictureFault::Folder;
    case 0:
      return PictureFault::NotRegularFile;
    case EACCES:
    case EPERM:
      return PictureFault::NoPermission;
    case ELOOP:
      return PictureFault::LinkLoop;
    default:
      return PictureFault::Unreadable;
  }
}

}  // namespace

EarthPictureReader::EarthPictureReader(FallbackDecoder fallback, const DecodedPictureCache* cache)
    : fallback_(std::move(fallback)), cache_(cache) {}

EarthPictureReader::~EarthPictureReader() {
  decoder_.reset();
  if (fd_ >= 0) ::close(fd_);
}

bool EarthPictureReader::Fail(PictureFault fault, std::string detail) {
  problem_.fault = fault;
  problem_.detail = std::move(detail);
  return false;
}

bool EarthPictureReader::Open(const std::string& path) {
  problem_ = {};
  std::string reason;
  int errorNumber = 0;
  fd_ = OpenRegularFile(path, O_RDONLY, &reason, &errorNumber);
  if (fd_ < 0) return Fail(FaultOfOpening(errorNumber), reason);
  unsigned char start[8] = {};
  ssize_t got;
  do {
    got = ::pread(fd_, start, sizeof start, 0);
  } while (got < 0 && errno == EINTR);
  if (got < 0) return Fail(PictureFault::Unreadable, std::strerror(errno));
  if (got >= 3 && IsJpegStart(start)) {
    decoder_ = OpenJpegDecoder(fd_, problem_);
    // A JPEG in colours the plain decoder does not turn into RGB goes to the fallback.
    if (decoder_ == nullptr && problem_.fault == PictureFault::None && fallback_)
      decoder_ = fallback_(fd_, problem_);
  } else if (got == 8 && IsPngStart(start)) {
    decoder_ = OpenPngDecoder(fd_, problem_);
  } else if (fallback_) {
    decoder_ = fallback_(fd_, problem_);
  }
  if (decoder_ == nullptr) {
    if (problem_.fault == PictureFault::None) problem_.fault = PictureFault::NotAPicture;
    return false;
  }
  if (Width() != 2 * Height()) {
    problem_.width = Width();
    problem_.height = Height();
    return Fail(PictureFault::NotTwoToOne);
  }
  return true;
}

int EarthPictureReader::Width() const { return decoder_ ? decoder_->Width() : 0; }

int EarthPictureReader::Height() const { return decoder_ ? decoder_->Height() : 0; }

bool EarthPictureReader::Decode(const PictureNeed& need, DecodedPicture& picture) {
  if (decoder_ == nullptr) return false;
  const DecodePlan plan = PlanDecode(Width(), Height(), need, decoder_->LargestScaleDenominator());
  if (plan.Pixels() > kMaxDecodedPixels) {
    problem_.width = plan.width;
    problem_.height = plan.rowCount;
    return Fail(PictureFault::TooLarge);
  }
  picture.width = plan.width;
  picture.fullHeight = plan.fullHeight;
  picture.scaleDenominator = plan.scaleDenominator;
  const DecodePlan whole{plan.scaleDenominator, plan.width, plan.fullHeight, 0, plan.fullHeight};
  if (cache_ != nullptr && whole.Pixels() <= kMostCachedPixels) return DecodeThroughCache(whole, picture);
  // Not set to zero: the decoder writes every pixel.
  std::shared_ptr<std::uint32_t[]> pixels(new (std::nothrow)
                                              std::uint32_t[static_cast<std::size_t>(plan.Pixels())]);
  if (pixels == nullptr) return Fail(PictureFault::OutOfMemory);
  if (!decoder_->Decode(plan, pixels.get(), problem_)) return false;
  picture.pixels = pixels.get();
  picture.keep = std::move(pixels);
  picture.rowCount = plan.rowCount;
  picture.firstRow = plan.firstRow;
  return true;
}

bool EarthPictureReader::DecodeThroughCache(const DecodePlan& whole, DecodedPicture& picture) {
  picture.rowCount = whole.rowCount;
  picture.firstRow = 0;
  const std::optional<DecodedPictureKey> key =
      KeyOfPicture(fd_, whole.width, whole.fullHeight, whole.scaleDenominator);
  if (key) {
    if (std::optional<KeptPicture> kept = cache_->Find(*key)) {
      picture.keep = std::move(kept->keep);
      picture.pixels = kept->pixels;
      return true;
    }
  }
  std::unique_ptr<PictureEntry> entry = PictureEntry::Make(key.value_or(DecodedPictureKey{}));
  if (entry == nullptr) return Fail(PictureFault::OutOfMemory);
  if (!decoder_->Decode(whole, entry->Pixels(), problem_)) return false;
  if (key) cache_->Keep(*key, *entry);
  KeptPicture kept = PictureEntry::Share(std::move(entry));
  picture.keep = std::move(kept.keep);
  picture.pixels = kept.pixels;
  return true;
}
