#include "imagecodec/png_picture_decoder.h"

#include <spng.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// The end chunk, the same in every PNG file: length 0, "IEND", its CRC.
constexpr unsigned char kEndChunk[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};

// The file read in blocks from its descriptor; `ended` tells that it ended before libspng was
// done with it.
struct FileStream {
  int fd = -1;
  bool ended = false;
  int readError = 0;
  std::vector<unsigned char> buffer = std::vector<unsigned char>(1 << 16);
  std::size_t at = 0, held = 0;
};

int ReadStream(spng_ctx*, void* user, void* destination, std::size_t length) {
  auto& stream = *static_cast<FileStream*>(user);
  auto* out = static_cast<unsigned char*>(destination);
  while (length > 0) {
    if (stream.at == stream.held) {
      ssize_t got;
      do {
        got = ::read(stream.fd, stream.buffer.data(), stream.buffer.size());
      } while (got < 0 && errno == EINTR);
      if (got < 0) stream.readError = errno;
      if (got <= 0) {
        stream.ended = true;
        return got < 0 ? SPNG_IO_ERROR : SPNG_IO_EOF;
      }
      stream.at = 0;
      stream.held = static_cast<std::size_t>(got);
    }
    const std::size_t take = std::min(length, stream.held - stream.at);
    std::memcpy(out, stream.buffer.data() + stream.at, take);
    stream.at += take;
    out += take;
    length -= take;
  }
  return 0;
}

bool EndsWithEndChunk(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0 || status.st_size < 12) return false;
  unsigned char last[12];
  return ::pread(fd, last, 12, status.st_size - 12) == 12 && std::memcmp(last, kEndChunk, 12) == 0;
}

// One decoded row (RGBA, 8 bits a channel) into the plan's rows: as it is, or summed into the
// square of the reduced pixel it falls in.
class RowSink {
 public:
  RowSink(const DecodePlan& plan, std::uint32_t* pixels)
      : plan_(plan),
        pixels_(pixels),
        sums_(plan.scaleDenominator > 1 ? 3 * static_cast<std::size_t>(plan.width) : 0) {}

  void Take(int row, const unsigned char* rgba) {
    const int d = plan_.scaleDenominator;
    const int target = row / d - plan_.firstRow;
    if (target < 0 || target >= plan_.rowCount) return;
    std::uint32_t* out = pixels_ + static_cast<std::size_t>(target) * static_cast<std::size_t>(plan_.width);
    if (d == 1) {
      for (int x = 0; x < plan_.width; ++x, rgba += 4) {
        out[x] = 0xFF000000u | std::uint32_t{rgba[0]} << 16 | std::uint32_t{rgba[1]} << 8 | rgba[2];
      }
      return;
    }
    for (int x = 0; x < plan_.width; ++x) {
      std::uint32_t* sum = &sums_[3 * static_cast<std::size_t>(x)];
      for (int k = 0; k < d; ++k, rgba += 4) {
        sum[0] += rgba[0];
        sum[1] += rgba[1];
        sum[2] += rgba[2];
      }
    }
    if (row % d != d - 1) return;
    const std::uint32_t area = static_cast<std::uint32_t>(d * d), half = area / 2;
    for (int x = 0; x < plan_.width; ++x) {
      std::uint32_t* sum = &sums_[3 * static_cast<std::size_t>(x)];
      out[x] =
          0xFF000000u | (sum[0] + half) / area << 16 | (sum[1] + half) / area << 8 | (sum[2] + half) / area;
      sum[0] = sum[1] = sum[2] = 0;
    }
  }

  // The first row after the band.
  int EndRow() const { return (plan_.firstRow + plan_.rowCount) * plan_.scaleDenominator; }

 private:
  const DecodePlan& plan_;
  std::uint32_t* pixels_;
  std::vector<std::uint32_t> sums_;
};

class PngDecoder final : public PictureDecoder {
 public:
  explicit PngDecoder(int fd) : context_(spng_ctx_new(0)) { stream_.fd = fd; }
  ~PngDecoder() override { spng_ctx_free(context_); }
  PngDecoder(const PngDecoder&) = delete;
  PngDecoder& operator=(const PngDecoder&) = delete;

