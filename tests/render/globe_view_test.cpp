// The shipped globe seen from its centre, fully lit, against an independent picture of the
// same view: GDAL warping the NASA picture to the gnomonic projection (what a camera at a
// sphere's centre sees). Checks the globe's geography, its texture mapping, the camera and
// the projection together; a globe mirrored east-west must fail it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/surface.h"
#include "render/d3dx/d3dx_mesh.h"
#include "render/d3dx/d3dx_texture.h"
#include "render/device/adapter.h"
#include "render/types/d3dx_math.h"
#include "support/image_compare.h"
#include "support/present_parameters.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSide = 557;
constexpr std::uint32_t kCrackColour = 0x00FF00FF;
constexpr double kDegree = 3.14159265358979323846 / 180;
const char* const kNasaPicture = "/usr/share/xplanet/images/earth.jpg";

// Draws the shipped globe from its centre looking at (longitude, latitude) with ambient
// light at full strength, so every visible texel shows at its own colour.
std::vector<double> RenderedGrey(double longitude, double latitude, int* cracks, std::string* failure) {
  Surface window(kSide, kSide, 0);
  auto d3d = Direct3DCreate8(ScreenSize{1280, 1024});
  D3DPRESENT_PARAMETERS params = WindowedParams(&window);
  std::unique_ptr<Direct3DDevice8> device;
  if (FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, &window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params,
                               &device))) {
    *failure = "no device";
    return {};
  }
  const std::string dir = SKERROWEN_BINARY_DIR;
  std::unique_ptr<D3DXMesh> mesh;
  std::vector<D3DXMATERIAL> materials;
  DWORD count = 0;
  std::string error;
  if (FAILED(D3DXLoadMeshFromX(dir + "/5.x", D3DXMESH_MANAGED, device.get(), &mesh, &materials, &count,
                               &error))) {
    *failure = "the shipped globe did not load (build the earth_data target): " + error;
    return {};
  }
  std::vector<std::shared_ptr<Texture>> textures(count);
  for (DWORD i = 0; i < count; ++i) {
    if (!materials[i].TextureFilename.empty() &&
        FAILED(D3DXCreateTextureFromFile(device.get(), dir + "/" + materials[i].TextureFilename, &textures[i],
                                         &error))) {
      *failure = error;
      return {};
    }
  }
  device->SetRenderState(D3DRS_LIGHTING, 1);
  device->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(255, 255, 255));
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  const double l = longitude * kDegree, p = latitude * kDegree;
  const D3DVECTOR eye{0, 0, 0}, up{0, 1, 0};
  const D3DVECTOR at{static_cast<float>(-std::sin(l) * std::cos(p) * 20),
                     static_cast<float>(std::sin(p) * 20),
                     static_cast<float>(-std::cos(l) * std::cos(p) * 20)};
  D3DMATRIX view, projection, world;
  device->SetTransform(D3DTS_VIEW, *D3DXMatrixLookAtLH(&view, &eye, &at, &up));
  device->SetTransform(D3DTS_PROJECTION,
                       *D3DXMatrixPerspectiveFovLH(&projection, 3.14159f / 3, 1, 0.1f, 500));
  device->SetTransform(D3DTS_WORLD, *D3DXMatrixIdentity(&world));
  // A clear colour the Earth picture does not have: any pixel left in it is a crack.
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kCrackColour, 1, 0);
  device->BeginScene();
  for (DWORD i = 0; i < count; ++i) {
    D3DMATERIAL8 material = materials[i].MatD3D;
    material.Ambient = material.Diffuse;
    device->SetTexture(0, textures[i]);
    device->SetMaterial(material);
    mesh->DrawSubset(i);
  }
  device->EndScene();
  device->Present(nullptr, nullptr, nullptr, nullptr);
  *cracks = static_cast<int>(std::count(window.Pixels(), window.Pixels() + kSide * kSide, kCrackColour));
  return GreyOfPixels(window.Pixels(), static_cast<std::size_t>(kSide) * kSide);
}

std::vector<double> GnomonicReferenceGrey(double longitude, double latitude, std::string* failure) {
  // Pixel i's centre lies at normalised x = -1 + 2i/557 and row j's at y = 1 - 2j/557; GDAL
  // takes the outer edges of the pixels.
  const double t = std::tan(3.14159f / 3 / 2);
  const double half = 1.0 / kSide;
  const fs::path dir = fs::temp_directory_path() / ("skerrowen-gnomonic-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  char extent[256];
  std::snprintf(extent, sizeof extent, "%.9f %.9f %.9f %.9f", (-1 - half) * t, (-1 + half) * t,
                (1 - half) * t, (1 + half) * t);
  const std::string command = std::string("sh '") + SKERROWEN_GNOMONIC_SCRIPT + "' '" + kNasaPicture + "' '" +
                              dir.string() + "' " + std::to_string(longitude) + " " +
                              std::to_string(latitude) + " " + extent + " " + std::to_string(kSide) + " 2>&1";
  const int status = std::system(command.c_str());
  std::ifstream in(dir / "reference.img", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  fs::remove_all(dir);
  const std::size_t plane = static_cast<std::size_t>(kSide) * kSide;
  if (status != 0 || bytes.size() != 3 * plane) {
    *failure = "the GDAL reference could not be made (gdal-bin and xplanet-images installed?): " + command;
    return {};
  }
  return GreyOfPlanes(bytes, plane);
}

std::vector<double> MirroredEastWest(const std::vector<double>& grey) {
  std::vector<double> mirrored(grey.size());
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) mirrored[y * kSide + x] = grey[y * kSide + (kSide - 1 - x)];
  }
  return mirrored;
}

TEST(GlobeView, FromTheCentreTheShippedGlobeIsAGnomonicViewOfTheEarth) {
  struct Row {
    double longitude, latitude;
  };
  for (const Row& row : {Row{6, 52}, Row{-75, -20}, Row{140, 10}}) {
    std::string failure;
    int cracks = -1;
    const auto rendered = RenderedGrey(row.longitude, row.latitude, &cracks, &failure);
    ASSERT_FALSE(rendered.empty()) << failure;
    const auto reference = GnomonicReferenceGrey(row.longitude, row.latitude, &failure);
    ASSERT_FALSE(reference.empty()) << failure;
    const double agreement = Correlation(rendered, reference);
    const double mirrored = Correlation(MirroredEastWest(rendered), reference);
    // Seen from inside, the closed globe covers every pixel exactly: no cracks along shared edges.
    EXPECT_EQ(cracks, 0) << "view of " << row.longitude << ", " << row.latitude;
    EXPECT_GT(agreement, 0.9) << "view of " << row.longitude << ", " << row.latitude;
    EXPECT_LT(mirrored, 0.6) << "a mirrored globe would pass, view of " << row.longitude << ", "
                             << row.latitude;
  }
}

}  // namespace
