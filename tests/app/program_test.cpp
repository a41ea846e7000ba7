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

// While a key is held the frame may change on every tick: ticks come every 10 ms.
TEST_F(MainLoop, TicksComeEveryTenMillisecondsAndALongTickIsFollowedAtOnce) {
  WriteModel("");
  Program& p = MakeProgram();
  p.Form_KeyDown(vk::Left, 0);
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
  EXPECT_TRUE(clock.waits.empty());
}

// At rest (no key held, no event handled, the clock within the second of the last frame) a
// tick would present the last frame again: it only processes events. An event handled, a
// key, a view set from outside the view steps or the sun's next second is drawn.
TEST_F(MainLoop, AtRestOnlyEventsAreProcessedUntilSomethingCanChangeTheFrame) {
  WriteModel("");
  Program& p = MakeProgram();
  p.SetUpPass();
  ASSERT_TRUE(p.flags().Running);
  const auto presents = [&](std::uint32_t milliseconds) {
    const std::uint64_t before = pictures.Picture1.ChangeCount();
    const int eventsBefore = window.doEvents;
    clock.ticks += milliseconds;
    p.Tick();
    EXPECT_EQ(window.doEvents, eventsBefore + 1) << "every tick processes the events";
    return pictures.Picture1.ChangeCount() - before;
  };
  EXPECT_EQ(presents(10), 1u);
  const std::string caption = window.caption;
  EXPECT_EQ(presents(10), 0u);
  EXPECT_EQ(presents(1000), 0u);

  p.Form_KeyDown(vk::Left, 0);
  EXPECT_EQ(presents(10), 1u);
  EXPECT_EQ(p.view().Rotation, 265) << "the held key steps at the first tick after its press";
  p.Form_KeyUp(vk::Left, 0);
  EXPECT_EQ(presents(10), 1u);
  EXPECT_EQ(presents(10), 0u);

  // A handler may have written the caption; the frame after it writes the frame's again.
  window.SetCaption("Station map: Encoding 50.0 %");
  p.Form_KeyUp(65, 0);
  EXPECT_EQ(presents(10), 1u);
  EXPECT_EQ(window.caption, "Skerrowen, Long:  005 Lat:  52 Radius: 3340");
  EXPECT_EQ(presents(10), 0u);

  p.view().Rotation = 264;  // as the go-to dialog turns it
  EXPECT_EQ(presents(10), 1u);
  EXPECT_EQ(window.caption, caption);

  clock.now.millisecond = 999;
  EXPECT_EQ(presents(10), 0u);
  clock.now.second += 1;
  clock.now.millisecond = 0;
  EXPECT_EQ(presents(10), 1u);
  EXPECT_EQ(presents(10), 0u);

  p.SetUpPass();  // the next pass draws its first frame whatever it shows
  EXPECT_EQ(presents(10), 1u);
}

// Nothing rests on a frame that failed, nor on a view that the next view step changes
// without a key: such ticks draw again.
TEST_F(MainLoop, AFailedFrameOrAViewOutOfItsRangesIsDrawnAgain) {
  WriteModel("");
  Program& p = MakeProgram();
  p.SetUpPass();
  const auto frames = [&](int ticks, std::uint32_t apart = 10) {
    const std::size_t before = window.captions.size();  // every frame writes the caption
    for (int k = 0; k < ticks; ++k) {
      clock.ticks += apart;
      p.Tick();
    }
    return window.captions.size() - before;
  };
  EXPECT_EQ(frames(3), 1u);

  p.renderer().Device()->BeginScene();  // left open: the frames cannot begin theirs
  p.view().Rotation = 100;
  EXPECT_EQ(frames(3), 3u);
  p.renderer().Device()->EndScene();
  EXPECT_EQ(frames(3), 1u);

  p.view().Rotation = 400;  // as a stored value reads before the pass's first view step
  p.view().ViewLastStep = clock.ticks;
  EXPECT_EQ(frames(4), 4u);
  EXPECT_EQ(p.view().Rotation, 400);
  EXPECT_EQ(frames(1, 20), 1u);
  EXPECT_EQ(p.view().Rotation, 0);
  EXPECT_EQ(frames(3), 0u);
}

// Between frames at rest the loop waits for an event or the clock's next second instead of
// ticking; an event is handled by the tick after the wait, and a key held then steps the view
// at the first tick after its press and every 50 ms from there.
TEST_F(MainLoop, AtRestTheLoopWaitsForAnEventOrTheNextSecond) {
  WriteModel("");
  Program& p = MakeProgram();
  clock.now.millisecond = 250;
  struct Tick {
    std::uint32_t at;
    int rotation;
    std::uint64_t presented;
  };
  std::vector<Tick> ticks;
  window.onDoEvents = [&] {
    ticks.push_back({clock.ticks, p.view().Rotation, pictures.Picture1.ChangeCount()});
    const std::size_t n = ticks.size();
    if (n == 3) clock.nextEventMs = 300;  // a key comes 300 ms into the next wait
    if (n == 4) p.Form_KeyDown(vk::Left, 0);
    if (n == 4 + 12) p.Form_KeyUp(vk::Left, 0);
    if (n == 4 + 12 + 3) p.Form_Unload();
  };
  const std::uint32_t start = clock.ticks;
  EXPECT_THROW(p.Main(), ProgramEnded);
  ASSERT_EQ(ticks.size(), 19u);

  // The first frame at once after the set-up, then a wait to the next second and its frame,
  // and a wait for the key.
  ASSERT_GE(clock.waits.size(), 4u);
  EXPECT_EQ(clock.waits[0], 751u);
  EXPECT_EQ(ticks[0].at, start);
  EXPECT_EQ(ticks[1].at - ticks[0].at, 751u);
  EXPECT_EQ(ticks[1].presented - ticks[0].presented, 1u) << "the sun's next second is drawn";
  EXPECT_EQ(clock.waits[1], 1000u);
  EXPECT_EQ(ticks[2].at - ticks[1].at, 1000u);
  EXPECT_EQ(ticks[3].at - ticks[2].at, 300u);
  EXPECT_EQ(ticks[3].presented, ticks[2].presented) << "the tick that handles the key draws nothing new";

  // Held from the press: a tick every 10 ms, the first step at once, then one every 50 ms.
  for (std::size_t k = 4; k < 16; ++k) EXPECT_EQ(ticks[k].at - ticks[k - 1].at, 10u) << k;
  EXPECT_EQ(ticks[4].rotation, 265);
  EXPECT_EQ(ticks[8].rotation, 265);
  EXPECT_EQ(ticks[9].rotation, 266);
  EXPECT_EQ(ticks[14].rotation, 267);
  EXPECT_EQ(p.view().Rotation, 267);
  // Released: one more frame for the event, then the loop rests again, to the next second.
  EXPECT_EQ(ticks[16].at - ticks[15].at, 10u);
  EXPECT_EQ(clock.waits.size(), 5u);
  EXPECT_EQ(ticks[17].at - ticks[16].at, clock.waits[3]);
}

TEST_F(MainLoop, TheLoopKeepsTickingAcrossTheCounterWrap) {
  WriteModel("");
  clock.ticks = 0xFFFFFFE0U;
  Program& p = MakeProgram();
  p.Form_KeyDown(vk::Up, 0);
  int ticks = 0;
  window.onDoEvents = [&] {
    if (++ticks == 10) p.Form_Unload();
  };
  EXPECT_THROW(p.Main(), ProgramEnded);
  EXPECT_EQ(ticks, 10);
  EXPECT_LT(clock.ticks, 0x100u);  // wrapped past zero
}

}  // namespace