  bool ReadHeader(PictureProblem& problem) {
    if (context_ == nullptr) return Failed(problem, SPNG_EMEM, PictureFault::OutOfMemory);
    if (::lseek(stream_.fd, 0, SEEK_SET) != 0) return Failed(problem, 0, PictureFault::Unreadable);
    if (const int error = spng_set_png_stream(context_, ReadStream, &stream_); error != 0)
      return Failed(problem, error, PictureFault::NotAPicture);
    if (const int error = spng_get_ihdr(context_, &header_); error != 0)
      return Failed(problem, error, PictureFault::NotAPicture);
    if (header_.width > 0x7FFFFFFFu || header_.height > 0x7FFFFFFFu) {
      problem.fault = PictureFault::TooLarge;
      return false;
    }
    return true;
  }

  int Width() const override { return static_cast<int>(header_.width); }
  int Height() const override { return static_cast<int>(header_.height); }
  // A box of 64 x 64 sums to no more than 2^20 a channel.
  int LargestScaleDenominator() const override { return 64; }

  bool Decode(const DecodePlan& plan, std::uint32_t* pixels, PictureProblem& problem) override {
    RowSink sink(plan, pixels);
    const std::size_t rowBytes = 4 * static_cast<std::size_t>(header_.width);
    if (header_.interlace_method != 0) return DecodeInterlaced(sink, rowBytes, problem);
    std::vector<unsigned char> row(rowBytes);
    if (const int error = spng_decode_image(context_, nullptr, 0, SPNG_FMT_RGBA8, SPNG_DECODE_PROGRESSIVE);
        error != 0) {
      return Failed(problem, error, PictureFault::Damaged);
    }
    int error = 0;
    for (int y = 0; error != SPNG_EOI; ++y) {
      error = spng_decode_row(context_, row.data(), rowBytes);
      if (error != 0 && error != SPNG_EOI) return Failed(problem, error, PictureFault::Damaged);
      sink.Take(y, row.data());
      if (y + 1 == sink.EndRow() && error != SPNG_EOI && EndsWithEndChunk(stream_.fd)) return true;
    }
    // The chunks after the picture, up to the end chunk.
    if (const int end = spng_decode_chunks(context_); end != 0)
      return Failed(problem, end, PictureFault::Damaged);
    return true;
  }

 private:
  // Interlaced rows arrive in seven passes, so the whole picture is decoded first.
  bool DecodeInterlaced(RowSink& sink, std::size_t rowBytes, PictureProblem& problem) {
    const std::size_t bytes = rowBytes * header_.height;
    if (bytes / 4 > static_cast<std::size_t>(kMaxDecodedPixels)) {
      problem.fault = PictureFault::TooLarge;
      problem.width = Width();
      problem.height = Height();
      return false;
    }
    std::unique_ptr<unsigned char[]> whole(new (std::nothrow) unsigned char[bytes]);
    if (whole == nullptr) return Failed(problem, SPNG_EMEM, PictureFault::OutOfMemory);
    if (const int error = spng_decode_image(context_, whole.get(), bytes, SPNG_FMT_RGBA8, 0); error != 0)
      return Failed(problem, error, PictureFault::Damaged);
    for (int y = 0; y < Height() && y < sink.EndRow(); ++y) sink.Take(y, whole.get() + rowBytes * y);
    if (const int end = spng_decode_chunks(context_); end != 0)
      return Failed(problem, end, PictureFault::Damaged);
    return true;
  }

  bool Failed(PictureProblem& problem, int error, PictureFault otherwise) {
    if (stream_.readError != 0) {
      problem.fault = PictureFault::Unreadable;
      problem.detail = std::strerror(stream_.readError);
    } else if (stream_.ended || error == SPNG_EOF) {
      problem.fault = PictureFault::CutShort;
    } else if (error == SPNG_EMEM) {
      problem.fault = PictureFault::OutOfMemory;
    } else {
      problem.fault = otherwise;
      if (error != 0) problem.detail = spng_strerror(error);
    }
    return false;
  }

  spng_ctx* context_;
  FileStream stream_;
  spng_ihdr header_{};
};

}  // namespace

bool IsPngStart(const unsigned char* start) { return std::memcmp(start, kSignature, 8) == 0; }

std::unique_ptr<PictureDecoder> OpenPngDecoder(int fd, PictureProblem& problem) {
  auto decoder = std::make_unique<PngDecoder>(fd);
  if (!decoder->ReadHeader(problem)) return nullptr;
  return decoder;
}
