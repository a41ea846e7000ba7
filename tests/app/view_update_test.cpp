#include "app/view_update.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/surface.h"
#include "render/device/adapter.h"
#include "render/types/d3dx_math.h"
#include "support/fakes.h"
#include "support/present_parameters.h"

namespace {

class ViewUpdateTest : public ::testing::Test {
 protected:
  ViewUpdateTest() : viewSettings(store, messages) {
    FillTrigTables(tables);
    auto d3d = Direct3DCreate8(ScreenSize{640, 480});
    D3DPRESENT_PARAMETERS params = WindowedParams(&target);
    EXPECT_EQ(
        d3d->CreateDevice(0, D3DDEVTYPE_HAL, &target, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params, &device),
        D3D_OK);
  }

  ViewContext Context() { return ViewContext{view, keys, clock, viewSettings, tables}; }
  void Step() {
    clock.ticks += 50;
    auto context = Context();
    ASSERT_EQ(UpdateView(context, device.get()), D3D_OK);
  }

  Surface target{16, 16, 0};
  FakeClock clock;
  MemorySettingsStore store;
  RecordingMessageBoxes messages;
  ViewSettings viewSettings;
  DegreeTables tables;
  ViewState view;
  KeyFlags keys;
  std::unique_ptr<Direct3DDevice8> device;
};

TEST_F(ViewUpdateTest, EmptyStoreStartsAtTheDefaultViewWithTheCameraAtTheCentre) {
  viewSettings.LoadViewSettings(view);
  EXPECT_EQ(view.Rotation, 264);
  EXPECT_EQ(view.Tilt, 52);
  EXPECT_EQ(view.Distance, 0);
  EXPECT_EQ(view.Offset, 0);
  Step();
  EXPECT_EQ(view.EyePos.x, 0);
  EXPECT_EQ(view.EyePos.y, 0);
  EXPECT_EQ(view.EyePos.z, 0);
  // Looking at 6 E 52 N: (-sin 6 cos 52, sin 52, -cos 6 cos 52) * 20.
  EXPECT_NEAR(view.LookAt.x, -std::sin(6 * M_PI / 180) * std::cos(52 * M_PI / 180) * 20, 1e-3);
  EXPECT_NEAR(view.LookAt.y, std::sin(52 * M_PI / 180) * 20, 1e-3);
  EXPECT_NEAR(view.LookAt.z, -std::cos(6 * M_PI / 180) * std::cos(52 * M_PI / 180) * 20, 1e-3);
}

TEST_F(ViewUpdateTest, RotationAndTiltWrapAndJump) {
  struct Row {
    int rotation, tilt;
    bool left, right, up, down;
    int expectRotation, expectTilt;
  };
  const Row rows[] = {
      {0, 52, false, true, false, false, 360, 52},    // 0 - 1 jumps to 360
      {360, 52, true, false, false, false, 0, 52},    // 361 wraps to 0
      {100, 90, false, false, true, false, 100, 90},  // tilt stops at 90
      {100, 271, false, false, false, true, 100, 271},
      {100, 0, false, false, false, true, 100, 360},
      {100, 360, false, false, false, true, 100, 359},
      {400, 150, false, false, false, false, 0, 90},  // stored values outside the range
      {-3, 200, false, false, false, false, 360, 271},
      {50, 10, true, true, false, false, 50, 10},  // Left and Right together cancel
  };
  for (const Row& row : rows) {
    view.Rotation = static_cast<std::int16_t>(row.rotation);
    view.Tilt = static_cast<std::int16_t>(row.tilt);
    keys = KeyFlags{};
    keys.LeftHeld = row.left;
    keys.RightHeld = row.right;
    keys.UpHeld = row.up;
    keys.DownHeld = row.down;
    store.writes.clear();
    Step();
    EXPECT_EQ(view.Rotation, row.expectRotation) << row.rotation << "/" << row.tilt;
    EXPECT_EQ(view.Tilt, row.expectTilt) << row.rotation << "/" << row.tilt;
    EXPECT_EQ(store.writes, (std::vector<std::string>{"Rotation", "Tilt", "Distance"}));
    EXPECT_EQ(store.values["Setting/Rotation"], std::to_string(row.expectRotation));
  }
}

TEST_F(ViewUpdateTest, DistanceStepsGeometricallyTowardsAndAwayFromTheSurface) {
  keys.PageUpHeld = true;
  Step();
  EXPECT_NEAR(view.Distance, 0.2, 1e-12);
  Step();
  EXPECT_NEAR(view.Distance, 0.398, 1e-12);
  EXPECT_EQ(store.values["Setting/Distance"], "0.398");

  keys = KeyFlags{};
  keys.PageDownHeld = true;
  view.Distance = 0;
  Step();
  EXPECT_NEAR(view.Distance, -0.2, 1e-12);
  Step();
  EXPECT_NEAR(view.Distance, -0.402, 1e-12);
  view.Distance = 100;
  Step();
  EXPECT_DOUBLE_EQ(view.Distance, 100.8);
  Step();
  EXPECT_DOUBLE_EQ(view.Distance, 101.608);
  Step();
  EXPECT_DOUBLE_EQ(view.Distance, 102.42408);
  EXPECT_EQ(store.values["Setting/Distance"], "102.42408");
}

TEST_F(ViewUpdateTest, StepsComeEveryFiftyMillisecondsAcrossTheCounterWrap) {
  keys.LeftHeld = true;
  view.Rotation = 10;
  clock.ticks = 0xFFFFFFF0U;  // 16 ms before the 32-bit counter wraps
  view.ViewLastStep = clock.ticks;
  auto context = Context();
  UpdateView(context, device.get());
  EXPECT_EQ(view.Rotation, 10);
  clock.ticks += 49;  // wrapped, 49 ms later
  UpdateView(context, device.get());
  EXPECT_EQ(view.Rotation, 10);
  clock.ticks += 1;
  UpdateView(context, device.get());
  EXPECT_EQ(view.Rotation, 11);
  EXPECT_EQ(view.ViewLastStep, clock.ticks);
}

TEST_F(ViewUpdateTest, FillModeFollowsSAndWAndStays) {
  DWORD mode = 0;
  keys.WHeld = true;
  Step();
  device->GetRenderState(D3DRS_FILLMODE, &mode);
  EXPECT_EQ(mode, D3DFILL_WIREFRAME);
  keys = KeyFlags{};
  Step();
  device->GetRenderState(D3DRS_FILLMODE, &mode);
  EXPECT_EQ(mode, D3DFILL_WIREFRAME);
  keys.SHeld = true;
  Step();
  device->GetRenderState(D3DRS_FILLMODE, &mode);
  EXPECT_EQ(mode, D3DFILL_SOLID);
  keys.WHeld = true;  // both held: wireframe wins
  Step();
  device->GetRenderState(D3DRS_FILLMODE, &mode);
  EXPECT_EQ(mode, D3DFILL_WIREFRAME);
}

TEST_F(ViewUpdateTest, OffsetKeysMoveTheSunAndWriteTheOffsetEveryTick) {
  struct Row {
    double offset;
    bool ctrlLeft, ctrlRight;
    double expect;
  };
  const Row rows[] = {{-1, true, false, 0},   {-5, true, false, 356}, {0, false, true, -1},
                      {-359, false, true, 0}, {359, true, false, 0},  {10.5, true, false, 12}};
  for (const Row& row : rows) {
    view.Offset = row.offset;
    keys = KeyFlags{};
    keys.CtrlLeftHeld = row.ctrlLeft;
    keys.CtrlRightHeld = row.ctrlRight;
    store.writes.clear();
    auto context = Context();
    ASSERT_EQ(UpdateSunLights(context, device.get()), D3D_OK);
    EXPECT_EQ(view.Offset, row.expect) << row.offset;
    EXPECT_EQ(store.writes, std::vector<std::string>{"Offset"});
  }
  keys = KeyFlags{};
  store.writes.clear();
  auto context = Context();
  UpdateSunLights(context, device.get());
  EXPECT_TRUE(store.writes.empty());
}

TEST(SunPosition, FollowsTheSeasonAndTheDayNumber) {
  // 21 March is day 81: the sun stands in the equatorial plane.
  EXPECT_NEAR(SunPosition(LocalDateTime{2026, 3, 21, 0, 0, 0}, 0).y, 0, 1e-4);
  // 21 June is day 171, a quarter turn later: the full height of 123.
  EXPECT_NEAR(SunPosition(LocalDateTime{2026, 6, 21, 0, 0, 0}, 0).y, 123, 1e-4);
  // 31 December is day 361 (30-day months): 280 degrees past the equinox.
  const float december = SunPosition(LocalDateTime{2026, 12, 31, 0, 0, 0}, 0).y;
  EXPECT_NEAR(december, 123 * std::sin(280 * 3.14159 / 180), 1e-3);
  // At the equinox at midnight the hour angle is 0, and noon turns it half way round.
  const D3DVECTOR midnight = SunPosition(LocalDateTime{2026, 3, 21, 0, 0, 0}, 0);
  const D3DVECTOR noon = SunPosition(LocalDateTime{2026, 3, 21, 12, 0, 0}, 0);
  EXPECT_NEAR(midnight.x, 200, 1e-3);
  EXPECT_NEAR(noon.x, -200, 1e-3);
  // An Offset of 90 degrees turns the sun a quarter.
  EXPECT_NEAR(SunPosition(LocalDateTime{2026, 3, 21, 0, 0, 0}, 90).z, 200, 1e-2);
}

TEST_F(ViewUpdateTest, DistanceTwentyGivesAFiniteView) {
  view.Rotation = 264;
  view.Tilt = 52;
  view.Distance = 20;
  Step();
  D3DMATRIX models[2]{};
  ASSERT_EQ(ApplyViewTransforms(view, device.get(), models), D3D_OK);
  D3DMATRIX viewMatrix;
  device->GetTransform(D3DTS_VIEW, &viewMatrix);
  for (const auto& row : viewMatrix.m) {
    for (float value : row) EXPECT_TRUE(std::isfinite(value));
  }
  // The globe model stays at the origin, unturned.
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) EXPECT_EQ(models[0].m[i][j], i == j ? 1.0f : 0.0f);
  }
}

