#include <algorithm>

#include "program_fixture.h"

namespace {

using KeyHandling = ProgramFixture;
using MainLoop = ProgramFixture;

TEST_F(KeyHandling, FlagsFollowTheModifierState) {
  Program& p = MakeProgram();
  struct Row {
    int key, shift;
    bool KeyFlags::*flag;  // the one flag expected set, or null for none
  };
  const Row rows[] = {
      {vk::Left, 0, &KeyFlags::LeftHeld},
      {vk::Right, 0, &KeyFlags::RightHeld},
      {vk::Up, 0, &KeyFlags::UpHeld},
      {vk::Down, 0, &KeyFlags::DownHeld},
      {vk::PageUp, 0, &KeyFlags::PageUpHeld},
      {vk::PageDown, 0, &KeyFlags::PageDownHeld},
      {vk::W, 0, &KeyFlags::WHeld},
      {vk::S, 0, &KeyFlags::SHeld},
      {vk::Left, 2, &KeyFlags::CtrlLeftHeld},
      {vk::Right, 2, &KeyFlags::CtrlRightHeld},
      {vk::Left, 1, nullptr},
      {vk::Left, 3, nullptr},
      {vk::W, 2, nullptr},
      {vk::Up, 2, nullptr},
      {65, 0, nullptr},
      {vk::Left, 6, nullptr},
  };
  const std::vector<bool KeyFlags::*> all = {
      &KeyFlags::PageDownHeld, &KeyFlags::PageUpHeld,   &KeyFlags::LeftHeld, &KeyFlags::RightHeld,
      &KeyFlags::UpHeld,       &KeyFlags::DownHeld,     &KeyFlags::WHeld,    &KeyFlags::SHeld,
      &KeyFlags::CtrlLeftHeld, &KeyFlags::CtrlRightHeld};
  for (const Row& row : rows) {
    p.keys() = KeyFlags{};
    p.Form_KeyDown(row.key, row.shift);
    for (auto flag : all) {
      EXPECT_EQ(p.keys().*flag, flag == row.flag) << "key " << row.key << " shift " << row.shift;
    }
  }
}

TEST_F(KeyHandling, ReleasesClearWhateverTheModifiers) {
  Program& p = MakeProgram();
  p.Form_KeyDown(vk::Left, 0);
  p.Form_KeyDown(vk::Left, 2);
  p.Form_KeyUp(vk::Left, 1);
  EXPECT_FALSE(p.keys().LeftHeld);
  EXPECT_FALSE(p.keys().CtrlLeftHeld);
  p.Form_KeyDown(vk::W, 0);
  p.Form_KeyUp(vk::W, 2);
  EXPECT_FALSE(p.keys().WHeld);
  p.Form_KeyDown(vk::Right, 2);
  p.Form_KeyUp(vk::Right, 0);
  EXPECT_FALSE(p.keys().CtrlRightHeld);
}

TEST_F(KeyHandling, EveryReleaseWritesOneLogLine) {
  Program& p = MakeProgram();
  p.Form_KeyUp(vk::Left, 0);
  p.Form_KeyUp(vk::PageUp, 2);
  p.Form_KeyUp(0, 0);
  p.Form_KeyUp(112, 5);
  p.Form_KeyDown(vk::Left, 0);  // presses write nothing
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"37; 0", "33; 2", "0; 0", "112; 5"}));
}

// Focus taken by another window, or by a modal box such as the store's error at the first
// view step: the releases go elsewhere, so every held key counts as released, with no log line.
TEST_F(KeyHandling, LosingTheKeyboardReleasesEveryHeldKeyWithoutALogLine) {
  Program& p = MakeProgram();
  p.Form_KeyDown(vk::Left, 0);
  p.Form_KeyDown(vk::PageDown, 0);
  p.Form_KeyDown(vk::Right, 2);
  p.Form_Deactivate();
  EXPECT_FALSE(p.keys().LeftHeld || p.keys().PageDownHeld || p.keys().CtrlRightHeld);
  EXPECT_TRUE(LogLines().empty());

  WriteModel("");
  store.failWrites = true;
  p.SetUpPass();
  p.Form_KeyDown(vk::Left, 0);
  p.Tick();
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_FALSE(p.keys().LeftHeld) << "the key released into the message box still turns the globe";
}

TEST_F(KeyHandling, EnterEscAndClickEndTheLoop) {
  Program& p = MakeProgram();
  p.flags().Running = true;
  p.Form_KeyUp(vk::Enter, 0);
  EXPECT_FALSE(p.flags().Running);
  EXPECT_FALSE(p.flags().QuitRequested);
  p.flags().Running = true;
  p.Form_Click();
  EXPECT_FALSE(p.flags().Running);
  EXPECT_FALSE(p.flags().QuitRequested);
  p.flags().Running = true;
  p.Form_KeyUp(vk::Escape, 0);
  EXPECT_FALSE(p.flags().Running);
  EXPECT_TRUE(p.flags().QuitRequested);
}

