#pragma once
// Builds the one mesh a .x file loads as: all meshes of the file together, frame transforms
// applied (normals through the inverse transpose), faces split into fans (v0, vk, vk+1),
// corners that agree in everything sharing one vertex, one subset per material (a mesh
// without a material list has one default subset), triangles sorted by subset.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "xfile/xfile_types.h"

struct XBuiltVertex {
  XVector position{0, 0, 0};
  XVector normal{0, 0, 0};
  std::uint32_t diffuse = 0xFFFFFFFFu;  // ARGB, 8 bits each
  float u = 0;
  float v = 0;
};

struct XSubset {
  bool fromFile = false;  // false: the mesh had no material list; `material` means nothing
  XMaterial material;
};

struct XBuiltMesh {
  // What any mesh of the file has; the vertices of the others hold zeros (white colour) there.
  bool hasNormals = false;
  bool hasVertexColors = false;
  bool hasTextureCoords = false;
  std::vector<XBuiltVertex> vertices;
  std::vector<std::uint32_t> indices;      // three per triangle
  std::vector<std::uint32_t> faceSubsets;  // one per triangle, ascending
  std::vector<XSubset> subsets;            // meshes in file order, each with its materials
};

// Refuses, with the reason in `error`, a file without meshes or faces, a transform that
// cannot carry normals, and a vertex that leaves the finite numbers.
std::optional<XBuiltMesh> BuildXMesh(const XFile& file, std::string* error);
