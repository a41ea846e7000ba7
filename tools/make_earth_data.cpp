// Makes the program's default data from an equirectangular Earth picture:
//   <program dir>/5.x          the globe: a sphere of radius 20, normals, texture coordinates,
//                              one white material naming earth.jpg
//   <program dir>/earth.jpg    the picture itself, the globe's texture
//   <maps dir>/earthmap.bmp    557 x 557, 24-bit, the picture laid out for true maps:
//                              column x is longitude -(x - 278.5) * 360 / 557 (east on the
//                              left), row y is latitude -(y - 278.5) * 180 / 557
// Usage: make_earth_data <picture> <program dir> <maps dir>
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGlobeRadius = 20.0;
// Fine enough for a smooth outline seen from inside, small enough to draw in a millisecond.
constexpr int kLongitudeSteps = 96;
constexpr int kLatitudeSteps = 48;
constexpr int kMapSide = 557;
constexpr int kMaxPictureSide = 16384;
const char* const kTextureName = "earth.jpg";

struct Vec3 {
  double x, y, z;
};

Vec3 Sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The direction of longitude lambda, latitude phi (degrees) as the view expects it.
Vec3 GeographicDirection(double lambdaDeg, double phiDeg) {
  const double lambda = lambdaDeg * kPi / 180.0;
  const double phi = phiDeg * kPi / 180.0;
  return {-std::sin(lambda) * std::cos(phi), std::sin(phi), -std::cos(lambda) * std::cos(phi)};
}

struct GlobeVertex {
  Vec3 normal;
  double u, v;
};

// Locale-independent: the .x format needs a decimal point whatever the user's locale.
void AppendNumber(std::string* out, double value) {
  if (std::fabs(value) < 5e-7) value = 0.0;
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  out->append(buffer, result.ptr);
}

void AppendNumbers(std::string* out, std::initializer_list<double> values, const char* end) {
  for (double value : values) {
    AppendNumber(out, value);
    *out += ';';
  }
  *out += end;
}

std::string GlobeModelText() {
  std::vector<GlobeVertex> vertices;
  for (int row = 0; row <= kLatitudeSteps; ++row) {
    const double v = static_cast<double>(row) / kLatitudeSteps;
    const double phi = 90.0 - 180.0 * v;
    for (int column = 0; column <= kLongitudeSteps; ++column) {
      const double u = static_cast<double>(column) / kLongitudeSteps;
      vertices.push_back({GeographicDirection(u * 360.0 - 180.0, phi), u, v});
    }
  }
  auto at = [](int column, int row) { return row * (kLongitudeSteps + 1) + column; };
  std::vector<std::array<int, 3>> faces;
  // Front faces of the platform run clockwise as seen from outside; in its left-handed space
  // that is a face whose (v1 - v0) x (v2 - v0) points outwards.
  auto addFace = [&](int a, int b, int c) {
    const Vec3 pa = vertices[a].normal, pb = vertices[b].normal, pc = vertices[c].normal;
    const Vec3 centre{pa.x + pb.x + pc.x, pa.y + pb.y + pc.y, pa.z + pb.z + pc.z};
    if (Dot(Cross(Sub(pb, pa), Sub(pc, pa)), centre) > 0) {
      faces.push_back({a, b, c});
    } else {
      faces.push_back({a, c, b});
    }
  };
  for (int row = 0; row < kLatitudeSteps; ++row) {
    for (int column = 0; column < kLongitudeSteps; ++column) {
      const int topLeft = at(column, row), topRight = at(column + 1, row);
      const int bottomLeft = at(column, row + 1), bottomRight = at(column + 1, row + 1);
      // At the poles one edge of the cell shrinks to a point: one triangle.
      if (row != 0) addFace(topLeft, topRight, bottomRight);
      if (row != kLatitudeSteps - 1) addFace(topLeft, bottomRight, bottomLeft);
    }
  }

  std::string text = "xof 0302txt 0032\n";
  text += "// The Earth: radius 20, longitude L and latitude P at (-sin L cos P, sin P, -cos L cos P).\n";
  text += "Mesh Globe {\n " + std::to_string(vertices.size()) + ";\n";
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    const Vec3 n = vertices[i].normal;
    text += ' ';
    AppendNumbers(&text, {n.x * kGlobeRadius, n.y * kGlobeRadius, n.z * kGlobeRadius},
                  i + 1 < vertices.size() ? ",\n" : ";\n");
  }
  auto appendFaces = [&]() {
    text += ' ' + std::to_string(faces.size()) + ";\n";
    for (std::size_t i = 0; i < faces.size(); ++i) {
      text += " 3;" + std::to_string(faces[i][0]) + ',' + std::to_string(faces[i][1]) + ',' +
              std::to_string(faces[i][2]) + (i + 1 < faces.size() ? ";,\n" : ";;\n");
    }
  };
  appendFaces();
  text += " MeshNormals {\n " + std::to_string(vertices.size()) + ";\n";
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    const Vec3 n = vertices[i].normal;
    text += ' ';
    AppendNumbers(&text, {n.x, n.y, n.z}, i + 1 < vertices.size() ? ",\n" : ";\n");
  }
  appendFaces();
  text += " }\n MeshTextureCoords {\n " + std::to_string(vertices.size()) + ";\n";
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    text += ' ';
    AppendNumbers(&text, {vertices[i].u, vertices[i].v}, i + 1 < vertices.size() ? ",\n" : ";\n");
  }
  text += " }\n MeshMaterialList {\n 1;\n " + std::to_string(faces.size()) + ";\n";
  for (std::size_t i = 0; i < faces.size(); ++i) text += i + 1 < faces.size() ? " 0,\n" : " 0;;\n";
  text +=
      "  Material Earth {\n   1.000000;1.000000;1.000000;1.000000;;\n   0.000000;\n"
      "   0.000000;0.000000;0.000000;;\n   0.000000;0.000000;0.000000;;\n"
      "   TextureFilename { \"" +
      std::string(kTextureName) + "\"; }\n  }\n }\n}\n";
  return text;
}

