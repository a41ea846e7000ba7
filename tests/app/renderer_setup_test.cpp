#include "program_fixture.h"

namespace {

using RendererSetup = ProgramFixture;

TEST_F(RendererSetup, LogsThreeLinesPerSetUpAndDrawsTheModel) {
  WriteModel("");
  Program& p = MakeProgram();
  ASSERT_TRUE(p.renderer().InitRenderer(&pictures.Picture1));
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"Program start: 2026/03/21 12:00:00", "1280", "1024"}));
  EXPECT_TRUE(messages.shown.empty());
  ASSERT_TRUE(p.renderer().InitRenderer(&pictures.Picture1));
  EXPECT_EQ(LogLines().size(), 6u);
  EXPECT_EQ(p.renderer().Models()[0].MaterialCount, 1);
  EXPECT_FALSE(p.renderer().Models()[1].Mesh);
  EXPECT_EQ(adapterTemplate.creates, 0);  // each set-up made its own adapter copy
}

// The software adapter lists the screen's size in X8R8G8B8 and R5G6B5 and takes D24X8 silently.
TEST_F(RendererSetup, OnTheSoftwareAdapterBothSearchesFindTheScreenSize) {
  WriteModel("");
  program = std::make_unique<Program>(Services(directory.string()));
  ASSERT_TRUE(program->renderer().InitRenderer(&pictures.Picture1));
  EXPECT_TRUE(messages.shown.empty());
  GlobeRenderer& renderer = program->renderer();
  EXPECT_EQ(renderer.FindDisplayMode(1280, 1024, 32), D3DFMT_X8R8G8B8);
  EXPECT_EQ(renderer.FindDisplayMode(1280, 1024, 16), D3DFMT_R5G6B5);
  EXPECT_EQ(renderer.FindDisplayMode(1024, 768, 32), 0);
  EXPECT_EQ(renderer.FindDisplayMode(1280, 1024, 24), 0);
  EXPECT_EQ(renderer.Device()->BackBufferFormat(), D3DFMT_X8R8G8B8);
  EXPECT_TRUE(renderer.Device()->HasDepthBuffer());
}

// A screen that reports no size leaves the software adapter without modes.
TEST_F(RendererSetup, AScreenWithoutSizeHasNoDisplayModeAndEndsTheProgram) {
  screen = ScreenGeometry{0, 0, 15, 15};
  program = std::make_unique<Program>(Services(directory.string()));
  EXPECT_THROW(program->renderer().InitRenderer(&pictures.Picture1), ProgramEnded);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "Neither 16-Bit nor 32-Bit Display Mode Supported");
  EXPECT_EQ(messages.shown[0].title, "ERROR");
  EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
}

// Adapters of other desktops list formats the software one never does: only R8G8B8 and X8R8G8B8
// count as 32-bit, R5G6B5, X1R5G5B5 and X4R4G4B4 as 16-bit, and the first listed match wins.
TEST_F(RendererSetup, FormatsOutsideBothGroupsAreNoDisplayMode) {
  adapterTemplate.modes = {{1280, 1024, 60, D3DFMT_A8R8G8B8},
                           {1280, 1024, 75, D3DFMT_X4R4G4B4},
                           {1280, 1024, 60, D3DFMT_R8G8B8},
                           {1280, 1024, 60, D3DFMT_X8R8G8B8},
                           {1024, 768, 60, D3DFMT_X1R5G5B5}};
  WriteModel("");
  Program& p = MakeProgram();
  ASSERT_TRUE(p.renderer().InitRenderer(&pictures.Picture1));
  EXPECT_EQ(p.renderer().FindDisplayMode(1280, 1024, 32), D3DFMT_R8G8B8);
  EXPECT_EQ(p.renderer().FindDisplayMode(1280, 1024, 16), D3DFMT_X4R4G4B4);
  EXPECT_EQ(p.renderer().FindDisplayMode(1024, 768, 16), D3DFMT_X1R5G5B5);

  messages.shown.clear();
  adapterTemplate.modes = {{1280, 1024, 60, D3DFMT_A8R8G8B8}, {1280, 1024, 60, D3DFMT_A1R5G5B5}};
  Program& q = MakeProgram();
  EXPECT_THROW(q.renderer().InitRenderer(&pictures.Picture1), ProgramEnded);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "Neither 16-Bit nor 32-Bit Display Mode Supported");
}

