#pragma once
// A whole program on stand-in services: a fake clock, an in-memory settings store and
// files, a recording window, and an adapter that can be told to lack modes or depth
// formats or to fail device creation.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/program.h"
#include "support/program_rig.h"

class StandInAdapter : public Direct3D8 {
 public:
  std::vector<D3DDISPLAYMODE> modes{{1280, 1024, 60, D3DFMT_X8R8G8B8}, {1280, 1024, 60, D3DFMT_R5G6B5}};
  std::vector<D3DFORMAT> depthFormats{D3DFMT_D24X8, D3DFMT_D16};
  bool failCreate = false;
  int creates = 0;

  UINT GetAdapterModeCount(UINT) override { return static_cast<UINT>(modes.size()); }
  HRESULT EnumAdapterModes(UINT, UINT mode, D3DDISPLAYMODE* out) override {
    if (mode >= modes.size()) return D3DERR_INVALIDCALL;
    *out = modes[mode];
    return D3D_OK;
  }
  HRESULT GetAdapterDisplayMode(UINT, D3DDISPLAYMODE* out) override {
    *out = D3DDISPLAYMODE{1280, 1024, 60, D3DFMT_X8R8G8B8};
    return D3D_OK;
  }
  HRESULT CheckDeviceFormat(UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE, D3DFORMAT check) override {
    for (D3DFORMAT f : depthFormats) {
      if (f == check) return D3D_OK;
    }
    return D3DERR_NOTAVAILABLE;
  }
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, RenderTarget* window, DWORD flags,
                       D3DPRESENT_PARAMETERS* params, std::unique_ptr<Direct3DDevice8>* device) override {
    ++creates;
    if (failCreate) return D3DERR_NOTAVAILABLE;
    lastParams = *params;
    // The software device has no 32-bit depth buffer; this adapter claims one when told to.
    D3DPRESENT_PARAMETERS real = *params;
    if (real.AutoDepthStencilFormat == D3DFMT_D32) real.AutoDepthStencilFormat = D3DFMT_D24X8;
    params = &real;
    return Direct3DCreate8(ScreenSize{1280, 1024})
        ->CreateDevice(adapter, type, window, flags, params, device);
  }
  D3DPRESENT_PARAMETERS lastParams{};
};

class ProgramFixture : public ::testing::Test, public StandInServices {
 protected:
  ProgramFixture() {
    directory = std::filesystem::temp_directory_path() /
                ("skerrowen-program-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(directory);
  }
  ~ProgramFixture() override { std::filesystem::remove_all(directory); }

  Program& MakeProgram() {
    program = std::make_unique<Program>(
        Services(directory.string(), [this](ScreenSize) -> std::unique_ptr<Direct3D8> {
          return std::make_unique<StandInAdapter>(adapterTemplate);
        }));
    return *program;
  }

  // Writes a small textured quad model as "5.x" in the program directory.
  void WriteModel(const std::string& textureName) {
    std::ofstream x(directory / "5.x");
    x << "xof 0302txt 0032\n"
         "Mesh quad {\n 4;\n -1.0;-1.0;5.0;, -1.0;1.0;5.0;, 1.0;1.0;5.0;, 1.0;-1.0;5.0;;\n"
         " 2;\n 3;0,1,2;, 3;0,2,3;;\n"
         " MeshNormals { 1; 0.0;0.0;-1.0;; 2; 3;0,0,0;, 3;0,0,0;; }\n"
         " MeshTextureCoords { 4; 0.0;1.0;, 0.0;0.0;, 1.0;0.0;, 1.0;1.0;; }\n"
         " MeshMaterialList { 1; 2; 0, 0;\n  Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;;\n";
    if (!textureName.empty()) x << "   TextureFilename { \"" << textureName << "\"; }\n";
    x << "  }\n }\n}\n";
  }

  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    const std::string& log = files.files["Brannoch.log"];
    std::size_t start = 0;
    while (start < log.size()) {
      const auto end = log.find("\r\n", start);
      if (end == std::string::npos) break;
      lines.push_back(log.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }

  std::filesystem::path directory;
  StandInAdapter adapterTemplate;
  std::unique_ptr<Program> program;
};
