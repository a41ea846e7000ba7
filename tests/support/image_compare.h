#pragma once
// Comparing pictures with independent references made by GDAL: grey levels and their
// correlation, and the planar RGB bytes GDAL writes.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

// Pearson correlation of two equally long series.
inline double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
  const double n = static_cast<double>(a.size());
  double meanA = 0, meanB = 0;
  for (std::size_t k = 0; k < a.size(); ++k) {
    meanA += a[k] / n;
    meanB += b[k] / n;
  }
  double ab = 0, aa = 0, bb = 0;
  for (std::size_t k = 0; k < a.size(); ++k) {
    ab += (a[k] - meanA) * (b[k] - meanB);
    aa += (a[k] - meanA) * (a[k] - meanA);
    bb += (b[k] - meanB) * (b[k] - meanB);
  }
  return ab / std::sqrt(aa * bb);
}

// Grey levels (mean of red, green, blue) of 0x00RRGGBB pixels.
inline std::vector<double> GreyOfPixels(const std::uint32_t* pixels, std::size_t count) {
  std::vector<double> grey(count);
  for (std::size_t k = 0; k < count; ++k) {
    const std::uint32_t p = pixels[k];
    grey[k] = ((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)) / 3.0;
  }
  return grey;
}

// Grey levels of `count` pixels stored band after band (red plane, green, blue); empty when
// `bytes` is not three planes long.
inline std::vector<double> GreyOfPlanes(const std::string& bytes, std::size_t count) {
  if (bytes.size() != 3 * count) return {};
  std::vector<double> grey(count);
  for (std::size_t k = 0; k < count; ++k) {
    grey[k] = (static_cast<std::uint8_t>(bytes[k]) + static_cast<std::uint8_t>(bytes[count + k]) +
               static_cast<std::uint8_t>(bytes[2 * count + k])) /
              3.0;
  }
  return grey;
}