TEST_F(KeyHandling, AltTakesTheFrameAwayAndAnyReleaseBringsItBack) {
  Program& p = MakeProgram();
  p.Form_KeyDown(vk::Alt, 4);
  EXPECT_EQ(window.borderStyle, 0);
  p.Form_KeyUp(vk::Left, 4);
  EXPECT_EQ(window.borderStyle, 2);
  p.Form_KeyDown(vk::Left, 6);
  EXPECT_EQ(window.borderStyle, 2);
}

TEST_F(KeyHandling, CaptureIsArmedOnlyByPrintScreenWithAltAlone) {
  Program& p = MakeProgram();
  p.Form_KeyUp(vk::PrintScreen, 6);
  EXPECT_FALSE(p.CaptureArmed());
  p.Form_KeyUp(vk::PrintScreen, 0);
  EXPECT_FALSE(p.CaptureArmed());
  p.Form_KeyUp(vk::PrintScreen, 4);
  EXPECT_TRUE(p.CaptureArmed());
  p.Form_KeyUp(vk::Alt, 2);  // Alt released with Ctrl still held: still pending
  EXPECT_TRUE(p.CaptureArmed());
}

TEST_F(KeyHandling, AltReleaseStoresTheClipboardPictureThenLogs) {
  Program& p = MakeProgram();
  p.view().Long = 6;
  p.view().Lat = 52;
  p.view().Radius = 3340;
  clipboard.picture = Picture{557, 557, std::vector<std::uint32_t>(557 * 557, 0x123456)};
  p.Form_KeyDown(vk::Alt, 4);
  p.Form_KeyDown(vk::PrintScreen, 4);
  p.Form_KeyUp(vk::PrintScreen, 4);
  p.Form_KeyUp(vk::Alt, 0);
  EXPECT_FALSE(p.CaptureArmed());
  ASSERT_TRUE(files.files.count("MAP_3340_6_52.BMP"));
  EXPECT_EQ(files.files["MAP_3340_6_52.DAT"], "Radius : 3340\r\nLong   : 6\r\nLat    : 52\r\n");
  EXPECT_EQ(pictures.Picture4.Point(10, 10), ColourFromPixel(0x123456));
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"44; 4", "18; 0"}));
}

TEST_F(KeyHandling, CaptureWithoutAPictureStoresNothingButLogs) {
  Program& p = MakeProgram();
  p.Form_KeyUp(vk::PrintScreen, 4);
  p.Form_KeyUp(vk::Alt, 0);
  EXPECT_FALSE(p.CaptureArmed());
  EXPECT_EQ(files.files.size(), 1u);  // only the log
  EXPECT_EQ(LogLines().back(), "18; 0");
}

TEST_F(MainLoop, EnterRedrawsStoresAndStartsTheNextPassWithTheSavedView) {
  WriteModel("");
  Program& p = MakeProgram();
  store.values["Setting/Rotation"] = "100";
  int tick = 0;
  int pass2Ticks = 0;
  window.onDoEvents = [&] {
    if (window.caption.rfind("Skerrowen", 0) != 0) return;  // the redraw's progress
    ++tick;
    if (tick == 1) p.Form_KeyDown(vk::Left, 0);
    if (tick == 6) p.Form_KeyUp(vk::Left, 0);
    if (tick == 7) p.Form_KeyUp(vk::Enter, 0);
    if (tick > 7 && ++pass2Ticks == 1) p.Form_KeyUp(vk::Escape, 0);
  };
  EXPECT_THROW(p.Main(), ProgramEnded);
  EXPECT_EQ(process.ends, 1);
  EXPECT_EQ(store.values["Setting/Rotation"], "101");
  EXPECT_EQ(p.view().Rotation, 101);
  EXPECT_EQ(p.view().Long, 169);
  const auto lines = LogLines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.rfind("Program start: ", 0) == 0; }),
            2);
  EXPECT_TRUE(files.files.count("MAP_3340_169_52.BMP"));
  EXPECT_EQ(window.caption, " 100.0 %");
}

