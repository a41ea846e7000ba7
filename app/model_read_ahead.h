#pragma once
// The first pass's globe model, read while the window comes up. Parsing "5.x" and decoding
// the textures its materials name is most of the work of a start, and none of it needs the
// window or the device: a thread of its own makes the same reads as LoadModels, in the same
// order, and LoadModels is answered from them instead of reading again. What LoadModels then
// holds and reports, and when, stays as it was; the thread only makes it wait less.
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/globe_renderer.h"

class ModelReadAhead {
 public:
  // Starts reading the model in `programDirectory` with `loadMesh` at once.
  ModelReadAhead(std::string programDirectory, MeshFileLoader loadMesh);
  // Waits for the thread.
  ~ModelReadAhead();
  ModelReadAhead(const ModelReadAhead&) = delete;
  ModelReadAhead& operator=(const ModelReadAhead&) = delete;

  // Lets the thread decode the textures with `loadTexture`, once that may run (Qt's picture
  // decoders need the application to exist). Without this the textures are not read ahead.
  void DecodeTextures(TextureFileLoader loadTexture);

  // Loaders that answer a read made ahead, each once, for the same file (the mesh on the
  // device it is asked for), and read anything else with `loadMesh` or `loadTexture`. The
  // first answer waits for the thread. Both must not outlive this object.
  MeshFileLoader MeshLoader(MeshFileLoader loadMesh);
  TextureFileLoader TextureLoader(TextureFileLoader loadTexture);

 private:
  struct MeshRead {
    std::string path;
    HRESULT result = E_FAIL;
    std::unique_ptr<D3DXMesh> mesh;
    std::vector<D3DXMATERIAL> materials;
    DWORD materialCount = 0;
    std::string error;
    bool taken = false;
  };
  struct TextureRead {
    std::string path;
    HRESULT result = E_FAIL;
    std::shared_ptr<Texture> texture;
    std::string error;
    bool taken = false;
  };

  void Read();
  // Waits until the thread has ended; a texture step not allowed by then is left out.
  void Finish();

  std::string programDirectory_;
  MeshFileLoader loadMesh_;
  TextureFileLoader loadTexture_;  // set once, under the lock
  bool texturesDecided_ = false;   // the textures are allowed or left out
  std::mutex mutex_;
  std::condition_variable decided_;
  MeshRead mesh_;
  std::vector<TextureRead> textures_;
  std::thread thread_;
};
