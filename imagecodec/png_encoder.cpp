// PNG: the rows filtered and deflated in pieces of about a megabyte by several threads, each
// piece ending on a byte boundary (zlib's sync flush) so that the pieces joined in order are
// one zlib stream, its checksum combined from theirs. Each piece is one IDAT chunk.
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "imagecodec/map_encoding.h"
#include "imagecodec/png_row_filter.h"

namespace {

constexpr std::size_t kPieceBytes = std::size_t{1} << 20;

void PutBigEndian(std::string& out, std::uint32_t value) {
  const char bytes[4] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                         static_cast<char>(value >> 8), static_cast<char>(value)};
  out.append(bytes, 4);
}

std::uint32_t Crc(std::uint32_t crc, const void* data, std::size_t size) {
  // zlib answers no data with the starting value.
  if (size == 0) return crc;
  return static_cast<std::uint32_t>(crc32_z(crc, static_cast<const Bytef*>(data), size));
}

void PutChunk(std::string& out, const char* type, const void* data, std::size_t size) {
  PutBigEndian(out, static_cast<std::uint32_t>(size));
  out.append(type, 4);
  out.append(static_cast<const char*>(data), size);
  PutBigEndian(out, Crc(Crc(0, type, 4), data, size));
}

struct Piece {
  int firstRow = 0;
  int endRow = 0;
  std::unique_ptr<std::uint8_t[]> data;  // the IDAT's data
  std::size_t size = 0;
  std::uint32_t crc = 0;     // of "IDAT" and the data
  uLong adler = 1;           // of the filtered rows
  std::size_t filtered = 0;  // their bytes
  bool done = false;
};

class PngWriter {
 public:
  PngWriter(const RgbRows& rows, const EncodeOptions& options)
      : rows_(rows),
        level_(std::clamp(options.pngLevel, 1, 9)),
        rowBytes_(3 * static_cast<std::size_t>(rows.width)) {
    const int perPiece = static_cast<int>(std::max<std::size_t>(1, kPieceBytes / (rowBytes_ + 1)));
    for (int first = 0; first < rows.height; first += perPiece) {
      pieces_.emplace_back();
      pieces_.back().firstRow = first;
      pieces_.back().endRow = std::min(rows.height, first + perPiece);
    }
  }

  bool Run(const EncodeOptions& options, std::string& bytes, EncodeProblem& problem) {
    const int cores =
        options.threads > 0 ? options.threads : static_cast<int>(std::thread::hardware_concurrency());
    const int threads = std::clamp(cores, 1, static_cast<int>(pieces_.size()));
    bytes.clear();
    try {
      bytes.reserve(Start().size() + rowBytes_ * static_cast<std::size_t>(rows_.height) +
                    64 * pieces_.size());
    } catch (const std::bad_alloc&) {
      problem.fault = EncodeFault::OutOfMemory;
      return false;
    }
    bytes = Start();
    std::vector<std::jthread> workers;
    for (int k = 0; k < threads; ++k) workers.emplace_back([this] { Work(); });
    uLong adler = 1;
    std::size_t joined = 0;
    std::unique_lock lock(mutex_);
    while (joined < pieces_.size() && !failed_) {
      pieceDone_.wait_for(lock, std::chrono::milliseconds(50),
                          [&] { return pieces_[joined].done || failed_; });
      while (joined < pieces_.size() && pieces_[joined].done) {
        Piece& piece = pieces_[joined];
        lock.unlock();
        adler = adler32_combine(adler, piece.adler, static_cast<z_off_t>(piece.filtered));
        Join(piece, joined + 1 == pieces_.size() ? &adler : nullptr, bytes);
        lock.lock();
        ++joined;
      }
      if (options.progress && !failed_) {
        lock.unlock();
        const bool goOn = options.progress(static_cast<double>(joined) / static_cast<double>(pieces_.size()));
        lock.lock();
        if (!goOn) {
          stop_ = true;
          problem.fault = EncodeFault::Cancelled;
          return false;
        }
      }
    }
    if (failed_) {
      problem.fault = outOfMemory_ ? EncodeFault::OutOfMemory : EncodeFault::Failed;
      problem.detail = failure_;
      return false;
    }
    PutChunk(bytes, "IEND", nullptr, 0);
    return true;
  }

  ~PngWriter() { stop_ = true; }

