#include "render/d3dx/d3dx_mesh.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <new>

#include "base/regular_file.h"
#include "render/d3dx/refusal.h"
#include "xfile/xfile_mesh_builder.h"
#include "xfile/xfile_reader.h"

D3DXMesh::D3DXMesh(Direct3DDevice8* device, DWORD fvf, std::vector<Vertex> vertices,
                   std::vector<std::uint32_t> indices, std::vector<DWORD> faceAttributes)
    : device_(device),
      fvf_(fvf),
      vertices_(std::move(vertices)),
      indices_(std::move(indices)),
      faceAttributes_(std::move(faceAttributes)) {
  for (std::uint32_t face = 0; face < faceAttributes_.size(); ++face) {
    const DWORD attribute = faceAttributes_[face];
    if (attribute >= subsets_.size()) subsets_.resize(attribute + 1, Range{face, 0});
    ++subsets_[attribute].faceCount;
  }
}

namespace {

D3DCOLORVALUE Opaque(const XColor& c) { return {c.r, c.g, c.b, 1}; }

D3DXMATERIAL SubsetMaterial(const XSubset& subset) {
  D3DXMATERIAL material{};
  if (!subset.fromFile) {
    material.MatD3D.Diffuse = {0.5f, 0.5f, 0.5f, 0.0f};
    material.MatD3D.Specular = {0.5f, 0.5f, 0.5f, 0.0f};
    return material;
  }
  const XMaterial& x = subset.material;
  material.MatD3D.Diffuse = {x.faceColor.r, x.faceColor.g, x.faceColor.b, x.faceColor.a};
  material.MatD3D.Ambient = {0, 0, 0, 1};
  material.MatD3D.Specular = Opaque(x.specularColor);
  material.MatD3D.Emissive = Opaque(x.emissiveColor);
  material.MatD3D.Power = x.power;
  if (x.hasTexture) material.TextureFilename = x.textureFilename;
  return material;
}

HRESULT LoadFromMemory(const void* data, std::size_t size, const std::string& name, Direct3DDevice8* device,
                       std::unique_ptr<D3DXMesh>* mesh, std::vector<D3DXMATERIAL>* materials,
                       DWORD* materialCount, std::string* error) {
  if (size == 0) return Refuse(D3DXERR_INVALIDDATA, name, "the file is empty", error);
  if (size > kMaxXFileBytes) return Refuse(E_OUTOFMEMORY, name, "the file is too large", error);
  std::string reason;
  std::optional<XBuiltMesh> built;
  if (const std::optional<XFile> file = ReadXFile({static_cast<const char*>(data), size}, &reason)) {
    built = BuildXMesh(*file, &reason);
  }
  if (!built) return Refuse(D3DXERR_INVALIDDATA, name, reason, error);

  const DWORD fvf = D3DFVF_XYZ | (built->hasNormals ? D3DFVF_NORMAL : 0) |
                    (built->hasVertexColors ? D3DFVF_DIFFUSE : 0) |
                    (built->hasTextureCoords ? D3DFVF_TEX1 : 0);
  std::vector<Vertex> vertices;
  vertices.reserve(built->vertices.size());
  for (const XBuiltVertex& v : built->vertices) {
    vertices.push_back({{v.position[0], v.position[1], v.position[2]},
                        {v.normal[0], v.normal[1], v.normal[2]},
                        v.diffuse,
                        v.u,
                        v.v});
  }
  std::vector<D3DXMATERIAL> subsetMaterials;
  subsetMaterials.reserve(built->subsets.size());
  for (const XSubset& subset : built->subsets) subsetMaterials.push_back(SubsetMaterial(subset));
  auto loaded = std::make_unique<D3DXMesh>(device, fvf, std::move(vertices), std::move(built->indices),
                                           std::move(built->faceSubsets));
  *materialCount = static_cast<DWORD>(subsetMaterials.size());
  *materials = std::move(subsetMaterials);
  *mesh = std::move(loaded);
  return D3D_OK;
}

}  // namespace

HRESULT D3DXLoadMeshFromXInMemory(const void* data, std::size_t size, const std::string& name,
                                  DWORD /*options*/, Direct3DDevice8* device, std::unique_ptr<D3DXMesh>* mesh,
                                  std::vector<D3DXMATERIAL>* materials, DWORD* materialCount,
                                  std::string* error) {
  if ((!data && size > 0) || !mesh || !materials || !materialCount) {
    return Refuse(D3DERR_INVALIDCALL, name, "invalid arguments", error);
  }
  try {
    return LoadFromMemory(data, size, name, device, mesh, materials, materialCount, error);
  } catch (const std::bad_alloc&) {
    return Refuse(E_OUTOFMEMORY, name, "out of memory", error);
  } catch (const std::exception& e) {
    return Refuse(D3DXERR_INVALIDDATA, name, std::string("the file cannot be read: ") + e.what(), error);
  }
}

HRESULT D3DXLoadMeshFromX(const std::string& path, DWORD options, Direct3DDevice8* device,
                          std::unique_ptr<D3DXMesh>* mesh, std::vector<D3DXMATERIAL>* materials,
                          DWORD* materialCount, std::string* error) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (!std::filesystem::exists(status)) return Refuse(E_FAIL, path, "no such file", error);
  if (std::filesystem::is_directory(status)) return Refuse(E_FAIL, path, "is a directory, not a file", error);
  if (!std::filesystem::is_regular_file(status)) return Refuse(E_FAIL, path, "is not a regular file", error);
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) return Refuse(E_FAIL, path, "cannot be read: " + ec.message(), error);
  if (size > kMaxXFileBytes) {
    return Refuse(E_OUTOFMEMORY, path,
                  "the file is too large (" + std::to_string(size) + " bytes; at most " +
                      std::to_string(kMaxXFileBytes) + ")",
                  error);
  }
  // A pipe put in the file's place since it was looked at is refused, not waited on.
  std::string reason;
  const int fd = OpenRegularFile(path, O_RDONLY, &reason);
  if (fd < 0) return Refuse(E_FAIL, path, "cannot be opened: " + reason, error);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (done != bytes.size()) return Refuse(E_FAIL, path, "cannot be read completely", error);
  return D3DXLoadMeshFromXInMemory(bytes.data(), bytes.size(), path, options, device, mesh, materials,
                                   materialCount, error);
}
