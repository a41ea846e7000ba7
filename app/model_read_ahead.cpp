#include "app/model_read_ahead.h"

#include <utility>

#ifdef __GLIBC__
#include <malloc.h>
#endif

ModelReadAhead::ModelReadAhead(std::string programDirectory, MeshFileLoader loadMesh)
    : programDirectory_(std::move(programDirectory)),
      loadMesh_(std::move(loadMesh)),
      thread_([this] { Read(); }) {}

ModelReadAhead::~ModelReadAhead() { Finish(); }

void ModelReadAhead::DecodeTextures(TextureFileLoader loadTexture) {
  {
    const std::lock_guard lock(mutex_);
    if (texturesDecided_) return;
    loadTexture_ = std::move(loadTexture);
    texturesDecided_ = true;
  }
  decided_.notify_one();
}

void ModelReadAhead::Finish() {
  {
    const std::lock_guard lock(mutex_);
    texturesDecided_ = true;
  }
  decided_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void ModelReadAhead::Read() {
  mesh_.path = ModelPath(programDirectory_);
  mesh_.result = loadMesh_(mesh_.path, D3DXMESH_MANAGED, nullptr, &mesh_.mesh, &mesh_.materials,
                           &mesh_.materialCount, &mesh_.error);
  if (FAILED(mesh_.result)) return;
  TextureFileLoader loadTexture;
  {
    std::unique_lock lock(mutex_);
    decided_.wait(lock, [this] { return texturesDecided_; });
    loadTexture = loadTexture_;
  }
  if (!loadTexture) return;
  // As LoadModels goes through the materials: in order, up to the first texture that fails.
  for (DWORD j = 0; j < mesh_.materialCount && j < mesh_.materials.size(); ++j) {
    const std::string& name = mesh_.materials[j].TextureFilename;
    if (name.empty()) continue;
    TextureRead& read = textures_.emplace_back();
    read.path = TexturePath(programDirectory_, name);
    read.result = loadTexture(nullptr, read.path, &read.texture, &read.error);
    if (FAILED(read.result)) break;
  }
}

MeshFileLoader ModelReadAhead::MeshLoader(MeshFileLoader loadMesh) {
  return [this, loadMesh = std::move(loadMesh)](
             const std::string& path, DWORD options, Direct3DDevice8* device, std::unique_ptr<D3DXMesh>* mesh,
             std::vector<D3DXMATERIAL>* materials, DWORD* materialCount, std::string* error) -> HRESULT {
    Finish();
    MeshRead& read = mesh_;
    if (read.taken || path != read.path || options != D3DXMESH_MANAGED || !mesh || !materials ||
        !materialCount)
      return loadMesh(path, options, device, mesh, materials, materialCount, error);
    read.taken = true;
    if (FAILED(read.result)) {
      if (error) *error = read.error;
      return read.result;
    }
    // A mesh draws on the device it was loaded for: it is made anew on the one asked for.
    const D3DXMesh& loaded = *read.mesh;
    *mesh = std::make_unique<D3DXMesh>(device, loaded.GetFVF(), loaded.Vertices(), loaded.Indices(),
                                       loaded.FaceAttributes());
    read.mesh.reset();
#ifdef __GLIBC__
    // The thread's heap keeps what the parse and that mesh freed, for a reuse that never comes.
    malloc_trim(0);
#endif
    *materials = std::move(read.materials);
    *materialCount = read.materialCount;
    return read.result;
  };
}

TextureFileLoader ModelReadAhead::TextureLoader(TextureFileLoader loadTexture) {
  return [this, loadTexture = std::move(loadTexture)](Direct3DDevice8* device, const std::string& path,
                                                      std::shared_ptr<Texture>* texture,
                                                      std::string* error) -> HRESULT {
    Finish();
    for (TextureRead& read : textures_) {
      if (read.taken || read.path != path || !texture) continue;
      read.taken = true;
      if (FAILED(read.result)) {
        if (error) *error = read.error;
        return read.result;
      }
      *texture = std::move(read.texture);
      return read.result;
    }
    return loadTexture(device, path, texture, error);
  };
}