TEST_F(MainLoop, EscDuringTheRedrawEndsAfterIt) {
  WriteModel("");
  Program& p = MakeProgram();
  bool escaped = false;
  window.onDoEvents = [&] {
    if (window.caption.rfind("Skerrowen", 0) == 0) {
      p.Form_KeyUp(vk::Enter, 0);
    } else if (!escaped && window.caption.rfind("2/3", 0) == 0) {
      escaped = true;
      p.Form_KeyUp(vk::Escape, 0);
    }
  };
  EXPECT_THROW(p.Main(), ProgramEnded);
  EXPECT_TRUE(escaped);
  EXPECT_EQ(window.caption, " 100.0 %");  // the redraw ran to its end
  EXPECT_TRUE(files.files.count("MAP_3340_6_52.BMP"));
  EXPECT_TRUE(files.files.count("MAP_3340_6_52.DAT"));
}

TEST_F(MainLoop, ClosingTheWindowDuringTheRedrawEndsAtOnce) {
  WriteModel("");
  Program& p = MakeProgram();
  window.onDoEvents = [&] {
    if (window.caption.rfind("Skerrowen", 0) == 0) p.Form_KeyUp(vk::Enter, 0);
    if (window.caption.rfind("1/3", 0) == 0) p.Form_Unload();
  };
  EXPECT_THROW(p.Main(), ProgramEnded);
  EXPECT_EQ(window.caption.substr(0, 3), "1/3");
  EXPECT_FALSE(p.renderer().Device());
  // Only the copy of the view stored before the redraw began; the redrawn map never came.
  const std::string bitmap = files.files["MAP_3340_6_52.BMP"];
  ASSERT_FALSE(bitmap.empty());
}

TEST_F(MainLoop, ClosingTheWindowDuringTheLoopEndsWithoutARedraw) {
  WriteModel("");
  Program& p = MakeProgram();
  int tick = 0;
  window.onDoEvents = [&] {
    if (++tick == 3) p.Form_Unload();
  };
  EXPECT_THROW(p.Main(), ProgramEnded);
  EXPECT_EQ(tick, 3);
  EXPECT_EQ(files.files.size(), 1u);  // the log only
}

TEST_F(MainLoop, TicksComeEveryTenMillisecondsAndALongTickIsFollowedAtOnce) {
  WriteModel("");
  Program& p = MakeProgram();
  std::vector<std::uint32_t> tickTimes;
  window.onDoEvents = [&] {
    tickTimes.push_back(clock.ticks);
    if (tickTimes.size() == 3) clock.ticks += 35;  // a tick whose work lasts 35 ms
    if (tickTimes.size() == 6) p.Form_Unload();
  };
  EXPECT_THROW(p.Main(), ProgramEnded);
  ASSERT_EQ(tickTimes.size(), 6u);
  EXPECT_EQ(tickTimes[1] - tickTimes[0], 10u);
  EXPECT_EQ(tickTimes[2] - tickTimes[1], 10u);
  EXPECT_EQ(tickTimes[3] - tickTimes[2], 35u);  // at once, not three quick ticks
  EXPECT_EQ(tickTimes[4] - tickTimes[3], 10u);
}

// With no key held and the clock within one second, every tick draws the same frame; the
// device keeps it. A turn or the next second of the sun's course is drawn.
TEST_F(MainLoop, AGlobeStandingStillIsKeptAndATurnOrTheSunsNextSecondIsDrawn) {
  WriteModel("");
  Program& p = MakeProgram();
  p.SetUpPass();
  ASSERT_TRUE(p.flags().Running);
  auto tick = [&](std::uint32_t milliseconds) {
    clock.ticks += milliseconds;
    p.Tick();
    return p.renderer().Device()->FramesKept();
  };
  tick(10);
  const std::vector<std::uint32_t> still = pictures.Picture1.Image().pixels;
  EXPECT_EQ(tick(10), 1u);
  EXPECT_EQ(tick(10), 2u);
  EXPECT_EQ(pictures.Picture1.Image().pixels, still);

  p.keys().LeftHeld = true;
  EXPECT_EQ(tick(50), 2u);
  p.keys().LeftHeld = false;
  EXPECT_EQ(tick(10), 3u);

  clock.now.second += 1;
  EXPECT_EQ(tick(10), 3u);
  EXPECT_EQ(tick(10), 4u);
}

TEST_F(MainLoop, TheLoopKeepsTickingAcrossTheCounterWrap) {
  WriteModel("");
  clock.ticks = 0xFFFFFFE0U;
  Program& p = MakeProgram();
  int ticks = 0;
  window.onDoEvents = [&] {
    if (++ticks == 10) p.Form_Unload();
  };
  EXPECT_THROW(p.Main(), ProgramEnded);
  EXPECT_EQ(ticks, 10);
  EXPECT_LT(clock.ticks, 0x100u);  // wrapped past zero
}

}  // namespace