// Zooming out from the largest Distance a double holds: the view keeps its last finite
// Distance, so no "Infinity" is ever stored, shown or put into a map name.
TEST_F(ViewUpdateTest, ZoomingPastTheLargestDistanceKeepsTheLastFiniteOne) {
  view.Distance = 1.7e308;
  keys.PageDownHeld = true;
  Step();
  EXPECT_EQ(view.Distance, 1.7e308);
  EXPECT_EQ(store.values["Setting/Distance"], "1.7E+308");
  view.Distance = 1.78e305;  // one step out, the Distance is finite but its map radius is not
  ASSERT_TRUE(std::isfinite(MapRadiusKm(view.Distance)));
  Step();
  EXPECT_EQ(view.Distance, 1.78e305);
  ApplyMapCentreRule(view);
  EXPECT_TRUE(std::isfinite(view.Radius));
  EXPECT_EQ(FrameCaption(view).find("inf"), std::string::npos);
}

TEST_F(ViewUpdateTest, AStoredDistanceWhoseRadiusOverflowsIsRefused) {
  store.values = {{"Setting/Distance", "1.7E+308"}};
  viewSettings.LoadViewSettings(view);
  EXPECT_EQ(view.Distance, 0);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].text.find("Distance = \"1.7E+308\" (out of range)"), std::string::npos);
}

ViewState Derived(int rotation, int tilt, double distance) {
  ViewState view;
  view.Rotation = static_cast<std::int16_t>(rotation);
  view.Tilt = static_cast<std::int16_t>(tilt);
  view.Distance = distance;
  ApplyMapCentreRule(view);
  return view;
}

TEST(FrameCaption, EmptySettingsGiveTheDefaultCaption) {
  EXPECT_EQ(FrameCaption(Derived(264, 52, 0)), "Skerrowen, Long:  006 Lat:  52 Radius: 3340");
  EXPECT_EQ(FrameCaption(Derived(89, 300, 30)), "Skerrowen, Long: -179 Lat: -60 Radius: 1670");
  EXPECT_EQ(FrameCaption(Derived(0, 360, 20)), "Skerrowen, Long: -090 Lat: 00 Radius: 0");
}

}  // namespace
