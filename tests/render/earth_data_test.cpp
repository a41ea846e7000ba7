// The default data the build makes from the NASA picture: the globe model and its texture
// beside the executable, the true-map picture in maps/.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "render/d3dx/d3dx_mesh.h"
#include "render/d3dx/d3dx_texture.h"

namespace {

const std::string kBinaryDir = SKERROWEN_BINARY_DIR;
constexpr double kPi = 3.14159265358979323846;

struct Vec {
  double x, y, z;
};
Vec Minus(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec Unit(Vec a) {
  const double length = std::sqrt(Dot(a, a));
  return {a.x / length, a.y / length, a.z / length};
}
Vec Of(const D3DVECTOR& v) { return {v.x, v.y, v.z}; }

class EarthModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(D3DXLoadMeshFromX(kBinaryDir + "/5.x", D3DXMESH_MANAGED, nullptr, &mesh, &materials,
                                &materialCount, &error),
              D3D_OK)
        << error;
  }
  std::unique_ptr<D3DXMesh> mesh;
  std::vector<D3DXMATERIAL> materials;
  DWORD materialCount = 0;
  std::string error;
};

TEST_F(EarthModelTest, HasOneWhiteSubsetNamingATextureThatLoads) {
  ASSERT_EQ(materialCount, 1u);
  const D3DMATERIAL8& m = materials[0].MatD3D;
  EXPECT_EQ(std::vector<float>({m.Diffuse.r, m.Diffuse.g, m.Diffuse.b, m.Diffuse.a}),
            std::vector<float>(4, 1.0f));
  EXPECT_EQ(m.Power, 0.0f);
  EXPECT_EQ(std::vector<float>({m.Specular.r, m.Specular.g, m.Specular.b}), std::vector<float>(3, 0.0f));
  EXPECT_EQ(std::vector<float>({m.Emissive.r, m.Emissive.g, m.Emissive.b}), std::vector<float>(3, 0.0f));
  EXPECT_EQ(mesh->GetFVF(), D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
  for (DWORD attribute : mesh->FaceAttributes()) ASSERT_EQ(attribute, 0u);

  std::shared_ptr<Texture> texture;
  ASSERT_EQ(
      D3DXCreateTextureFromFile(nullptr, kBinaryDir + "/" + materials[0].TextureFilename, &texture, &error),
      D3D_OK)
      << error;
  EXPECT_EQ(texture->width, 2 * texture->height);
}

TEST_F(EarthModelTest, IsASmoothSphereOfRadius20WithOutwardUnitNormals) {
  EXPECT_GT(mesh->GetNumFaces(), 4000u);
  EXPECT_LT(mesh->GetNumVertices(), 12000u) << "one frame must stay cheap to draw";
  for (const Vertex& v : mesh->Vertices()) {
    const Vec p = Of(v.position);
    ASSERT_NEAR(std::sqrt(Dot(p, p)), 20.0, 1e-4);
    const Vec n = Of(v.normal);
    ASSERT_NEAR(std::sqrt(Dot(n, n)), 1.0, 1e-5);
    ASSERT_GT(Dot(n, Unit(p)), 0.99999);
  }
}

TEST_F(EarthModelTest, TextureCoordinatesFollowTheGeography) {
  for (const Vertex& v : mesh->Vertices()) {
    const double lambda = (v.u * 360.0 - 180.0) * kPi / 180.0;
    const double phi = (90.0 - v.v * 180.0) * kPi / 180.0;
    const Vec expected{-std::sin(lambda) * std::cos(phi), std::sin(phi), -std::cos(lambda) * std::cos(phi)};
    const Vec at = Unit(Of(v.position));
    ASSERT_NEAR(at.x, expected.x, 1e-5) << v.u << ", " << v.v;
    ASSERT_NEAR(at.y, expected.y, 1e-5) << v.u << ", " << v.v;
    ASSERT_NEAR(at.z, expected.z, 1e-5) << v.u << ", " << v.v;
  }
}

// Seen by a camera outside the globe looking at the face, each triangle runs clockwise on
// the screen (y down): the platform's front faces.
TEST_F(EarthModelTest, FacesRunClockwiseSeenFromOutside) {
  const std::vector<Vertex>& vertices = mesh->Vertices();
  for (DWORD face = 0; face < mesh->GetNumFaces(); ++face) {
    Vec corner[3];
    for (int k = 0; k < 3; ++k) corner[k] = Of(vertices[mesh->Indices()[3 * face + k]].position);
    const Vec centre = Unit({corner[0].x + corner[1].x + corner[2].x, corner[0].y + corner[1].y + corner[2].y,
                             corner[0].z + corner[1].z + corner[2].z});
    // LookAtLH from 60 units out towards the origin, then a 90-degree perspective.
    const Vec eye{centre.x * 60, centre.y * 60, centre.z * 60};
    const Vec zAxis = Unit(Minus({0, 0, 0}, eye));
    const Vec up = std::fabs(centre.y) > 0.9 ? Vec{0, 0, 1} : Vec{0, 1, 0};
    const Vec xAxis = Unit(Cross(up, zAxis));
    const Vec yAxis = Cross(zAxis, xAxis);
    double sx[3], sy[3];
    for (int k = 0; k < 3; ++k) {
      const Vec d = Minus(corner[k], eye);
      const double x = Dot(d, xAxis), y = Dot(d, yAxis), z = Dot(d, zAxis);
      sx[k] = (x / z + 1) * 278.5;
      sy[k] = (1 - y / z) * 278.5;
    }
    const double turn = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
    ASSERT_GT(turn, 0) << "face " << face << " runs anticlockwise";
  }
}

// Averages bilinear samples of the picture over the area one map pixel stands for.
QRgb Reference(const QImage& picture, int x, int y) {
  constexpr int kSamples = 8;
  const double w = picture.width(), h = picture.height();
  double sum[3] = {0, 0, 0};
  for (int i = 0; i < kSamples; ++i) {
    for (int j = 0; j < kSamples; ++j) {
      const double longitude = -(x + (i + 0.5) / kSamples - 0.5 - 278.5) * 360.0 / 557.0;
      const double latitude = -(y + (j + 0.5) / kSamples - 0.5 - 278.5) * 180.0 / 557.0;
      const double px = (longitude + 180.0) / 360.0 * w - 0.5;
      const double py = std::clamp((90.0 - latitude) / 180.0 * h - 0.5, 0.0, h - 1.0);
      const int x0 = static_cast<int>(std::floor(px)), y0 = static_cast<int>(std::floor(py));
      const double fx = px - x0, fy = py - y0;
      for (int dy = 0; dy < 2; ++dy) {
        for (int dx = 0; dx < 2; ++dx) {
          const int sx = ((x0 + dx) % picture.width() + picture.width()) % picture.width();
          const int sy = std::min(y0 + dy, picture.height() - 1);
          const double weight = (dx ? fx : 1 - fx) * (dy ? fy : 1 - fy);
          const QRgb c = picture.pixel(sx, sy);
          sum[0] += weight * qRed(c);
          sum[1] += weight * qGreen(c);
          sum[2] += weight * qBlue(c);
        }
      }
    }
  }
  const double n = kSamples * kSamples;
  return qRgb(static_cast<int>(std::lround(sum[0] / n)), static_cast<int>(std::lround(sum[1] / n)),
              static_cast<int>(std::lround(sum[2] / n)));
}

int ChannelDistance(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

TEST(EarthMapTest, Is557Square24BitBitmap) {
  QFile file(QString::fromStdString(kBinaryDir + "/maps/earthmap.bmp"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray header = file.read(30);
  ASSERT_EQ(header.size(), 30);
  EXPECT_EQ(header.left(2), QByteArray("BM"));
  auto at32 = [&](int offset) {
    return static_cast<int>(static_cast<unsigned char>(header[offset]) |
                            static_cast<unsigned char>(header[offset + 1]) << 8 |
                            static_cast<unsigned char>(header[offset + 2]) << 16 |
                            static_cast<unsigned char>(header[offset + 3]) << 24);
  };
  EXPECT_EQ(at32(18), 557);
  EXPECT_EQ(at32(22), 557) << "bottom-up rows";
  EXPECT_EQ(static_cast<unsigned char>(header[28]), 24);
}

// Column x is longitude -(x - 278.5) * 360 / 557 (east on the left), row y latitude
// -(y - 278.5) * 180 / 557 (north at the top).
TEST(EarthMapTest, ShowsThePictureMirroredEastWestWithNorthUp) {
  const QImage map(QString::fromStdString(kBinaryDir + "/maps/earthmap.bmp"));
  const QImage picture =
      QImage(QString::fromStdString(kBinaryDir + "/earth.jpg")).convertToFormat(QImage::Format_RGB32);
  ASSERT_FALSE(map.isNull());
  ASSERT_FALSE(picture.isNull());
  ASSERT_EQ(map.size(), QSize(557, 557));
  long total = 0, unmirrored = 0, worst = 0, count = 0;
  for (int y = 3; y < 557; y += 23) {
    for (int x = 5; x < 557; x += 19) {
      const int distance = ChannelDistance(map.pixel(x, y), Reference(picture, x, y));
      total += distance;
      worst = std::max<long>(worst, distance);
      unmirrored += ChannelDistance(map.pixel(x, y), Reference(picture, 556 - x, y));
      ++count;
    }
  }
  EXPECT_LT(static_cast<double>(total) / count, 6.0) << "mean distance over three channels";
  EXPECT_LT(worst, 90);
  EXPECT_GT(static_cast<double>(unmirrored) / count, 40.0) << "the comparison tells east from west";
}

// Runs the data tool with `arguments`; returns its exit status and what it printed.
std::pair<int, std::string> RunDataTool(const std::string& arguments) {
  const std::string command = kBinaryDir + "/tools/make_earth_data " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {-1, "cannot start " + command};
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  return {pclose(pipe), output};
}

TEST(MakeEarthDataTest, RefusesAMissingOrBadPictureByName) {
  const std::string out = ::testing::TempDir() + "earth_data_out";
  auto [status, output] = RunDataTool("/nonexistent/earth.jpg " + out + " " + out + "/maps");
  EXPECT_NE(status, 0);
  EXPECT_NE(output.find("/nonexistent/earth.jpg: no such file"), std::string::npos) << output;

  const std::string notPicture = std::string(SKERROWEN_SOURCE_DIR) + "/CMakeLists.txt";
  std::tie(status, output) = RunDataTool(notPicture + " " + out + " " + out + "/maps");
  EXPECT_NE(status, 0);
  EXPECT_NE(output.find(notPicture + ": not a picture"), std::string::npos) << output;
}

}  // namespace
