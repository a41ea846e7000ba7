// JPEG through libjpeg-turbo with the settings Qt's writer uses (its default tables at the
// quality asked, 4:2:0 chroma, the accurate integer DCT), reading the rows where they stand.
// A tall picture is cut into stripes of eight rows of blocks that several threads encode as
// pictures of their own, each block row ending on a restart marker; the stripes' compressed
// data joined in order, under the first one's header with the whole height, are the very
// file one encoder writes with a restart marker after every row of blocks.
#include <algorithm>
#include <exception>
#include <memory>
#include <new>
#include <vector>

#include "imagecodec/jpeg_error_trap.h"
#include "imagecodec/map_encoding.h"
#include "imagecodec/piece_work.h"

namespace {

constexpr int kRowsPerStep = 64;
// Eight rows of 16-row blocks (4:2:0): every stripe starts at a restart interval numbered a
// multiple of eight, so the markers inside it keep their numbers and the one between two
// stripes is always the last of the eight, RST7.
constexpr int kStripeRows = 128;
// Shorter pictures are encoded whole, without restart markers.
constexpr int kStripedFromRows = 1024;

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

// One libjpeg encoder for rows `first`.. (`count` of them) of the picture.
class JpegWriter {
 public:
  JpegWriter() {
    trap_.Catch(info_, false);
    jpeg_create_compress(&info_);
    destination_.pub.init_destination = InitDestination;
    destination_.pub.empty_output_buffer = EmptyBuffer;
    destination_.pub.term_destination = TermDestination;
    info_.dest = &destination_.pub;
  }
  ~JpegWriter() { jpeg_destroy_compress(&info_); }
  JpegWriter(const JpegWriter&) = delete;
  JpegWriter& operator=(const JpegWriter&) = delete;

  // Why it failed, or nothing. Throws std::bad_alloc when memory runs out.
  std::string Write(const RgbRows& rows, int first, int count, int quality, bool restarts,
                    std::string& bytes) {
    destination_.bytes = &bytes;
    // Nothing with a destructor may begin between here and the end: the jump skips it.
    if (setjmp(trap_.jump) != 0) {
      jpeg_abort_compress(&info_);
      if (trap_.fatalCode == JERR_OUT_OF_MEMORY) throw std::bad_alloc();
      return trap_.message;
    }
    info_.image_width = static_cast<JDIMENSION>(rows.width);
    info_.image_height = static_cast<JDIMENSION>(count);
    info_.input_components = 3;
    info_.in_color_space = rows.bgr ? JCS_EXT_BGR : JCS_EXT_RGB;
    jpeg_set_defaults(&info_);
    jpeg_set_quality(&info_, quality, TRUE);
    if (restarts) {
      if (info_.comp_info[0].v_samp_factor * DCTSIZE * 8 != kStripeRows) return "unexpected block rows";
      info_.restart_in_rows = 1;
    }
    jpeg_start_compress(&info_, TRUE);
    while (info_.next_scanline < info_.image_height) {
      JSAMPROW step[kRowsPerStep];
      const JDIMENSION rowCount =
          std::min<JDIMENSION>(kRowsPerStep, info_.image_height - info_.next_scanline);
      for (JDIMENSION k = 0; k < rowCount; ++k) {
        step[k] = const_cast<JSAMPROW>(rows.Row(first + static_cast<int>(info_.next_scanline + k)));
      }
      jpeg_write_scanlines(&info_, step, rowCount);
    }
    jpeg_finish_compress(&info_);
    return {};
  }

 private:
  JpegErrorTrap trap_;
  StringDestination destination_;
  jpeg_compress_struct info_{};
};

unsigned BigEndian16(const std::string& bytes, std::size_t at) {
  return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) << 8 |
         static_cast<unsigned char>(bytes[at + 1]);
}

// Where a JPEG file libjpeg wrote has its compressed data (after the scan's header), and
// where its frame header keeps the height. 0 when it has no scan.
std::size_t CompressedDataStart(const std::string& jpeg, std::size_t* heightAt) {
  for (std::size_t at = 2; at + 4 <= jpeg.size() && static_cast<unsigned char>(jpeg[at]) == 0xFF;) {
    const auto marker = static_cast<unsigned char>(jpeg[at + 1]);
    const std::size_t end = at + 2 + BigEndian16(jpeg, at + 2);
    if (marker == 0xC0 && heightAt != nullptr) *heightAt = at + 5;
    if (marker == 0xDA) return end;
    at = end;
  }
  return 0;
}

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
  const bool striped = rows.height >= kStripedFromRows;
  const std::size_t count =
      striped ? static_cast<std::size_t>((rows.height + kStripeRows - 1) / kStripeRows) : 1;
  struct Stripe {
    std::string bytes;
    std::size_t dataStart = 0, heightAt = 0;
  };
  std::vector<Stripe> stripes(count);
  const auto work = [&](std::size_t k, int) {
    const int first = static_cast<int>(k) * kStripeRows;
    const int height = striped ? std::min(kStripeRows, rows.height - first) : rows.height;
    Stripe& stripe = stripes[k];
    std::string failure = std::make_unique<JpegWriter>()->Write(rows, first, height, options.jpegQuality,
                                                                striped, stripe.bytes);
    stripe.dataStart = CompressedDataStart(stripe.bytes, &stripe.heightAt);
    if (failure.empty() &&
        (stripe.dataStart == 0 || stripe.heightAt == 0 || stripe.bytes.size() < stripe.dataStart + 2))
      failure = "the encoder wrote no picture";
    return failure;
  };
  const auto join = [&](std::size_t k) {
    Stripe& stripe = stripes[k];
    if (k == 0) {
      bytes.append(stripe.bytes, 0, stripe.bytes.size() - 2);
      bytes[stripe.heightAt] = static_cast<char>(rows.height >> 8);
      bytes[stripe.heightAt + 1] = static_cast<char>(rows.height);
    } else {
      bytes.append("\xFF\xD7", 2);
      bytes.append(stripe.bytes, stripe.dataStart, stripe.bytes.size() - 2 - stripe.dataStart);
    }
    std::string().swap(stripe.bytes);
  };
  if (!RunPieces(count, options.threads, work, join, options.progress, problem)) return false;
  bytes.append("\xFF\xD9", 2);
  return true;
}
