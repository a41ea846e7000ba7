#include "geodata/outline_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "geodata/outline_simplify.h"

namespace {

constexpr char kMagic[8] = {'S', 'K', 'R', 'W', 'O', 'U', 'T', 'L'};
constexpr std::uint32_t kByteOrderMark = 0x01020304;
constexpr std::uint32_t kVersion = 1;
// Rounding of the stored centre and radius, well below any tolerance (6 m).
constexpr double kCapMarginRadians = 1e-6;

struct Header {
  char magic[8];
  std::uint32_t byteOrder, version, levelCount, countryCount, ringCount, chunkCount, chunkPoints, unused;
  OutlineSourceKey key;
  std::uint64_t checksum;
};

struct Level {
  double toleranceKm;
  std::uint64_t offset, size;
};

static_assert(sizeof(OutlineSourceKey) == 32 && sizeof(Header) == 80 && sizeof(Level) == 24);
static_assert(sizeof(OutlineCountry) == 48 && sizeof(OutlineRing) == 12 &&
              sizeof(OutlineChunk) == 20 + 8 * kOutlineLevels);
static_assert(std::is_trivial_v<OutlineCountry> && std::is_trivial_v<OutlineRing> &&
              std::is_trivial_v<OutlineChunk>);

template <typename T>
void Append(std::string& out, const T* items, std::size_t count) {
  out.append(reinterpret_cast<const char*>(items), sizeof(T) * count);
}

template <typename Table>
std::size_t CopyOut(std::string_view bytes, std::size_t at, std::size_t count, Table& table) {
  using T = typename decltype(table.items)::element_type;
  table.items = std::make_unique_for_overwrite<T[]>(count);
  table.count = count;
  if (count > 0) std::memcpy(table.items.get(), bytes.data() + at, sizeof(T) * count);
  return at + sizeof(T) * count;
}

// A 64-bit hash of whole words, fast enough to check the tables at every start. Hashing a
// block in two parts gives the same as in one when the first part is whole words.
constexpr std::uint64_t kChecksumSeed = 0x9e3779b97f4a7c15ull;
std::uint64_t Checksum(std::string_view bytes, std::uint64_t hash = kChecksumSeed) {
  std::size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + at, 8);
    hash = (hash ^ word) * 0xff51afd7ed558ccdull;
    hash ^= hash >> 29;
  }
  for (; at < bytes.size(); ++at) hash = (hash ^ static_cast<unsigned char>(bytes[at])) * 0x100000001b3ull;
  return hash;
}

void PutVarint(std::string& out, std::uint32_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<char>(v | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<char>(v));
}

std::uint32_t Zigzag(int v) {
  return (static_cast<std::uint32_t>(v) << 1) ^ static_cast<std::uint32_t>(v >> 31);
}

void EncodeRun(std::span<const RawPoint> points, std::string& out) {
  for (std::size_t k = 0; k < points.size(); ++k) {
    if (k == 0) {
      const std::uint16_t first[2] = {points[k].lon, points[k].lat};
      const unsigned char bytes[4] = {
          static_cast<unsigned char>(first[0] & 0xff), static_cast<unsigned char>(first[0] >> 8),
          static_cast<unsigned char>(first[1] & 0xff), static_cast<unsigned char>(first[1] >> 8)};
      out.append(reinterpret_cast<const char*>(bytes), 4);
      continue;
    }
    const int dlon = points[k].lon - points[k - 1].lon, dlat = points[k].lat - points[k - 1].lat;
    if (dlon >= -7 && dlon <= 7 && dlat >= -7 && dlat <= 7) {
      out.push_back(static_cast<char>(16 * (dlon + 8) + dlat + 8));
    } else {
      out.push_back(0);
      PutVarint(out, Zigzag(dlon));
      PutVarint(out, Zigzag(dlat));
    }
  }
}

struct Cap {
  float centre[3];
  float radius;
};

Vec3 CentreOf(const float centre[3]) {
  const double length = std::hypot(double{centre[0]}, double{centre[1]}, double{centre[2]});
  return {centre[0] / length, centre[1] / length, centre[2] / length};
}

Cap BoundingCap(std::span<const Vec3> points) {
  Vec3 sum;
  for (const Vec3& p : points) sum = {sum.x + p.x, sum.y + p.y, sum.z + p.z};
  const double length = std::sqrt(Dot(sum, sum));
  // Points all round the sphere have no middle worth the name; the first will do.
  const Vec3 middle = length > 1e-9 * static_cast<double>(points.size())
                          ? Vec3{sum.x / length, sum.y / length, sum.z / length}
                          : points.front();
  Cap cap{{static_cast<float>(middle.x), static_cast<float>(middle.y), static_cast<float>(middle.z)}, 0};
  const Vec3 centre = CentreOf(cap.centre);
  double radius = 0;
  for (const Vec3& p : points) radius = std::max(radius, std::acos(std::clamp(Dot(p, centre), -1.0, 1.0)));
  cap.radius = static_cast<float>(radius + kCapMarginRadians);
  return cap;
}

