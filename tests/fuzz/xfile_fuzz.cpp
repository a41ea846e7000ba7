// Feeds arbitrary bytes to the .x loader. Besides crashes, hangs and runaway allocation it
// stops on results that break the loader's promises: a failure without a reason naming the
// file, a mesh whose indices or subsets are out of range, and E_FAIL, which the loader
// returns only for files it cannot open, never for bytes in memory.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "render/d3dx_mesh.h"

namespace {

void Stop(const char* what, const std::string& detail) {
  std::fprintf(stderr, "xfile_fuzz: %s: %s\n", what, detail.c_str());
  std::abort();
}

void CheckMesh(const D3DXMesh& mesh, DWORD materialCount) {
  if (mesh.Indices().size() != 3 * static_cast<std::size_t>(mesh.GetNumFaces())) Stop("index count", "");
  for (std::uint32_t index : mesh.Indices()) {
    if (index >= mesh.GetNumVertices()) Stop("index out of range", std::to_string(index));
  }
  DWORD previous = 0;
  for (DWORD attribute : mesh.FaceAttributes()) {
    if (attribute >= materialCount) Stop("attribute without material", std::to_string(attribute));
    if (attribute < previous) Stop("faces not sorted by attribute", std::to_string(attribute));
    previous = attribute;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<D3DXMesh> mesh;
  std::vector<D3DXMATERIAL> materials;
  DWORD materialCount = 0;
  std::string error;
  const HRESULT hr = D3DXLoadMeshFromXInMemory(data, size, "fuzz.x", D3DXMESH_MANAGED, nullptr, &mesh,
                                               &materials, &materialCount, &error);
  if (hr == E_FAIL) Stop("E_FAIL for bytes in memory", error);
  if (FAILED(hr)) {
    if (error.rfind("fuzz.x: ", 0) != 0 || error.size() <= 8) Stop("failure without a reason", error);
    return 0;
  }
  if (!mesh || materials.size() != materialCount) Stop("incomplete result", "");
  CheckMesh(*mesh, materialCount);
  return 0;
}
