#include "app/model_read_ahead.h"

#include <gtest/gtest.h>

#include <thread>

#include "base/surface.h"
#include "render/d3dx/d3dx_texture.h"
#include "render/device/adapter.h"
#include "support/present_parameters.h"
#include "support/program_rig.h"

namespace {

// Stand-in files: a mesh whose materials name three textures (one through a Windows path),
// and textures that decode, or fail when named `failing`. Every read is recorded with the
// thread that made it.
struct StandInFiles {
  std::vector<std::string> meshReads, textureReads;
  std::vector<std::thread::id> textureThreads;
  std::string failing;

  MeshFileLoader Mesh() {
    return [this](const std::string& path, DWORD, Direct3DDevice8* device, std::unique_ptr<D3DXMesh>* mesh,
                  std::vector<D3DXMATERIAL>* materials, DWORD* count, std::string* error) -> HRESULT {
      meshReads.push_back(path);
      if (path.rfind("/missing/", 0) == 0) {
        *error = path + ": no such file";
        return E_FAIL;
      }
      *mesh = std::make_unique<D3DXMesh>(device, D3DFVF_XYZ, std::vector<Vertex>(3),
                                         std::vector<std::uint32_t>{0, 1, 2}, std::vector<DWORD>{0});
      *materials = {{{}, "a.bmp"}, {{}, ""}, {{}, "sub\\b.bmp"}, {{}, "c.bmp"}};
      *count = 4;
      return D3D_OK;
    };
  }
  TextureFileLoader Textures() {
    return [this](Direct3DDevice8*, const std::string& path, std::shared_ptr<Texture>* texture,
                  std::string* error) -> HRESULT {
      textureReads.push_back(path);
      textureThreads.push_back(std::this_thread::get_id());
      if (path == failing) {
        *error = path + ": not a picture";
        return D3DXERR_INVALIDDATA;
      }
      *texture = std::make_shared<Texture>();
      (*texture)->width = static_cast<int>(textureReads.size());
      return D3D_OK;
    };
  }
};

struct Asked {
  HRESULT result = E_FAIL;
  std::shared_ptr<Texture> texture;
  std::string error;
};

Asked AskTexture(const TextureFileLoader& load, const std::string& path) {
  Asked asked;
  asked.result = load(nullptr, path, &asked.texture, &asked.error);
  return asked;
}

class ModelReadAheadTest : public ::testing::Test {
 protected:
  HRESULT AskMesh(const MeshFileLoader& load, const std::string& folder = "/program") {
    return load(ModelPath(folder), D3DXMESH_MANAGED, device.get(), &mesh, &materials, &count, &error);
  }

  StandInFiles files;
  Surface window{8, 8, 0};
  std::unique_ptr<Direct3DDevice8> device = [this] {
    std::unique_ptr<Direct3DDevice8> made;
    D3DPRESENT_PARAMETERS params = WindowedParams(&window);
    Direct3DCreate8(ScreenSize{8, 8})
        ->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                       &params, &made);
    return made;
  }();
  std::unique_ptr<D3DXMesh> mesh;
  std::vector<D3DXMATERIAL> materials;
  DWORD count = 0;
  std::string error;
};

TEST_F(ModelReadAheadTest, LoadModelsIsAnsweredOnceFromReadsMadeOnTheThread) {
  ModelReadAhead ahead("/program", files.Mesh());
  ahead.DecodeTextures(files.Textures());
  const MeshFileLoader loadMesh = ahead.MeshLoader(files.Mesh());
  const TextureFileLoader loadTexture = ahead.TextureLoader(files.Textures());

  ASSERT_TRUE(device);
  ASSERT_EQ(AskMesh(loadMesh), D3D_OK);
  EXPECT_EQ(count, 4u);
  ASSERT_EQ(materials.size(), 4u);
  EXPECT_EQ(materials[2].TextureFilename, "sub\\b.bmp");
  ASSERT_TRUE(mesh);
  EXPECT_EQ(mesh->GetNumFaces(), 1u);
  EXPECT_EQ(mesh->DrawSubset(7), D3D_OK) << "the mesh is not bound to the device it was asked for";
  const std::vector<std::string> paths = {"/program/a.bmp", "/program/sub/b.bmp", "/program/c.bmp"};
  for (std::size_t k = 0; k < paths.size(); ++k) {
    const Asked asked = AskTexture(loadTexture, paths[k]);
    EXPECT_EQ(asked.result, D3D_OK);
    ASSERT_TRUE(asked.texture);
    EXPECT_EQ(asked.texture->width, static_cast<int>(k + 1));
  }
  EXPECT_EQ(files.meshReads, std::vector<std::string>{"/program/5.x"});
  EXPECT_EQ(files.textureReads, paths);
  for (const std::thread::id id : files.textureThreads) EXPECT_NE(id, std::this_thread::get_id());

  // Each read answers once: the next pass reads the files again.
  EXPECT_EQ(AskMesh(loadMesh), D3D_OK);
  EXPECT_EQ(files.meshReads.size(), 2u);
  EXPECT_EQ(AskTexture(loadTexture, paths[0]).texture->width, 4);
  EXPECT_EQ(files.textureThreads.back(), std::this_thread::get_id());
}