// Source pixels under [start, end) of a picture axis, with how much of each is covered.
struct Coverage {
  int pixel;
  double weight;
};

std::vector<Coverage> AxisCoverage(double start, double end, int size, bool wraps) {
  std::vector<Coverage> cover;
  for (int p = static_cast<int>(std::floor(start)); p < end; ++p) {
    const double weight = std::min<double>(end, p + 1) - std::max<double>(start, p);
    if (weight <= 0) continue;
    if (wraps) {
      cover.push_back({((p % size) + size) % size, weight});
    } else if (p >= 0 && p < size) {
      cover.push_back({p, weight});
    }
  }
  return cover;
}

// Each map pixel averages the picture over the area it stands for (the picture is about 3.7
// times finer in longitude, so point sampling would alias).
QImage TrueMapPicture(const QImage& picture) {
  const int width = picture.width(), height = picture.height();
  QImage map(kMapSide, kMapSide, QImage::Format_RGB888);
  const double columnSpan = static_cast<double>(width) / kMapSide;
  const double rowSpan = static_cast<double>(height) / kMapSide;
  std::vector<std::vector<Coverage>> columns(kMapSide);
  for (int x = 0; x < kMapSide; ++x) {
    const double longitude = -(x - kMapSide / 2.0) * 360.0 / kMapSide;
    const double centre = (longitude + 180.0) / 360.0 * width;
    columns[x] = AxisCoverage(centre - columnSpan / 2, centre + columnSpan / 2, width, true);
  }
  for (int y = 0; y < kMapSide; ++y) {
    const double latitude = -(y - kMapSide / 2.0) * 180.0 / kMapSide;
    const double centre = (90.0 - latitude) / 180.0 * height;
    const std::vector<Coverage> rows =
        AxisCoverage(centre - rowSpan / 2, centre + rowSpan / 2, height, false);
    uchar* line = map.scanLine(y);
    for (int x = 0; x < kMapSide; ++x) {
      double sum[3] = {0, 0, 0}, total = 0;
      for (const Coverage& row : rows) {
        const QRgb* source = reinterpret_cast<const QRgb*>(picture.constScanLine(row.pixel));
        for (const Coverage& column : columns[x]) {
          const double w = row.weight * column.weight;
          const QRgb c = source[column.pixel];
          sum[0] += w * qRed(c);
          sum[1] += w * qGreen(c);
          sum[2] += w * qBlue(c);
          total += w;
        }
      }
      for (int k = 0; k < 3; ++k) line[3 * x + k] = static_cast<uchar>(std::lround(sum[k] / total));
    }
  }
  return map;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    std::fprintf(stderr, "make_earth_data: cannot write %s: %s\n", qPrintable(path),
                 qPrintable(file.errorString()));
    return false;
  }
  return true;
}

int Fail(const QString& message) {
  std::fprintf(stderr, "make_earth_data: %s\n", qPrintable(message));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 4) return Fail("usage: make_earth_data <equirectangular picture> <program dir> <maps dir>");
  const QString picturePath = QString::fromLocal8Bit(argv[1]);
  const QDir programDir(QString::fromLocal8Bit(argv[2]));
  const QDir mapsDir(QString::fromLocal8Bit(argv[3]));

  if (!QFile::exists(picturePath)) return Fail(picturePath + ": no such file");
  QImageReader reader(picturePath);
  if (!reader.canRead()) {
    return Fail(picturePath + ": not a picture in a known format (" + reader.errorString() + ")");
  }
  const QSize size = reader.size();
  if (size.isValid() && (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide)) {
    return Fail(picturePath + ": the picture is too large");
  }
  const QByteArray format = reader.format();
  const QImage picture = reader.read().convertToFormat(QImage::Format_RGB32);
  if (picture.isNull()) {
    return Fail(picturePath + ": the picture cannot be decoded (" + reader.errorString() + ")");
  }
  if (picture.width() < 2 || picture.height() < 2) return Fail(picturePath + ": the picture is too small");

  if (!programDir.mkpath(".") || !mapsDir.mkpath(".")) return Fail("cannot create the output folders");
  QByteArray texture;
  if (format == "jpeg") {
    QFile source(picturePath);
    if (!source.open(QIODevice::ReadOnly)) return Fail(picturePath + ": " + source.errorString());
    texture = source.readAll();
  } else {
    QBuffer buffer(&texture);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "JPG", 95)) return Fail("cannot encode the texture as JPEG");
  }
  if (!WriteFile(programDir.filePath(kTextureName), texture)) return 1;
  if (!WriteFile(programDir.filePath("5.x"), QByteArray::fromStdString(GlobeModelText()))) return 1;

  QByteArray bitmap;
  QBuffer buffer(&bitmap);
  buffer.open(QIODevice::WriteOnly);
  if (!TrueMapPicture(picture).save(&buffer, "BMP")) return Fail("cannot encode earthmap.bmp");
  if (!WriteFile(mapsDir.filePath("earthmap.bmp"), bitmap)) return 1;
  return 0;
}
