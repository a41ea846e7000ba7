#include "imagecodec/jpeg_picture_decoder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "imagecodec/jpeg_error_trap.h"

namespace {

// The file read in blocks straight from its descriptor. Where it ends before the picture does,
// an end marker stands in so libjpeg finishes, and `ended` tells.
struct FileSource {
  jpeg_source_mgr pub{};
  int fd = -1;
  bool ended = false;
  int readError = 0;
  JOCTET buffer[1 << 16];
};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillBuffer(j_decompress_ptr info) {
  auto* source = reinterpret_cast<FileSource*>(info->src);
  ssize_t got;
  do {
    got = ::read(source->fd, source->buffer, sizeof source->buffer);
  } while (got < 0 && errno == EINTR);
  if (got <= 0) {
    if (got < 0) source->readError = errno;
    source->ended = true;
    source->buffer[0] = 0xFF;
    source->buffer[1] = JPEG_EOI;
    got = 2;
  }
  source->pub.next_input_byte = source->buffer;
  source->pub.bytes_in_buffer = static_cast<std::size_t>(got);
  return TRUE;
}

void SkipData(j_decompress_ptr info, long count) {
  auto* source = reinterpret_cast<FileSource*>(info->src);
  while (count > static_cast<long>(source->pub.bytes_in_buffer)) {
    count -= static_cast<long>(source->pub.bytes_in_buffer);
    FillBuffer(info);
  }
  if (count > 0) {
    source->pub.next_input_byte += count;
    source->pub.bytes_in_buffer -= static_cast<std::size_t>(count);
  }
}

// Whether the file's last bytes are the end marker: then no later part of it is missing.
// Inside the compressed data 0xFF is always followed by 0 or a restart marker.
bool EndsWithEndMarker(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0 || status.st_size < 2) return false;
  unsigned char last[2];
  return ::pread(fd, last, 2, status.st_size - 2) == 2 && last[0] == 0xFF && last[1] == JPEG_EOI;
}

class JpegDecoder final : public PictureDecoder {
 public:
  explicit JpegDecoder(int fd) {
    trap_.Catch(info_, true);
    jpeg_create_decompress(&info_);
    source_.fd = fd;
    source_.pub.init_source = InitSource;
    source_.pub.fill_input_buffer = FillBuffer;
    source_.pub.skip_input_data = SkipData;
    source_.pub.resync_to_restart = jpeg_resync_to_restart;
    source_.pub.term_source = TermSource;
    info_.src = &source_.pub;
  }
  ~JpegDecoder() override { jpeg_destroy_decompress(&info_); }
  JpegDecoder(const JpegDecoder&) = delete;
  JpegDecoder& operator=(const JpegDecoder&) = delete;

  // False with a problem, or false without one for colours another decoder should read.
  bool ReadHeader(PictureProblem& problem) {
    if (::lseek(source_.fd, 0, SEEK_SET) != 0) return Failed(problem, PictureFault::Unreadable);
    if (setjmp(trap_.jump) != 0) return Failed(problem, PictureFault::NotAPicture);
    jpeg_read_header(&info_, TRUE);
    return info_.jpeg_color_space != JCS_CMYK && info_.jpeg_color_space != JCS_YCCK;
  }

  int Width() const override { return static_cast<int>(info_.image_width); }
  int Height() const override { return static_cast<int>(info_.image_height); }
  int LargestScaleDenominator() const override { return 8; }

  bool Decode(const DecodePlan& plan, std::uint32_t* pixels, PictureProblem& problem) override {
    std::vector<std::uint32_t> lastRow(static_cast<std::size_t>(plan.width));
    // Nothing with a destructor may begin between here and the end: the jump skips it.
    if (setjmp(trap_.jump) != 0) {
      jpeg_abort_decompress(&info_);
      return Failed(problem, PictureFault::Damaged);
    }
    info_.scale_num = 1;
    info_.scale_denom = static_cast<unsigned>(plan.scaleDenominator);
    info_.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&info_);
    const auto first = static_cast<JDIMENSION>(plan.firstRow);
    const auto end = static_cast<JDIMENSION>(plan.firstRow + plan.rowCount);
    if (static_cast<int>(info_.output_width) != plan.width ||
        static_cast<int>(info_.output_height) != plan.fullHeight) {
      jpeg_abort_decompress(&info_);
      return Failed(problem, PictureFault::Damaged);
    }
    if (first > 0) jpeg_skip_scanlines(&info_, first);
    while (info_.output_scanline < end) {
      JSAMPROW rows[8];
      const JDIMENSION count = std::min<JDIMENSION>(8, end - info_.output_scanline);
      for (JDIMENSION k = 0; k < count; ++k) {
        rows[k] =
            reinterpret_cast<JSAMPROW>(pixels + static_cast<std::size_t>(info_.output_scanline - first + k) *
                                                    static_cast<std::size_t>(plan.width));
      }
      jpeg_read_scanlines(&info_, rows, count);
    }
    if (info_.output_scanline < info_.output_height) {
      if (EndsWithEndMarker(source_.fd)) {
        jpeg_abort_decompress(&info_);
        return Verdict(problem);
      }
      // Read on to the end to learn whether the file is whole. Skipping to the very end
      // would not look at the data, so the last row is decoded.
      const JDIMENSION rest = info_.output_height - info_.output_scanline - 1;
      if (rest > 0) jpeg_skip_scanlines(&info_, rest);
      auto row = reinterpret_cast<JSAMPROW>(lastRow.data());
      jpeg_read_scanlines(&info_, &row, 1);
    }
    jpeg_finish_decompress(&info_);
    return Verdict(problem);
  }

 private:
  bool Verdict(PictureProblem& problem) {
    if (source_.ended) return Failed(problem, PictureFault::CutShort);
    if (trap_.damageCode != 0) return Failed(problem, PictureFault::Damaged);
    return true;
  }

  // The fault as the file's end, libjpeg's error or the system tell it, else `otherwise`.
  bool Failed(PictureProblem& problem, PictureFault otherwise) {
    if (source_.readError != 0) {
      problem.fault = PictureFault::Unreadable;
      problem.detail = std::strerror(source_.readError);
    } else if (source_.ended) {
      problem.fault = PictureFault::CutShort;
    } else if (trap_.fatalCode == JERR_OUT_OF_MEMORY) {
      problem.fault = PictureFault::OutOfMemory;
    } else if (trap_.fatalCode == JERR_IMAGE_TOO_BIG) {
      problem.fault = PictureFault::TooLarge;
    } else {
      problem.fault = otherwise;
      problem.detail = trap_.message;
    }
    return false;
  }

  JpegErrorTrap trap_;
  FileSource source_;
  jpeg_decompress_struct info_{};
};

}  // namespace

bool IsJpegStart(const unsigned char* start) {
  return start[0] == 0xFF && start[1] == 0xD8 && start[2] == 0xFF;
}

std::unique_ptr<PictureDecoder> OpenJpegDecoder(int fd, PictureProblem& problem) {
  auto decoder = std::make_unique<JpegDecoder>(fd);
  if (!decoder->ReadHeader(problem)) return nullptr;
  return decoder;
}
