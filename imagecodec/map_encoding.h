#pragma once
// Encoding a map picture held as 24-bit rows into the bytes of a PNG or JPEG file. Rows are
// read where they stand; the work is shared among threads where it pays.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// `height` rows of `width` three-byte pixels, the top row at `top` and each next row `stride`
// bytes on (negative for rows stored bottom-up), red first unless `bgr`.
struct RgbRows {
  const std::uint8_t* top = nullptr;
  std::ptrdiff_t stride = 0;
  int width = 0;
  int height = 0;
  bool bgr = false;
  const std::uint8_t* Row(int y) const { return top + stride * y; }
};

// Called now and then on the calling thread with the share done (0..1); returning false
// stops the encoding.
using EncodeProgress = std::function<bool(double fraction)>;

enum class EncodeFault { None, Cancelled, OutOfMemory, Failed };

struct EncodeProblem {
  EncodeFault fault = EncodeFault::None;
  std::string detail;  // the library's own words, for Failed
};

struct EncodeOptions {
  int threads = 0;  // 0: one per core
  int jpegQuality = 92;
  int pngLevel = 2;  // zlib's effort, 1..9
  EncodeProgress progress;
};

// The whole file into `bytes`. False with the problem, `bytes` then unspecified.
bool EncodePng(const RgbRows& rows, const EncodeOptions& options, std::string& bytes, EncodeProblem& problem);
bool EncodeJpeg(const RgbRows& rows, const EncodeOptions& options, std::string& bytes,
                EncodeProblem& problem);