// LoadModels stops at the first texture that fails, and so does the thread: the failure is
// answered as it was read, and what lies beyond it is read when it is asked for.
TEST_F(ModelReadAheadTest, AFailingTextureEndsTheReadsAsItEndsLoadModels) {
  files.failing = "/program/sub/b.bmp";
  ModelReadAhead ahead("/program", files.Mesh());
  ahead.DecodeTextures(files.Textures());
  const TextureFileLoader loadTexture = ahead.TextureLoader(files.Textures());
  ASSERT_EQ(AskMesh(ahead.MeshLoader(files.Mesh())), D3D_OK);
  EXPECT_EQ(AskTexture(loadTexture, "/program/a.bmp").result, D3D_OK);
  const Asked failed = AskTexture(loadTexture, "/program/sub/b.bmp");
  EXPECT_EQ(failed.result, D3DXERR_INVALIDDATA);
  EXPECT_EQ(failed.error, "/program/sub/b.bmp: not a picture");
  EXPECT_FALSE(failed.texture);
  EXPECT_EQ(files.textureReads.size(), 2u);
  EXPECT_EQ(AskTexture(loadTexture, "/program/c.bmp").result, D3D_OK);
  EXPECT_EQ(files.textureThreads.back(), std::this_thread::get_id());
}

TEST_F(ModelReadAheadTest, AMissingModelOrTexturesNotAllowedAreReadAsWithoutIt) {
  {
    ModelReadAhead ahead("/missing", files.Mesh());
    ahead.DecodeTextures(files.Textures());
    EXPECT_EQ(AskMesh(ahead.MeshLoader(files.Mesh()), "/missing"), E_FAIL);
    EXPECT_EQ(error, "/missing/5.x: no such file");
    EXPECT_FALSE(mesh);
    EXPECT_TRUE(files.textureReads.empty());
  }
  {
    ModelReadAhead ahead("/program", files.Mesh());  // the application never came
    EXPECT_EQ(AskMesh(ahead.MeshLoader(files.Mesh())), D3D_OK);
    EXPECT_EQ(AskTexture(ahead.TextureLoader(files.Textures()), "/program/a.bmp").result, D3D_OK);
    EXPECT_EQ(files.textureThreads, std::vector<std::thread::id>{std::this_thread::get_id()});
  }
  ModelReadAhead unused("/program", files.Mesh());  // ends its thread when it goes
}

// The shipped globe read ahead draws the very frame it draws when read at the set-up.
TEST(ShippedGlobeReadAhead, TheFirstFrameIsTheSame) {
  StandInServices plain, early;
  Program direct(plain.Services(SKERROWEN_BINARY_DIR));
  ModelReadAhead ahead(SKERROWEN_BINARY_DIR, D3DXLoadMeshFromX);
  ahead.DecodeTextures(D3DXCreateTextureFromFile);
  ProgramServices services = early.Services(SKERROWEN_BINARY_DIR);
  services.createTextureFromFile = ahead.TextureLoader(D3DXCreateTextureFromFile);
  services.loadMeshFromX = ahead.MeshLoader(D3DXLoadMeshFromX);
  Program readAhead(services);
  for (Program* program : {&direct, &readAhead}) {
    program->SetUpPass();
    program->Tick();
  }
  ASSERT_TRUE(plain.messages.shown.empty()) << plain.messages.shown[0].text;
  ASSERT_TRUE(early.messages.shown.empty()) << early.messages.shown[0].text;
  EXPECT_EQ(early.window.caption, plain.window.caption);
  EXPECT_TRUE(early.pictures.Picture1.Image().pixels == plain.pictures.Picture1.Image().pixels);
}

}  // namespace
