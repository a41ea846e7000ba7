// The view's four values in the store: refused texts keep the start values, a failing store
// is told once, and what a comma desktop writes reads back anywhere.
#include "settings/view_settings.h"

#include <gtest/gtest.h>

#include "support/comma_locale.h"
#include "support/fakes.h"

namespace {

TEST(ViewSettingsLoad, BadStoredValuesKeepTheStartValues) {
  MemorySettingsStore store;
  RecordingMessageBoxes messages;
  ViewSettings settings(store, messages);
  store.values = {{"Setting/Rotation", "abc"},
                  {"Setting/Tilt", "70000"},
                  {"Setting/Distance", "12,5"},
                  {"Setting/Offset", "4x"}};
  ViewValues view;
  view.Offset = 7;
  settings.LoadViewSettings(view);
  EXPECT_EQ(view.Rotation, 264);
  EXPECT_EQ(view.Tilt, 52);
  EXPECT_EQ(view.Distance, 12.5);
  EXPECT_EQ(view.Offset, 7);

  store.values = {{"Setting/Rotation", "10,5"}, {"Setting/Tilt", "11,5"}};
  settings.LoadViewSettings(view);
  EXPECT_EQ(view.Rotation, 10);  // ties to even
  EXPECT_EQ(view.Tilt, 12);
}

TEST(ViewSettingsWrite, AFailingStoreIsReportedOnceAndTheViewGoesOn) {
  MemorySettingsStore store;
  RecordingMessageBoxes messages;
  ViewSettings settings(store, messages);
  store.failWrites = true;
  ViewValues view;
  settings.WriteRotationTiltDistance(view);
  settings.WriteOffset(view);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].text.find("skerrowen.conf"), std::string::npos);
}

// Stores written on a German desktop read back on any other, and the other way round.
TEST(ViewSettingsWrite, RoundTripInACommaLocale) {
  CommaLocale locale("de_DE");
  if (!locale.Active()) GTEST_SKIP() << "no de_DE locale could be made with localedef";
  MemorySettingsStore store;
  RecordingMessageBoxes messages;
  ViewSettings settings(store, messages);
  ViewValues view;
  view.Rotation = 12;
  view.Tilt = 300;
  view.Distance = 0.398;
  view.Offset = -17;
  settings.WriteRotationTiltDistance(view);
  settings.WriteOffset(view);
  EXPECT_EQ(store.values["Setting/Distance"], "0.398");
  ViewValues loaded;
  settings.LoadViewSettings(loaded);
  EXPECT_EQ(loaded.Rotation, 12);
  EXPECT_EQ(loaded.Tilt, 300);
  EXPECT_EQ(loaded.Distance, 0.398);
  EXPECT_EQ(loaded.Offset, -17);
}

}  // namespace
