#pragma once
// Turns what the importer made of a .x file (one mesh per mesh-and-material, frames as
// nodes) into the platform loader's single mesh, guided by the file's outline: meshes and
// their materials in file order, material indices offset per mesh, frame transforms applied,
// polygons split into fans, identical vertices shared, triangles sorted by material.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "render/d3d_types.h"
#include "render/d3dx_mesh.h"
#include "render/vertex.h"
#include "render/xfile_outline.h"

struct aiScene;

struct MergedXMesh {
  DWORD fvf = D3DFVF_XYZ;
  std::vector<Vertex> vertices;
  std::vector<std::uint32_t> indices;
  std::vector<DWORD> faceAttributes;
  std::vector<D3DXMATERIAL> materials;
};

enum class MergeProblem { kNone, kBadData, kImporterDisagrees };

// On failure returns nullopt, the reason in `error` and its kind in `problem`.
// kImporterDisagrees means the importer's scene does not have the shape the outline predicts.
std::optional<MergedXMesh> MergeXScene(const aiScene& scene, const XFileOutline& outline, std::string* error,
                                       MergeProblem* problem);
