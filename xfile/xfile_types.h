#pragma once
// What a text .x file says about its meshes, as read: the values as written, every count and
// index already checked against what it counts or indexes.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

using XVector = std::array<float, 3>;
using XTextureCoords = std::array<float, 2>;

// A row vector times the matrix, as the file writes it: the translation is in 12, 13 and 14.
using XMatrix = std::array<float, 16>;
constexpr XMatrix kXIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

struct XColor {
  float r = 0, g = 0, b = 0, a = 1;
};

struct XMaterial {
  XColor faceColor;
  float power = 0;
  XColor specularColor;  // alpha not given by the file
  XColor emissiveColor;  // alpha not given by the file
  bool hasTexture = false;
  std::string textureFilename;  // the first TextureFilename, exactly as written
};

struct XMesh {
  // The transforms of the frames around the mesh, inner to outer (identity outside frames).
  XMatrix transform = kXIdentity;
  // Meshes in frames number their vertices first, frame by frame, outer frames before inner
  // ones; meshes outside frames follow in file order. kXOutsideFrames marks those.
  std::uint32_t frameRank = 0;

  std::vector<XVector> positions;
  std::vector<std::uint32_t> faceSizes;  // corners of each face, at least 3
  std::vector<std::uint32_t> corners;    // position indices of all faces, face after face

  bool hasNormals = false;
  std::vector<XVector> normals;
  std::vector<std::uint32_t> normalCorners;  // one normal index per entry of `corners`

  bool hasTextureCoords = false;
  std::vector<XTextureCoords> textureCoords;  // the first set, one per position

  bool hasVertexColors = false;
  std::vector<XColor> vertexColors;  // the first set, one per position; (0, 0, 0, 1) if unnamed

  bool hasMaterialList = false;
  std::vector<XMaterial> materials;
  std::vector<std::uint32_t> faceMaterials;  // one per face when there is a material list
};

constexpr std::uint32_t kXOutsideFrames = 0xFFFFFFFFu;

struct XFile {
  std::vector<XMesh> meshes;  // in file order, frames depth-first
};
