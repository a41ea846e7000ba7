// JPEG through libjpeg-turbo with the settings Qt's writer uses (its default tables at the
// quality asked, 4:2:0 chroma, the accurate integer DCT), reading the rows where they stand
// and writing the file straight into the caller's string.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "imagecodec/map_encoding.h"

namespace {

constexpr int kRowsPerStep = 64;

struct ErrorTrap {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  int code = 0;
  char message[JMSG_LENGTH_MAX] = {};
};

void ExitOnError(j_common_ptr info) {
  auto* trap = reinterpret_cast<ErrorTrap*>(info->err);
  trap->code = info->err->msg_code;
  (*info->err->format_message)(info, trap->message);
  std::longjmp(trap->jump, 1);
}

void Quiet(j_common_ptr, int) {}

// Compressed bytes gather in a small buffer that is appended to the string when full.
struct StringDestination {
  jpeg_destination_mgr pub{};
  std::string* bytes = nullptr;
  JOCTET buffer[1 << 16];
};

void InitDestination(j_compress_ptr info) {
  auto* destination = reinterpret_cast<StringDestination*>(info->dest);
  destination->pub.next_output_byte = destination->buffer;
  destination->pub.free_in_buffer = sizeof destination->buffer;
}

// No exception may pass through libjpeg: a string that cannot grow ends it as its own errors do.
void Append(j_compress_ptr info, std::size_t size) {
  auto* destination = reinterpret_cast<StringDestination*>(info->dest);
  bool grown = true;
  try {
    destination->bytes->append(reinterpret_cast<const char*>(destination->buffer), size);
  } catch (const std::exception&) {
    grown = false;
  }
  if (!grown) ERREXIT(info, JERR_OUT_OF_MEMORY);
}

boolean EmptyBuffer(j_compress_ptr info) {
  Append(info, sizeof StringDestination::buffer);
  InitDestination(info);
  return TRUE;
}

void TermDestination(j_compress_ptr info) {
  Append(info, sizeof StringDestination::buffer - info->dest->free_in_buffer);
}

class JpegWriter {
 public:
  JpegWriter() {
    info_.err = jpeg_std_error(&trap_.pub);
    trap_.pub.error_exit = ExitOnError;
    trap_.pub.emit_message = Quiet;
    jpeg_create_compress(&info_);
    destination_.pub.init_destination = InitDestination;
    destination_.pub.empty_output_buffer = EmptyBuffer;
    destination_.pub.term_destination = TermDestination;
    info_.dest = &destination_.pub;
  }
  ~JpegWriter() { jpeg_destroy_compress(&info_); }
  JpegWriter(const JpegWriter&) = delete;
  JpegWriter& operator=(const JpegWriter&) = delete;

  bool Write(const RgbRows& rows, const EncodeOptions& options, std::string& bytes, EncodeProblem& problem) {
    destination_.bytes = &bytes;
    // Nothing with a destructor may begin between here and the end: the jump skips it.
    if (setjmp(trap_.jump) != 0) {
      jpeg_abort_compress(&info_);
      problem.fault = trap_.code == JERR_OUT_OF_MEMORY ? EncodeFault::OutOfMemory : EncodeFault::Failed;
      problem.detail = trap_.message;
      return false;
    }
    info_.image_width = static_cast<JDIMENSION>(rows.width);
    info_.image_height = static_cast<JDIMENSION>(rows.height);
    info_.input_components = 3;
    info_.in_color_space = rows.bgr ? JCS_EXT_BGR : JCS_EXT_RGB;
    jpeg_set_defaults(&info_);
    jpeg_set_quality(&info_, options.jpegQuality, TRUE);
    jpeg_start_compress(&info_, TRUE);
    while (info_.next_scanline < info_.image_height) {
      JSAMPROW step[kRowsPerStep];
      const JDIMENSION count = std::min<JDIMENSION>(kRowsPerStep, info_.image_height - info_.next_scanline);
      for (JDIMENSION k = 0; k < count; ++k) {
        step[k] = const_cast<JSAMPROW>(rows.Row(static_cast<int>(info_.next_scanline + k)));
      }
      jpeg_write_scanlines(&info_, step, count);
      if (options.progress && !options.progress(static_cast<double>(info_.next_scanline) / rows.height)) {
        jpeg_abort_compress(&info_);
        problem.fault = EncodeFault::Cancelled;
        return false;
      }
    }
    jpeg_finish_compress(&info_);
    return true;
  }

 private:
  ErrorTrap trap_;
  StringDestination destination_;
  jpeg_compress_struct info_{};
};

}  // namespace

bool EncodeJpeg(const RgbRows& rows, const EncodeOptions& options, std::string& bytes,
                EncodeProblem& problem) {
  if (rows.width <= 0 || rows.height <= 0 || rows.top == nullptr) {
    problem.fault = EncodeFault::Failed;
    problem.detail = "no rows";
    return false;
  }
  bytes.clear();
  try {
    // Room for a photograph at high quality; a larger file grows the string as it goes.
    bytes.reserve(static_cast<std::size_t>(rows.width) * static_cast<std::size_t>(rows.height) / 2 + 4096);
  } catch (const std::bad_alloc&) {
    problem.fault = EncodeFault::OutOfMemory;
    return false;
  }
  const auto writer = std::make_unique<JpegWriter>();
  return writer->Write(rows, options, bytes, problem);
}
