#include "geodata/outline_image.h"

#include <cmath>
#include <cstring>

#include "geodata/outline_format.h"

using namespace outline_format;

namespace {

template <typename Table>
std::size_t CopyOut(std::string_view bytes, std::size_t at, std::size_t count, Table& table) {
  using T = typename decltype(table.items)::element_type;
  table.items = std::make_unique_for_overwrite<T[]>(count);
  table.count = count;
  if (count > 0) std::memcpy(table.items.get(), bytes.data() + at, sizeof(T) * count);
  return at + sizeof(T) * count;
}

}  // namespace

std::optional<OutlineImage> OutlineImage::Parse(std::string_view bytes, std::string* reason) {
  const auto fail = [&](const char* why) -> std::optional<OutlineImage> {
    if (reason != nullptr) *reason = why;
    return std::nullopt;
  };
  Header header;
  if (bytes.size() < sizeof header) return fail("not a prepared outline file");
  std::memcpy(&header, bytes.data(), sizeof header);
  if (std::memcmp(header.magic, kMagic, sizeof kMagic) != 0) return fail("not a prepared outline file");
  if (header.byteOrder != kByteOrderMark) return fail("made on a machine of another byte order");
  if (header.version != kVersion || header.levelCount != kOutlineLevels)
    return fail("of another format version");
  const std::uint64_t tablesEnd = sizeof(Header) + sizeof(Level) * kOutlineLevels +
                                  sizeof(OutlineCountry) * std::uint64_t{header.countryCount} +
                                  sizeof(OutlineRing) * std::uint64_t{header.ringCount} +
                                  sizeof(OutlineChunk) * std::uint64_t{header.chunkCount};
  if (tablesEnd > bytes.size()) return fail("cut short");
  const std::uint64_t checksum = header.checksum;
  header.checksum = 0;
  static_assert(sizeof header % 8 == 0);
  const std::string_view headerBytes(reinterpret_cast<const char*>(&header), sizeof header);
  if (Checksum(bytes.substr(sizeof header, tablesEnd - sizeof header), Checksum(headerBytes)) != checksum) {
    return fail("damaged");
  }
  OutlineImage image;
  image.key_ = header.key;
  Level levels[kOutlineLevels];
  std::memcpy(levels, bytes.data() + sizeof header, sizeof levels);
  std::uint64_t expectedOffset = tablesEnd;
  for (int level = 0; level < kOutlineLevels; ++level) {
    if (levels[level].toleranceKm != kOutlineLevelTolerancesKm[level])
      return fail("of another format version");
    if (levels[level].offset != expectedOffset || levels[level].size > bytes.size() - expectedOffset) {
      return fail("cut short");
    }
    image.levelPoints_[level] = bytes.substr(levels[level].offset, levels[level].size);
    expectedOffset += levels[level].size;
  }
  if (expectedOffset != bytes.size()) return fail("longer than its tables say");

  std::size_t at = sizeof header + sizeof levels;
  at = CopyOut(bytes, at, header.countryCount, image.countries_);
  at = CopyOut(bytes, at, header.ringCount, image.rings_);
  CopyOut(bytes, at, header.chunkCount, image.chunks_);

  const std::uint64_t ringCount = header.ringCount, chunkCount = header.chunkCount;
  for (const OutlineCountry& country : image.Countries()) {
    if (country.firstRing > ringCount || country.ringCount > ringCount - country.firstRing ||
        !std::isfinite(country.lonMin) || !std::isfinite(country.latMin) || !(country.lonScale > 0) ||
        !(country.latScale > 0) || !std::isfinite(country.lonScale) || !std::isfinite(country.latScale)) {
      return fail("damaged");
    }
  }
  for (const OutlineRing& ring : image.Rings()) {
    if (ring.country >= header.countryCount || ring.chunkCount == 0 || ring.firstChunk > chunkCount ||
        ring.chunkCount > chunkCount - ring.firstChunk) {
      return fail("damaged");
    }
  }
  for (const OutlineChunk& chunk : image.Chunks()) {
    for (int level = 0; level < kOutlineLevels; ++level) {
      if (chunk.levels[level].offset > image.levelPoints_[level].size()) return fail("damaged");
    }
    const double length =
        std::sqrt(double{chunk.centre[0]} * chunk.centre[0] + double{chunk.centre[1]} * chunk.centre[1] +
                  double{chunk.centre[2]} * chunk.centre[2]);
    if (chunk.ring >= ringCount || !(length > 0.5 && length < 2) ||
        !(chunk.radius >= 0 && chunk.radius <= 4)) {
      return fail("damaged");
    }
  }
  return image;
}

bool OutlineImage::Decode(const OutlineChunk& chunk, int level, std::vector<RawPoint>& points) const {
  points.clear();
  const OutlineChunk::Run run = chunk.levels[level];
  const std::string_view bytes = levelPoints_[level].substr(run.offset);
  std::size_t at = 0;
  const auto byte = [&](std::uint8_t* out) {
    if (at >= bytes.size()) return false;
    *out = static_cast<std::uint8_t>(bytes[at++]);
    return true;
  };
  const auto varint = [&](int* out) {
    std::uint32_t value = 0;
    for (int shift = 0; shift < 35; shift += 7) {
      std::uint8_t b;
      if (!byte(&b)) return false;
      value |= std::uint32_t{b & 0x7fu} << shift;
      if ((b & 0x80) == 0) {
        *out = static_cast<int>(value >> 1) ^ -static_cast<int>(value & 1);
        return true;
      }
    }
    return false;
  };
  int lon = 0, lat = 0;
  for (std::uint32_t k = 0; k < run.count; ++k) {
    std::uint8_t b[4];
    if (k == 0) {
      for (std::uint8_t& v : b) {
        if (!byte(&v)) return false;
      }
      lon = b[0] | b[1] << 8;
      lat = b[2] | b[3] << 8;
    } else {
      if (!byte(b)) return false;
      int dlon = 0, dlat = 0;
      if (b[0] != 0) {
        dlon = (b[0] >> 4) - 8;
        dlat = (b[0] & 15) - 8;
      } else if (!varint(&dlon) || !varint(&dlat)) {
        return false;
      }
      lon += dlon;
      lat += dlat;
    }
    // A longitude never holds the chart's ring mark; a latitude may be any 16-bit value.
    if (lon < 0 || lon >= kDcwRingStart || lat < 0 || lat > 0xffff) return false;
    points.push_back({static_cast<std::uint16_t>(lon), static_cast<std::uint16_t>(lat)});
  }
  return true;
}

std::vector<RawPoint> OutlineImage::DecodeRing(std::uint32_t ring, int level) const {
  std::vector<RawPoint> whole, chunk;
  const OutlineRing& record = Rings()[ring];
  for (std::uint32_t c = record.firstChunk; c < record.firstChunk + record.chunkCount; ++c) {
    Decode(Chunks()[c], level, chunk);
    whole.insert(whole.end(), chunk.begin() + (whole.empty() || chunk.empty() ? 0 : 1), chunk.end());
  }
  return whole;
}