struct Tables {
  std::vector<OutlineCountry> countries;
  std::vector<OutlineRing> rings;
  std::vector<OutlineChunk> chunks;
  std::array<std::string, kOutlineLevels> points;
};

void AddRing(std::span<const RawPoint> ring, const OutlineCountry& country, Tables& tables) {
  std::vector<Vec3> vectors(ring.size());
  for (std::size_t k = 0; k < ring.size(); ++k) vectors[k] = UnitVector(country.At(ring[k]));
  OutlineRing record{static_cast<std::uint32_t>(tables.countries.size()),
                     static_cast<std::uint32_t>(tables.chunks.size()), 0};
  std::vector<RawPoint> kept;
  for (std::size_t first = 0;;) {
    const std::size_t last = std::min(ring.size() - 1, first + kChunkPoints - 1);
    const std::span<const Vec3> run = std::span(vectors).subspan(first, last - first + 1);
    const std::vector<float> keep = KeepTolerances(run, kOutlineLevelTolerancesKm[1]);
    const Cap cap = BoundingCap(run);
    OutlineChunk chunk{};
    chunk.ring = static_cast<std::uint32_t>(tables.rings.size());
    std::copy(cap.centre, cap.centre + 3, chunk.centre);
    chunk.radius = cap.radius;
    for (int level = 0; level < kOutlineLevels; ++level) {
      kept.clear();
      for (std::size_t k = 0; k < run.size(); ++k) {
        if (level == 0 || keep[k] > kOutlineLevelTolerancesKm[level]) kept.push_back(ring[first + k]);
      }
      std::string& bytes = tables.points[level];
      chunk.levels[level] = {static_cast<std::uint32_t>(bytes.size()),
                             static_cast<std::uint32_t>(kept.size())};
      EncodeRun(kept, bytes);
    }
    tables.chunks.push_back(chunk);
    ++record.chunkCount;
    if (last == ring.size() - 1) break;
    first = last;
  }
  tables.rings.push_back(record);
}

}  // namespace

std::optional<std::string> PrepareOutlineImage(const DcwFile& chart, const OutlineSourceKey& key,
                                               DataFileProblem* problem) {
  Tables tables;
  for (const std::string& code : chart.Countries()) {
    const std::optional<DcwCountry> source = chart.Read(code, problem);
    if (!source) return std::nullopt;
    OutlineCountry country{};
    country.code[0] = code[0];
    country.code[1] = code[1];
    country.firstRing = static_cast<std::uint32_t>(tables.rings.size());
    country.lonMin = source->lonMin;
    country.lonScale = source->lonScale;
    country.latMin = source->latMin;
    country.latScale = source->latScale;
    std::vector<RawPoint> ring;
    for (std::size_t k = 0; k <= source->lon.size(); ++k) {
      if (k == source->lon.size() || source->lon[k] == kDcwRingStart) {
        // The country is numbered by its place in the table, where it goes after its rings.
        if (!ring.empty()) AddRing(ring, country, tables);
        ring.clear();
        continue;
      }
      ring.push_back({source->lon[k], source->lat[k]});
    }
    country.ringCount = static_cast<std::uint32_t>(tables.rings.size()) - country.firstRing;
    tables.countries.push_back(country);
  }

  std::size_t pointBytes = 0;
  for (const std::string& points : tables.points) {
    // Chunks find their points by 32-bit offsets.
    if (points.size() > 0xffffffffu) {
      if (problem != nullptr)
        *problem = {DataFileFault::Malformed, {}, kDcwPackage, "more points than fit the copy"};
      return std::nullopt;
    }
    pointBytes += points.size();
  }
  Header header{};
  std::memcpy(header.magic, kMagic, sizeof kMagic);
  header.byteOrder = kByteOrderMark;
  header.version = kVersion;
  header.levelCount = kOutlineLevels;
  header.countryCount = static_cast<std::uint32_t>(tables.countries.size());
  header.ringCount = static_cast<std::uint32_t>(tables.rings.size());
  header.chunkCount = static_cast<std::uint32_t>(tables.chunks.size());
  header.chunkPoints = kChunkPoints;
  header.key = key;
  const std::size_t tablesEnd =
      sizeof(Header) + sizeof(Level) * kOutlineLevels + sizeof(OutlineCountry) * tables.countries.size() +
      sizeof(OutlineRing) * tables.rings.size() + sizeof(OutlineChunk) * tables.chunks.size();
  Level levels[kOutlineLevels];
  std::uint64_t offset = tablesEnd;
  for (int level = 0; level < kOutlineLevels; ++level) {
    levels[level] = {kOutlineLevelTolerancesKm[level], offset, tables.points[level].size()};
    offset += tables.points[level].size();
  }
  std::string image;
  image.reserve(tablesEnd + pointBytes);
  Append(image, &header, 1);
  Append(image, levels, kOutlineLevels);
  Append(image, tables.countries.data(), tables.countries.size());
  Append(image, tables.rings.data(), tables.rings.size());
  Append(image, tables.chunks.data(), tables.chunks.size());
  header.checksum = Checksum(image);
  std::memcpy(image.data(), &header, sizeof header);
  for (std::string& points : tables.points) {
    image += points;
    std::string().swap(points);
  }
  return image;
}

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
