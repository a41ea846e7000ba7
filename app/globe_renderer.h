#pragma once
// The globe renderer: sets the device up on the render surface at every pass, loads the
// globe model into the model table, and draws the frames.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/platform.h"
#include "render/d3dx/d3dx_mesh.h"
#include "render/device/adapter.h"
#include "render/device/device.h"
#include "render/types/d3d_types.h"
#include "render/types/texture.h"

struct ModelSlot {
  std::int32_t MaterialCount = 0;
  std::vector<D3DMATERIAL8> Materials;
  std::vector<std::shared_ptr<Texture>> Textures;
  std::string TextureName;
  std::unique_ptr<D3DXMesh> Mesh;
};

using TextureFileLoader = std::function<HRESULT(Direct3DDevice8* device, const std::string& path,
                                                std::shared_ptr<Texture>* texture, std::string* error)>;
// Meshes from .x files, as D3DXLoadMeshFromX loads them.
using MeshFileLoader = std::function<HRESULT(
    const std::string& path, DWORD options, Direct3DDevice8* device, std::unique_ptr<D3DXMesh>* mesh,
    std::vector<D3DXMATERIAL>* materials, DWORD* materialCount, std::string* error)>;

// Where LoadModels reads the globe model in `programDirectory`, and a texture its materials name.
std::string ModelPath(const std::string& programDirectory);
std::string TexturePath(const std::string& programDirectory, const std::string& textureName);

// The primary screen as the platform reports it.
struct ScreenGeometry {
  double widthTwips = 0;
  double heightTwips = 0;
  double twipsPerPixelX = 15;
  double twipsPerPixelY = 15;
};

struct RendererServices {
  std::function<void(const std::string&)> writeLog;
  MessageBoxes* messages = nullptr;
  Clock* clock = nullptr;
  ScreenGeometry screen;
  std::string programDirectory;  // no trailing separator
  std::function<std::unique_ptr<Direct3D8>(ScreenSize)> createDirect3D;
  // Textures from image files: the platform's decoder lives outside the plain renderer.
  TextureFileLoader createTextureFromFile;
  // Unloads the main window, which releases the renderer and ends the program.
  std::function<void()> unloadMainWindow;
  // Places the sun lights on the new device.
  std::function<HRESULT(Direct3DDevice8*)> updateSunLights;
  // The mesh of "5.x"; D3DXLoadMeshFromX when not given.
  MeshFileLoader loadMeshFromX = {};
};

class GlobeRenderer {
 public:
  explicit GlobeRenderer(RendererServices services) : services_(std::move(services)) {}

  // Sets up the device on `picture1` and loads the scene. False after a reported failure.
  bool InitRenderer(RenderTarget* picture1);
  // The first mode of the given size whose format is in the group of `bits` (32 or 16), or 0.
  std::int32_t FindDisplayMode(std::int32_t width, std::int32_t height, std::int32_t bits);
  void ReleaseRenderer();
  // Loads "5.x" from the program directory into slot 0, with the textures its materials name.
  void LoadModels();

  // Clear, BeginScene and every subset of both model slots with their world matrices.
  HRESULT DrawModels();
  // EndScene and Present of the whole back buffer.
  HRESULT EndAndPresent();

  Direct3DDevice8* Device() { return device_.get(); }
  std::array<ModelSlot, 2>& Models() { return models_; }
  D3DMATRIX* ModelMatrices() { return modelMatrices_; }

 private:
  HRESULT SetUpDevice(RenderTarget* picture1);
  void Fail(const std::string& text, const std::string& title, MessageIcon icon);

  RendererServices services_;
  std::unique_ptr<Direct3D8> d3d_;
  std::unique_ptr<Direct3DDevice8> device_;
  std::array<ModelSlot, 2> models_;
  D3DMATRIX modelMatrices_[2]{};
  D3DMATRIX worldMatrix_{}, viewMatrix_{}, projectionMatrix_{};
  bool sceneBegun_ = false;
};
