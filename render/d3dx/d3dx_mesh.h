#pragma once
// Meshes loaded from DirectX .x files, as the platform's mesh helper yields them: all meshes
// of a file in one, frame transforms applied, one material per subset, faces sorted by
// subset so each subset is one contiguous range of triangles.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/types/d3d_types.h"
#include "render/types/vertex.h"

class Direct3DDevice8;

struct D3DXMATERIAL {
  D3DMATERIAL8 MatD3D;
  std::string TextureFilename;  // empty: no texture
};

class D3DXMesh {
 public:
  // `faceAttributes` holds one attribute id per triangle; triangles must already be sorted by it.
  D3DXMesh(Direct3DDevice8* device, DWORD fvf, std::vector<Vertex> vertices,
           std::vector<std::uint32_t> indices, std::vector<DWORD> faceAttributes);

  DWORD GetFVF() const { return fvf_; }
  DWORD GetNumVertices() const { return static_cast<DWORD>(vertices_.size()); }
  DWORD GetNumFaces() const { return static_cast<DWORD>(faceAttributes_.size()); }
  const std::vector<Vertex>& Vertices() const { return vertices_; }
  const std::vector<std::uint32_t>& Indices() const { return indices_; }
  const std::vector<DWORD>& FaceAttributes() const { return faceAttributes_; }

  // Draws the triangles of subset `attribId` with the device's current states. A subset
  // without triangles draws nothing and succeeds. Fails without a device.
  HRESULT DrawSubset(DWORD attribId) const;

 private:
  struct Range {
    std::uint32_t firstFace = 0;
    std::uint32_t faceCount = 0;
  };

  Direct3DDevice8* device_;
  DWORD fvf_;
  std::vector<Vertex> vertices_;
  std::vector<std::uint32_t> indices_;
  std::vector<DWORD> faceAttributes_;
  std::vector<Range> subsets_;  // indexed by attribute id
};

// Files larger than this are refused before they are read.
constexpr std::size_t kMaxXFileBytes = 32u << 20;

// Loads `path` (text .x). `device` is only kept for DrawSubset and may be null. On failure
// the outputs are left alone and `error` (if given) names the file and the reason. Results:
// D3DXERR_INVALIDDATA for bad or unsupported content, E_OUTOFMEMORY for files or meshes too
// large, E_FAIL for a file that cannot be read.
HRESULT D3DXLoadMeshFromX(const std::string& path, DWORD options, Direct3DDevice8* device,
                          std::unique_ptr<D3DXMesh>* mesh, std::vector<D3DXMATERIAL>* materials,
                          DWORD* materialCount, std::string* error);

// The same from bytes in memory; `name` stands for the file in error texts.
HRESULT D3DXLoadMeshFromXInMemory(const void* data, std::size_t size, const std::string& name, DWORD options,
                                  Direct3DDevice8* device, std::unique_ptr<D3DXMesh>* mesh,
                                  std::vector<D3DXMATERIAL>* materials, DWORD* materialCount,
                                  std::string* error);
