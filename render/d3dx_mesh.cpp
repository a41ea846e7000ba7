#include "render/d3dx_mesh.h"

#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <assimp/Importer.hpp>
#include <cerrno>
#include <filesystem>
#include <new>

#include "render/xfile_outline.h"
#include "render/xfile_scene_merge.h"
#include "ui/regular_file.h"

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

// The importer quotes the rest of the file in some messages.
std::string ShortImporterMessage(const char* message) {
  std::string text = message ? message : "";
  std::replace_if(
      text.begin(), text.end(), [](unsigned char c) { return c < 0x20; }, ' ');
  constexpr std::size_t kMaxLength = 160;
  if (text.size() > kMaxLength) text = text.substr(0, kMaxLength) + "...";
  return text.empty() ? "no reason given" : text;
}

HRESULT Refuse(HRESULT result, const std::string& name, const std::string& reason, std::string* error) {
  if (error) *error = name + ": " + reason;
  return result;
}

HRESULT LoadFromMemory(const void* data, std::size_t size, const std::string& name, Direct3DDevice8* device,
                       std::unique_ptr<D3DXMesh>* mesh, std::vector<D3DXMATERIAL>* materials,
                       DWORD* materialCount, std::string* error) {
  if (size == 0) return Refuse(D3DXERR_INVALIDDATA, name, "the file is empty", error);
  if (size > kMaxXFileBytes) return Refuse(E_OUTOFMEMORY, name, "the file is too large", error);
  const std::string_view text(static_cast<const char*>(data), size);
  std::string reason;
  const std::optional<XFileOutline> outline = ReadXFileOutline(text, &reason);
  if (!outline) return Refuse(D3DXERR_INVALIDDATA, name, reason, error);
  if (outline->meshes.empty()) return Refuse(D3DXERR_INVALIDDATA, name, "the file holds no mesh", error);

  Assimp::Importer importer;
  const aiScene* scene = importer.ReadFileFromMemory(data, size, aiProcess_ConvertToLeftHanded, "x");
  if (!scene) {
    return Refuse(D3DXERR_INVALIDDATA, name,
                  "the mesh importer refused it: " + ShortImporterMessage(importer.GetErrorString()), error);
  }
  MergeProblem problem = MergeProblem::kNone;
  std::optional<MergedXMesh> merged = MergeXScene(*scene, *outline, &reason, &problem);
  if (!merged) {
    // E_FAIL marks a mismatch between the outline and the importer: a fault on our side.
    if (problem == MergeProblem::kImporterDisagrees) {
      return Refuse(E_FAIL, name, "the mesh importer read the file differently than checked: " + reason,
                    error);
    }
    return Refuse(D3DXERR_INVALIDDATA, name, reason, error);
  }
  auto loaded = std::make_unique<D3DXMesh>(device, merged->fvf, std::move(merged->vertices),
                                           std::move(merged->indices), std::move(merged->faceAttributes));
  *materialCount = static_cast<DWORD>(merged->materials.size());
  *materials = std::move(merged->materials);
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
    return Refuse(D3DXERR_INVALIDDATA, name, "the mesh importer failed: " + ShortImporterMessage(e.what()),
                  error);
  } catch (...) {
    return Refuse(D3DXERR_INVALIDDATA, name, "the mesh importer failed", error);
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
