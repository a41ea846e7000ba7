// PNG: the rows filtered and deflated in pieces of about 256 KiB by several threads, each
// piece ending on a byte boundary (zlib's sync flush) so that the pieces joined in order are
// one zlib stream, its checksum combined from theirs. Each piece is one IDAT chunk. A piece's
// compressor starts from the window the bytes before it would have left, so the pieces pack
// nearly as tight as one stream.
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "imagecodec/map_encoding.h"
#include "imagecodec/piece_work.h"
#include "imagecodec/png_row_filter.h"

namespace {

constexpr std::size_t kPieceBytes = std::size_t{1} << 18;
// Deflate's window: each piece's compressor is first shown the filtered bytes before it.
constexpr std::size_t kWindowBytes = std::size_t{1} << 15;

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
};

// Each worker's filter and two rows for BGR rows turned round.
struct Scratch {
  explicit Scratch(std::size_t rowBytes, bool bgr)
      : filter(rowBytes),
        rgb{std::vector<std::uint8_t>(bgr ? rowBytes : 0), std::vector<std::uint8_t>(bgr ? rowBytes : 0)} {}
  PngRowFilter filter;
  std::vector<std::uint8_t> rgb[2];
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
    bytes.clear();
    try {
      // Room for the rows as they are: a reservation the pieces fill as they come.
      bytes.reserve(64 + rowBytes_ * static_cast<std::size_t>(rows_.height) + 64 * pieces_.size());
    } catch (const std::bad_alloc&) {
      problem.fault = EncodeFault::OutOfMemory;
      return false;
    }
    PutStart(bytes);
    std::vector<Scratch> scratch;
    for (int k = 0; k < WorkersFor(pieces_.size(), options.threads); ++k)
      scratch.emplace_back(rowBytes_, rows_.bgr);
    uLong adler = 1;
    const auto work = [&](std::size_t k, int worker) {
      return Encode(k, scratch[static_cast<std::size_t>(worker)]);
    };
    const auto join = [&](std::size_t k) {
      adler = adler32_combine(adler, pieces_[k].adler, static_cast<z_off_t>(pieces_[k].filtered));
      Join(pieces_[k], k + 1 == pieces_.size() ? &adler : nullptr, bytes);
    };
    if (!RunPieces(pieces_.size(), options.threads, work, join, options.progress, problem)) return false;
    PutChunk(bytes, "IEND", nullptr, 0);
    return true;
  }

 private:
  void PutStart(std::string& bytes) const {
    bytes.append("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    PutBigEndian(header, static_cast<std::uint32_t>(rows_.width));
    PutBigEndian(header, static_cast<std::uint32_t>(rows_.height));
    // 8 bits, RGB, deflate, adaptive filters, not interlaced.
    header.append("\x08\x02\x00\x00\x00", 5);
    PutChunk(bytes, "IHDR", header.data(), header.size());
  }

  // The piece's IDAT chunk; the last one carries the stream's checksum as well.
  static void Join(Piece& piece, const uLong* adler, std::string& bytes) {
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

  // Row y in RGB order: where it stands, or turned round into `turned`.
  const std::uint8_t* RgbRow(int y, std::vector<std::uint8_t>& turned) const {
    const std::uint8_t* row = rows_.Row(y);
    if (!rows_.bgr) return row;
    for (std::size_t i = 0; i < rowBytes_; i += 3) {
      turned[i] = row[i + 2];
      turned[i + 1] = row[i + 1];
      turned[i + 2] = row[i];
    }
    return turned.data();
  }

  std::string Encode(std::size_t k, Scratch& scratch) {
    Piece& piece = pieces_[k];
    const bool first = k == 0, last = k + 1 == pieces_.size();
    // The rows before the piece whose filtered bytes fill the window, filtered again here.
    const int windowRows =
        first ? 0 : std::min(piece.firstRow, static_cast<int>((kWindowBytes + rowBytes_) / (rowBytes_ + 1)));
    const int from = piece.firstRow - windowRows;
    const std::size_t windowBytes = static_cast<std::size_t>(windowRows) * (rowBytes_ + 1);
    const auto count = static_cast<std::size_t>(piece.endRow - from);
    piece.filtered = count * (rowBytes_ + 1) - windowBytes;
    const auto filtered = std::make_unique_for_overwrite<std::uint8_t[]>(count * (rowBytes_ + 1));
    const std::vector<std::uint8_t> zeros(from == 0 ? rowBytes_ : 0);
    const std::uint8_t* above = from == 0 ? zeros.data() : RgbRow(from - 1, scratch.rgb[1]);
    // Turned rows take turns in the two scratch rows, the row above in the other.
    for (std::size_t r = 0, current = 0; r < count; ++r, current ^= 1) {
      const std::uint8_t* row = RgbRow(from + static_cast<int>(r), scratch.rgb[current]);
      scratch.filter.Filter(row, above, filtered.get() + r * (rowBytes_ + 1));
      above = row;
    }
    const std::uint8_t* own = filtered.get() + windowBytes;
    piece.adler = adler32_z(1, own, piece.filtered);

    z_stream stream{};
    if (deflateInit2(&stream, level_, Z_DEFLATED, -15, 8, Z_FILTERED) != Z_OK) throw std::bad_alloc();
    if (windowBytes > 0) {
      const std::size_t shown = std::min(windowBytes, kWindowBytes);
      deflateSetDictionary(&stream, own - shown, static_cast<uInt>(shown));
    }
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
    stream.next_in = const_cast<std::uint8_t*>(own);
    stream.avail_in = static_cast<uInt>(piece.filtered);
    stream.next_out = piece.data.get() + at;
    stream.avail_out = static_cast<uInt>(room - at);
    const int result = deflate(&stream, last ? Z_FINISH : Z_SYNC_FLUSH);
    piece.size = room - stream.avail_out;
    deflateEnd(&stream);
    if (result != (last ? Z_STREAM_END : Z_OK) || stream.avail_in != 0) return "the compressor stopped early";
    piece.crc = Crc(Crc(0, "IDAT", 4), piece.data.get(), piece.size);
    return {};
  }

  const RgbRows rows_;
  const int level_;
  const std::size_t rowBytes_;
  std::vector<Piece> pieces_;
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
