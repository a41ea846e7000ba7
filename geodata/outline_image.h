#pragma once
// The prepared copy of the country outlines: every ring of every country of the chart, at full
// detail and at coarser levels of detail, cut into chunks of at most kChunkPoints points with a
// bounding cap each, so that a map reads only the chunks it shows, at the detail it needs.
//
// The image is one block of bytes, the same in memory and in the cache file. Its tables are
// the structures below as the machine lays them out, so that reading them is a copy:
//   header     magic "SKRWOUTL", byte-order mark, format version, counts, the source's key,
//              and a checksum of header and tables
//   levels     per level its tolerance in km and where its points lie
//   countries  OutlineCountry: code, rings, and the numbers that turn stored values into
//              degrees (min + value / scale, as in the chart)
//   rings      OutlineRing: country and chunks
//   chunks     OutlineChunk: ring, bounding cap, and per level where its points are
//   points     per level, each chunk's points: the first as two 16-bit values (longitude,
//              latitude), each next one as its change from the one before: one byte
//              (16 * (dlon + 8) + dlat + 8) when both changes lie within -7..7, else a zero
//              byte and both changes as zigzag LEB128 numbers
// Consecutive chunks of a ring share their end point at every level, so the levels of
// neighbouring chunks may differ without a gap. The full-detail level holds the chart's
// values unchanged, its repeated points included.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "geo/geo_point.h"
#include "geodata/dcw_chart.h"

inline constexpr std::array<double, 6> kOutlineLevelTolerancesKm = {0, 0.05, 0.2, 0.8, 3.2, 12.8};
inline constexpr int kOutlineLevels = static_cast<int>(kOutlineLevelTolerancesKm.size());
inline constexpr std::size_t kChunkPoints = 1024;

// What identifies one state of the chart file: when any of it changes, the copy is made anew.
struct OutlineSourceKey {
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const OutlineSourceKey&) const = default;
};

struct RawPoint {
  std::uint16_t lon = 0, lat = 0;
  bool operator==(const RawPoint&) const = default;
};

// The tables' records are plain: they are copied from the image as they stand, and every one
// made anew is value-initialised ({}), its unused bytes zero.
struct OutlineCountry {
  char code[2];
  std::uint16_t unused1;
  std::uint32_t firstRing, ringCount;
  std::uint32_t unused2;
  double lonMin, lonScale, latMin, latScale;
  GeoPoint At(RawPoint p) const { return {latMin + p.lat / latScale, lonMin + p.lon / lonScale}; }
};

struct OutlineRing {
  std::uint32_t country, firstChunk, chunkCount;
};

struct OutlineChunk {
  std::uint32_t ring;
  float centre[3];
  float radius;  // radians, every point of the chunk at every level within it
  struct Run {
    std::uint32_t offset;  // bytes from the start of the level's points
    std::uint32_t count;
  } levels[kOutlineLevels];
};

// A checked view of an image. The bytes stay the caller's and must outlive the view.
class OutlineImage {
 public:
  // Nothing, with the reason, when the bytes are no intact image of this format.
  static std::optional<OutlineImage> Parse(std::string_view bytes, std::string* reason);

  const OutlineSourceKey& Key() const { return key_; }
  std::span<const OutlineCountry> Countries() const { return countries_.Items(); }
  std::span<const OutlineRing> Rings() const { return rings_.Items(); }
  std::span<const OutlineChunk> Chunks() const { return chunks_.Items(); }
  // A chunk's points at one level; false when its bytes are damaged (what was decoded is then
  // left in `points`, never anything read from outside the image).
  bool Decode(const OutlineChunk& chunk, int level, std::vector<RawPoint>& points) const;
  // A whole ring at one level, the shared points of its chunks once.
  std::vector<RawPoint> DecodeRing(std::uint32_t ring, int level) const;

 private:
  // A table copied from the image as it stands, without first clearing megabytes of memory.
  template <typename T>
  struct Table {
    std::unique_ptr<T[]> items;
    std::size_t count = 0;
    std::span<const T> Items() const { return {items.get(), count}; }
  };

  OutlineSourceKey key_;
  Table<OutlineCountry> countries_;
  Table<OutlineRing> rings_;
  Table<OutlineChunk> chunks_;
  std::array<std::string_view, kOutlineLevels> levelPoints_;
};
