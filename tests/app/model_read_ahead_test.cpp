#include "app/model_read_ahead.h"

#include <gtest/gtest.h>

#include "render/d3dx/d3dx_texture.h"
#include "support/program_rig.h"

namespace {

// Stand-in files: a mesh whose materials name three textures (one through a Windows path),
// textures that decode or, when named `failing`, fail; every read is recorded.
struct StandInFiles {
  std::vector<std::string> reads;
  std::string failing;

  MeshFileLoader Mesh() {
    return [this](const std::string& path, DWORD, Direct3DDevice8* device, std::unique_ptr<D3DXMesh>* mesh,
                  std::vector<D3DXMATERIAL>* materials, DWORD* count, std::string* error) -> HRESULT {
      reads.push_back(path);
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
      reads.push_back(path);
      if (path == failing) {
        *error = path + ": not a picture";
        return D3DXERR_INVALIDDATA;
      }
      *texture = std::make_shared<Texture>();
      return D3D_OK;
    };
  }
};

// What LoadModels gets for the model in `folder` and the three textures, as "result error" texts.
std::vector<std::string> LoadAsLoadModels(const MeshFileLoader& loadMesh,
                                          const TextureFileLoader& loadTexture,
                                          const std::string& folder = "/program") {
  std::unique_ptr<D3DXMesh> mesh;
  std::vector<D3DXMATERIAL> materials;
  DWORD count = 0;
  std::string error;
  std::vector<std::string> got{std::to_string(loadMesh(ModelPath(folder), D3DXMESH_MANAGED, nullptr, &mesh,
                                                       &materials, &count, &error)) +
                               " " + error + (materials.size() == count ? "" : " (materials!)")};
  for (const char* name : {"a.bmp", "sub\\b.bmp", "c.bmp"}) {
    std::shared_ptr<Texture> texture;
    error.clear();
    const HRESULT result = loadTexture(nullptr, TexturePath(folder, name), &texture, &error);
    got.push_back(std::to_string(result) + " " + error +
                  (SUCCEEDED(result) == bool(texture) ? "" : " (texture!)"));
  }
  return got;
}

// Every answer is the one the files give, each read ahead answers once (the next pass reads
// anew), a failing texture ends the reads as it ends LoadModels, and without leave to decode
// textures (no application came) they are read when asked for.
TEST(ModelReadAhead, AnswersAsTheFilesDoAndEachReadOnce) {
  for (const std::string failing : {"", "/program/sub/b.bmp"}) {
    StandInFiles direct, early;
    direct.failing = early.failing = failing;
    const std::vector<std::string> expected = LoadAsLoadModels(direct.Mesh(), direct.Textures());
    ModelReadAhead ahead("/program", early.Mesh());
    ahead.DecodeTextures(early.Textures());
    const MeshFileLoader loadMesh = ahead.MeshLoader(early.Mesh());
    const TextureFileLoader loadTexture = ahead.TextureLoader(early.Textures());
    EXPECT_EQ(LoadAsLoadModels(loadMesh, loadTexture), expected) << failing;
    EXPECT_EQ(early.reads, direct.reads) << "read more or less than LoadModels would";
    EXPECT_EQ(LoadAsLoadModels(loadMesh, loadTexture), expected);
    EXPECT_EQ(early.reads.size(), 2 * direct.reads.size());
  }
  StandInFiles missing, noApplication;
  ModelReadAhead ahead("/missing", missing.Mesh());
  EXPECT_EQ(LoadAsLoadModels(ahead.MeshLoader(missing.Mesh()), ahead.TextureLoader(missing.Textures()),
                             "/missing")[0],
            std::to_string(E_FAIL) + " /missing/5.x: no such file");
  ModelReadAhead meshOnly("/program", noApplication.Mesh());
  LoadAsLoadModels(meshOnly.MeshLoader(noApplication.Mesh()),
                   meshOnly.TextureLoader(noApplication.Textures()));
  EXPECT_EQ(noApplication.reads.size(), 4u);
}

// The shipped globe read ahead draws the very frame it draws when read at the set-up: the
// mesh is bound to the set-up's device, the texture is the same.
TEST(ModelReadAhead, TheShippedGlobesFirstFrameIsTheSame) {
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
