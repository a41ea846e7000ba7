#include <algorithm>
#include <cmath>
#include <cstring>

#include "geodata/outline_format.h"
#include "geodata/outline_simplify.h"
#include "geodata/prepare/outline_preparation.h"

using namespace outline_format;

namespace {

// Rounding of the stored centre and radius, well below any tolerance (6 m).
constexpr double kCapMarginRadians = 1e-6;

template <typename T>
void Append(std::string& out, const T* items, std::size_t count) {
  out.append(reinterpret_cast<const char*>(items), sizeof(T) * count);
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