TEST_F(RendererSetup, DepthFormatChoiceAndItsMessages) {
  WriteModel("");
  adapterTemplate.depthFormats = {};
  Program& p = MakeProgram();
  EXPECT_TRUE(p.renderer().InitRenderer(&pictures.Picture1));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "Depth buffer could not be enabled");
  EXPECT_EQ(messages.shown[0].title, "Depth buffer not supported");
  DWORD zenable = 0;
  p.renderer().Device()->GetRenderState(D3DRS_ZENABLE, &zenable);
  EXPECT_EQ(zenable, 1u);

  messages.shown.clear();
  adapterTemplate.depthFormats = {D3DFMT_D32, D3DFMT_D16};
  Program& q = MakeProgram();
  EXPECT_TRUE(q.renderer().InitRenderer(&pictures.Picture1));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "32-bit");
  EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
}

TEST_F(RendererSetup, FailingDeviceCreationIsReportedAndTheLoopNeverRuns) {
  adapterTemplate.failCreate = true;
  Program& p = MakeProgram();
  EXPECT_THROW(p.Main(), ProgramEnded);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "ERROR initializing D3D ");
  EXPECT_EQ(messages.shown[0].title, "ERROR");
  EXPECT_EQ(messages.shown[0].icon, MessageIcon::Critical);
  EXPECT_EQ(window.doEvents, 0);
  EXPECT_FALSE(p.flags().LoopEntered);
  EXPECT_EQ(LogLines().size(), 3u);
  // Nothing but the log was written: no map pair.
  EXPECT_EQ(files.files.size(), 1u);
}

TEST_F(RendererSetup, MissingModelGivesOneMessageAndFramesOfTheClearColour) {
  Program& p = MakeProgram();
  ASSERT_TRUE(p.renderer().InitRenderer(&pictures.Picture1));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "Error loading models");
  EXPECT_EQ(messages.shown[0].title, "ERROR");
  EXPECT_EQ(messages.shown[0].icon, MessageIcon::Critical);
  EXPECT_EQ(p.renderer().Models()[0].MaterialCount, 0);
  p.Tick();
  EXPECT_EQ(pictures.Picture1.Point(278, 278), 0x330000);  // blue 51 as &H00BBGGRR
  EXPECT_EQ(window.caption, "Skerrowen, Long: -090 Lat:  00 Radius: 3340");
}

TEST_F(RendererSetup, MissingTextureKeepsTheMeshAndItsMaterial) {
  WriteModel("no-such-texture.png");
  Program& p = MakeProgram();
  ASSERT_TRUE(p.renderer().InitRenderer(&pictures.Picture1));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "Error loading models");
  const ModelSlot& slot = p.renderer().Models()[0];
  EXPECT_TRUE(slot.Mesh);
  EXPECT_EQ(slot.MaterialCount, 1);
  EXPECT_EQ(slot.TextureName, "no-such-texture.png");
  EXPECT_FALSE(slot.Textures[0]);
  // The ambient colour is a copy of the diffuse colour.
  EXPECT_EQ(slot.Materials[0].Ambient.r, 1.0f);
  EXPECT_EQ(slot.Materials[0].Ambient.a, 1.0f);
}

}  // namespace

namespace {

TEST(ShippedGlobe, TheFirstTickDrawsTheGlobeAndTheDefaultCaption) {
  StandInServices rig;
  Program program(rig.Services(SKERROWEN_BINARY_DIR));
  program.SetUpPass();
  ASSERT_TRUE(program.flags().Running);
  ASSERT_TRUE(rig.messages.shown.empty()) << rig.messages.shown[0].text;
  program.Tick();
  EXPECT_EQ(rig.window.caption, "Skerrowen, Long:  006 Lat:  52 Radius: 3340");
  int background = 0;
  for (int k = 0; k < 557 * 557; ++k) background += rig.pictures.Picture1.Pixels()[k] == 0x000033;
  // From the centre the globe's inside fills the whole window.
  EXPECT_LT(background, 557 * 557 / 1000);
  EXPECT_EQ(rig.window.shows, 1);
  EXPECT_TRUE(rig.pictures.Picture1.Visible());
}

}  // namespace
