#pragma once
// Loads the same text through the importer-based loader and through the xfile/ reader and
// builder, and expects the same mesh. Kept only while both loaders exist.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "render/d3dx_mesh.h"
#include "xfile/xfile_mesh_builder.h"
#include "xfile/xfile_reader.h"

inline double& MaxComparedDifference() {
  static double worst = 0;
  return worst;
}

inline void ExpectClose(float old, float now, const char* what, std::size_t i) {
  const double difference = std::fabs(static_cast<double>(old) - now);
  if (difference > MaxComparedDifference()) MaxComparedDifference() = difference;
  EXPECT_LE(difference, 2.5e-7 * std::max(1.0, std::fabs(static_cast<double>(old))))
      << what << " of vertex " << i << ": " << old << " vs " << now;
}

inline void ExpectNewReaderAgrees(const std::string& text, const D3DXMesh& mesh,
                                  const std::vector<D3DXMATERIAL>& materials) {
  std::string error;
  const std::optional<XFile> file = ReadXFile(text, &error);
  ASSERT_TRUE(file) << error;
  const std::optional<XBuiltMesh> built = BuildXMesh(*file, &error);
  ASSERT_TRUE(built) << error;
  const DWORD fvf = D3DFVF_XYZ | (built->hasNormals ? D3DFVF_NORMAL : 0) |
                    (built->hasVertexColors ? D3DFVF_DIFFUSE : 0) |
                    (built->hasTextureCoords ? D3DFVF_TEX1 : 0);
  EXPECT_EQ(fvf, mesh.GetFVF());
  ASSERT_EQ(built->vertices.size(), mesh.GetNumVertices());
  EXPECT_EQ(built->indices, mesh.Indices());
  EXPECT_EQ(built->faceSubsets, mesh.FaceAttributes());
  std::size_t exact = 0;
  for (std::size_t i = 0; i < built->vertices.size(); ++i) {
    const XBuiltVertex& now = built->vertices[i];
    const Vertex& old = mesh.Vertices()[i];
    const float olds[] = {old.position.x, old.position.y, old.position.z, old.normal.x,
                          old.normal.y,   old.normal.z,   old.u,          old.v};
    const float nows[] = {now.position[0], now.position[1], now.position[2], now.normal[0],
                          now.normal[1],   now.normal[2],   now.u,           now.v};
    bool same = true;
    for (int k = 0; k < 8; ++k) {
      ExpectClose(olds[k], nows[k], "component", i);
      same = same && olds[k] == nows[k];
    }
    EXPECT_EQ(old.diffuse, now.diffuse) << i;
    exact += same ? 1 : 0;
  }
  std::printf("compared %zu vertices, %zu bit for bit, largest difference so far %.3g\n",
              built->vertices.size(), exact, MaxComparedDifference());
  ASSERT_EQ(built->subsets.size(), materials.size());
  for (std::size_t m = 0; m < materials.size(); ++m) {
    const D3DMATERIAL8& old = materials[m].MatD3D;
    const XSubset& now = built->subsets[m];
    if (!now.fromFile) {
      EXPECT_EQ(old.Diffuse.r, 0.5f);
      EXPECT_EQ(old.Diffuse.a, 0.0f);
      EXPECT_EQ(materials[m].TextureFilename, "");
      continue;
    }
    const XMaterial& x = now.material;
    EXPECT_EQ(std::vector<float>({old.Diffuse.r, old.Diffuse.g, old.Diffuse.b, old.Diffuse.a, old.Power}),
              std::vector<float>({x.faceColor.r, x.faceColor.g, x.faceColor.b, x.faceColor.a, x.power}));
    EXPECT_EQ(std::vector<float>({old.Specular.r, old.Specular.g, old.Specular.b, old.Emissive.r,
                                  old.Emissive.g, old.Emissive.b}),
              std::vector<float>({x.specularColor.r, x.specularColor.g, x.specularColor.b, x.emissiveColor.r,
                                  x.emissiveColor.g, x.emissiveColor.b}));
    EXPECT_EQ(materials[m].TextureFilename, x.hasTexture ? x.textureFilename : "");
  }
}

// The new reader refuses what the loader refuses; `reason` is the loader's.
inline void ExpectNewReaderRefuses(const std::string& text, const std::string& reason) {
  // The importer could not read these; the new reader can.
  if (reason.find("below an unnamed frame") != std::string::npos ||
      reason.find("to import together") != std::string::npos) {
    return;
  }
  std::string error;
  std::optional<XFile> file = ReadXFile(text, &error);
  if (file) {
    EXPECT_FALSE(BuildXMesh(*file, &error)) << "the new reader accepts a file refused for: " << reason;
  }
  std::printf("refused: old \"%s\" new \"%s\"\n", reason.c_str(), error.c_str());
}