 private:
  std::string Start() const {
    std::string start("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    PutBigEndian(header, static_cast<std::uint32_t>(rows_.width));
    PutBigEndian(header, static_cast<std::uint32_t>(rows_.height));
    header +=
        std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, adaptive filters, not interlaced
    PutChunk(start, "IHDR", header.data(), header.size());
    return start;
  }

  // The piece's IDAT chunk; the last one carries the stream's checksum as well.
  void Join(Piece& piece, const uLong* adler, std::string& bytes) {
    unsigned char trailer[4] = {};
    std::uint32_t crc = piece.crc;
    if (adler != nullptr) {
      for (int k = 0; k < 4; ++k) trailer[k] = static_cast<unsigned char>(*adler >> (24 - 8 * k));
      crc = Crc(crc, trailer, 4);
    }
    PutBigEndian(bytes, static_cast<std::uint32_t>(piece.size + (adler != nullptr ? 4 : 0)));
    bytes.append("IDAT", 4);
    bytes.append(reinterpret_cast<const char*>(piece.data.get()), piece.size);
    if (adler != nullptr) bytes.append(reinterpret_cast<const char*>(trailer), 4);
    PutBigEndian(bytes, crc);
    piece.data.reset();
  }

  void Work() {
    PngRowFilter filter(rowBytes_);
    std::vector<std::uint8_t> rgb[2];
    for (auto& row : rgb) row.resize(rows_.bgr ? rowBytes_ : 0);
    for (std::size_t k; !stop_ && (k = next_.fetch_add(1)) < pieces_.size();) {
      try {
        Encode(pieces_[k], k == 0, k + 1 == pieces_.size(), filter, rgb);
      } catch (const std::bad_alloc&) {
        Fail("", true);
      }
      const std::lock_guard lock(mutex_);
      pieces_[k].done = true;
      pieceDone_.notify_all();
    }
  }

  // Row y in RGB order: where it stands, or turned round into `scratch`.
  const std::uint8_t* RgbRow(int y, std::vector<std::uint8_t>& scratch) const {
    const std::uint8_t* row = rows_.Row(y);
    if (!rows_.bgr) return row;
    for (std::size_t i = 0; i < rowBytes_; i += 3) {
      scratch[i] = row[i + 2];
      scratch[i + 1] = row[i + 1];
      scratch[i + 2] = row[i];
    }
    return scratch.data();
  }

  void Encode(Piece& piece, bool first, bool last, PngRowFilter& filter, std::vector<std::uint8_t>* rgb) {
    const std::size_t count = static_cast<std::size_t>(piece.endRow - piece.firstRow);
    piece.filtered = count * (rowBytes_ + 1);
    const auto filtered = std::make_unique_for_overwrite<std::uint8_t[]>(piece.filtered);
    const std::vector<std::uint8_t> zeros(piece.firstRow == 0 ? rowBytes_ : 0);
    const std::uint8_t* above = piece.firstRow == 0 ? zeros.data() : RgbRow(piece.firstRow - 1, rgb[1]);
    // BGR rows turned round take turns in the two scratch rows, the row above in the other.
    for (std::size_t k = 0, current = 0; k < count; ++k, current ^= 1) {
      const std::uint8_t* row = RgbRow(piece.firstRow + static_cast<int>(k), rgb[current]);
      filter.Filter(row, above, filtered.get() + k * (rowBytes_ + 1));
      above = row;
    }
    piece.adler = adler32_z(1, filtered.get(), piece.filtered);

    z_stream stream{};
    if (deflateInit2(&stream, level_, Z_DEFLATED, -15, 8, Z_FILTERED) != Z_OK) throw std::bad_alloc();
    const std::size_t room = 2 + deflateBound(&stream, static_cast<uLong>(piece.filtered)) + 16;
    piece.data = std::make_unique_for_overwrite<std::uint8_t[]>(room);
    std::size_t at = 0;
    if (first) {
      // zlib's header: deflate with a 32 KiB window, and the effort named as zlib does.
      const int effort = level_ < 2 ? 0 : (level_ < 6 ? 1 : (level_ == 6 ? 2 : 3));
      piece.data[0] = 0x78;
      piece.data[1] = static_cast<std::uint8_t>(effort << 6);
      piece.data[1] = static_cast<std::uint8_t>(piece.data[1] + 31 - (0x78 * 256 + piece.data[1]) % 31);
      at = 2;
    }
    stream.next_in = filtered.get();
    stream.avail_in = static_cast<uInt>(piece.filtered);
    stream.next_out = piece.data.get() + at;
    stream.avail_out = static_cast<uInt>(room - at);
    const int result = deflate(&stream, last ? Z_FINISH : Z_SYNC_FLUSH);
    piece.size = room - stream.avail_out;
    deflateEnd(&stream);
    if (result != (last ? Z_STREAM_END : Z_OK) || stream.avail_in != 0) Fail("the compressor stopped", false);
    piece.crc = Crc(Crc(0, "IDAT", 4), piece.data.get(), piece.size);
  }

  void Fail(const char* why, bool outOfMemory) {
    const std::lock_guard lock(mutex_);
    if (!failed_) failure_ = why;
    failed_ = true;
    outOfMemory_ = outOfMemory_ || outOfMemory;
    stop_ = true;
  }

  const RgbRows rows_;
  const int level_;
  const std::size_t rowBytes_;
  std::vector<Piece> pieces_;
  std::atomic<std::size_t> next_{0};
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable pieceDone_;
  bool failed_ = false;
  bool outOfMemory_ = false;
  std::string failure_;
};

}  // namespace

bool EncodePng(const RgbRows& rows, const EncodeOptions& options, std::string& bytes,
               EncodeProblem& problem) {
  if (rows.width <= 0 || rows.height <= 0 || rows.top == nullptr) {
    problem.fault = EncodeFault::Failed;
    problem.detail = "no rows";
    return false;
  }
  PngWriter writer(rows, options);
  return writer.Run(options, bytes, problem);
}
