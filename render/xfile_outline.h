#pragma once
// What a text .x file says about its meshes and materials, read and checked before the mesh
// importer sees the file. The importer trusts the file: it sizes arrays by the declared
// counts and follows face, normal, colour and weight indices unchecked, so every count and
// index it will use is checked here first (a count must be backed by the elements that
// follow it). It also loses facts the platform's loader keeps (which mesh a material belongs
// to, materials no face uses, texture names as written), and those are kept here.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct XMaterialOutline {
  std::string name;
  bool hasTexture = false;
  std::string textureName;  // the first TextureFilename, exactly as written
};

// One entry of a mesh's MeshMaterialList: a Material of its own or a reference to a
// top-level one.
struct XMaterialSlot {
  int globalIndex = -1;  // >= 0: XFileOutline::globalMaterials[globalIndex]
  XMaterialOutline own;  // when globalIndex < 0
  std::uint32_t faceCount = 0;
};

struct XMeshOutline {
  bool inFrame = false;
  std::uint32_t vertexCount = 0;
  std::uint32_t faceCount = 0;
  bool hasNormals = false;
  bool hasTextureCoords = false;
  bool hasVertexColors = false;
  bool hasMaterialList = false;
  std::vector<XMaterialSlot> materials;
};

struct XFileOutline {
  std::vector<XMaterialOutline> globalMaterials;
  // Meshes in the order the file lists them, frames depth-first.
  std::vector<XMeshOutline> meshes;
  // Indices into `meshes` in the order the importer converts them: the meshes of each frame
  // before those of its child frames, and the meshes outside any frame last.
  std::vector<std::size_t> importerOrder;
};

constexpr int kMaxFrameNesting = 128;

// The outline of `text` (a whole file), or nullopt with the reason in `error`.
std::optional<XFileOutline> ReadXFileOutline(std::string_view text, std::string* error);
