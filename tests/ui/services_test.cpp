#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <filesystem>
#include <fstream>

#include "base/posix_file_store.h"
#include "base/surface.h"
#include "base/uniform_random.h"
#include "ui/qt_virtual_keys.h"

namespace {

TEST(UniformRandom, SkippingEqualsDrawingAndAFreshGeneratorRepeats) {
  UniformRandom drawn, skipped, fresh;
  double first = drawn.Next();
  EXPECT_EQ(first, fresh.Next());
  skipped.Next();
  for (int i = 0; i < 7439; ++i) drawn.Next();
  skipped.Discard(7439);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(drawn.Next(), skipped.Next());
  double sum = 0;
  for (int i = 0; i < 100000; ++i) {
    const double u = fresh.Next();
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
    sum += u;
  }
  EXPECT_NEAR(sum / 100000, 0.5, 0.01);
}

TEST(Surface, PictureBackgroundPointAndPSet) {
  Surface surface(4, 3, 0x808080);
  EXPECT_EQ(surface.Point(0, 0), 0x808080);
  EXPECT_EQ(surface.Point(4, 0), -1);
  EXPECT_EQ(surface.Point(0, -1), -1);
  surface.PSet(1, 1, 0x123456);  // &H00BBGGRR: red 0x56
  EXPECT_EQ(surface.Pixels()[1 * 4 + 1], 0x563412u);
  EXPECT_EQ(surface.Point(1, 1), 0x123456);
  surface.PSet(9, 9, 0);  // ignored
  surface.SetPicture(Picture{2, 5, std::vector<std::uint32_t>(10, 0x0000FF)});
  EXPECT_EQ(surface.Point(1, 2), 0xFF0000);
  EXPECT_EQ(surface.Point(2, 0), 0x808080);  // beyond the picture: background
  surface.PSet(3, 2, 0);
  surface.Cls();
  EXPECT_EQ(surface.Point(3, 2), 0x808080);
  EXPECT_EQ(surface.Point(0, 0), 0xFF0000);  // the picture stays after Cls
  const Picture image = surface.Image();
  EXPECT_EQ(image.width, 4);
  EXPECT_EQ(image.height, 3);
}

// Surfaces take their memory on first use; whichever access comes first must see the
// background, and a frame smaller than the surface leaves the background around it.
TEST(Surface, FirstUseOfAnyKindSeesTheBackground) {
  const Surface direct(3, 2, 0x808080);
  EXPECT_EQ(direct.Pixels()[5], 0x808080u);
  const Surface whole(3, 2, 0x0000FF);
  EXPECT_EQ(whole.Image().pixels, std::vector<std::uint32_t>(6, 0xFF0000u));
  Surface presented(3, 2, 0x808080);
  const std::uint32_t frame[] = {1, 2};
  presented.PresentFrame(frame, 1, 2);
  EXPECT_EQ(presented.Image().pixels,
            (std::vector<std::uint32_t>{1, 0x808080, 0x808080, 2, 0x808080, 0x808080}));
  EXPECT_EQ(presented.ChangeCount(), 1u);
}

// A picture set before the pixels are first used (the Earth texture until the redraw) is
// painted then, under whichever access comes first; once painted, a new picture repaints.
TEST(Surface, APictureSetBeforeFirstUseIsThereAtFirstUse) {
  const Picture picture{2, 1, {0x000001, 0x000002}};
  Surface point(3, 2, 0x808080);
  point.SetPicture(picture);
  EXPECT_EQ(point.ChangeCount(), 1u);
  EXPECT_EQ(point.Point(1, 0), ColourFromPixel(2));
  EXPECT_EQ(point.Point(2, 0), 0x808080);
  Surface drawn(3, 2, 0x808080);
  drawn.SetPicture(picture);
  drawn.PSet(0, 1, 0x0000FF);
  EXPECT_EQ(drawn.Image().pixels, (std::vector<std::uint32_t>{1, 2, 0x808080, 0xFF0000, 0x808080, 0x808080}));
  drawn.SetPicture(Picture{1, 1, {7}});
  EXPECT_EQ(drawn.Pixels()[0], 7u);
  EXPECT_EQ(drawn.Pixels()[1], 0x808080u);
  EXPECT_EQ(drawn.Pixels()[3], 0x808080u);
  EXPECT_EQ(drawn.ChangeCount(), 2u);
}

TEST(PosixFileStore, WholeFilesReplaceAtomicallyAndFailuresSayWhy) {
  const auto dir = std::filesystem::temp_directory_path() / "skerrowen-files-test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  PosixFileStore files;
  std::string error;
  const std::string path = (dir / "MAP_0300_6_52.DAT").string();
  const auto writeOne = [&](const std::string& at, std::string_view bytes) {
    WriteFailure failure;
    const bool written = files.WriteWholeFiles({{at, bytes}}, &failure);
    error = failure.reason;
    return written;
  };
  ASSERT_TRUE(writeOne(path, "old"));
  ASSERT_TRUE(writeOne(path, "new"));
  std::ifstream in(path);
  std::string content((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(content, "new");
  ASSERT_TRUE(files.Append((dir / "Brannoch.log").string(), "37; 0\r\n", &error));
  ASSERT_TRUE(files.Append((dir / "Brannoch.log").string(), "18; 0\r\n", &error));
  EXPECT_EQ(std::filesystem::file_size(dir / "Brannoch.log"), 14u);

  if (::geteuid() != 0) {  // root writes into read-only folders anyway
    ::chmod(dir.c_str(), 0555);
    EXPECT_FALSE(writeOne(path, "x"));
    EXPECT_EQ(error, "Permission denied");
    ::chmod(dir.c_str(), 0755);
  }
  EXPECT_FALSE(writeOne((dir / "missing" / "a.BMP").string(), "x"));
  EXPECT_EQ(error, "No such file or directory");
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    EXPECT_FALSE(IsOwnTemporaryName(entry.path().filename().string())) << "temporary file left";
  }
  std::filesystem::remove_all(dir);
}

TEST(VirtualKeys, QtKeysMapToThePlatformCodes) {
  int argc = 1;
  char name[] = "test";
  char* argv[] = {name};
  QGuiApplication app(argc, argv);
  struct Row {
    int key;
    Qt::KeyboardModifiers modifiers;
    int code, shift;
    QEvent::Type type = QEvent::KeyPress;
  };
  const Row rows[] = {
      {Qt::Key_Left, Qt::NoModifier, 37, 0},
      {Qt::Key_Up, Qt::ControlModifier, 38, 2},
      {Qt::Key_PageDown, Qt::NoModifier, 34, 0},
      {Qt::Key_Return, Qt::NoModifier, 13, 0},
      {Qt::Key_Enter, Qt::KeypadModifier, 13, 0},
      {Qt::Key_Escape, Qt::NoModifier, 27, 0},
      {Qt::Key_Print, Qt::NoModifier, 44, 0},
      {Qt::Key_SysReq, Qt::AltModifier, 44, 4},
      // X11 reports the modifiers held before the event: none as Alt goes down, Alt as it comes up.
      // X11 reports the modifiers held before the event: none as Alt goes down, Alt as it comes up.
      {Qt::Key_Alt, Qt::NoModifier, 18, 4},
      {Qt::Key_Alt, Qt::AltModifier, 18, 0, QEvent::KeyRelease},
      {Qt::Key_W, Qt::NoModifier, 87, 0},
      {Qt::Key_S, Qt::ShiftModifier, 83, 1},
      {Qt::Key_5, Qt::NoModifier, 53, 0},
      {Qt::Key_5, Qt::KeypadModifier, 101, 0},
      {Qt::Key_F1, Qt::NoModifier, 112, 0},
      {Qt::Key_F12, Qt::NoModifier, 123, 0},
      {Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier, 37, 3},
      {Qt::Key_Print, Qt::ControlModifier | Qt::AltModifier, 44, 6},
  };
  for (const Row& row : rows) {
    // A modifier key's own press counts it and its own release does not.
    const QKeyEvent event(row.type, row.key, row.modifiers);
    EXPECT_EQ(VirtualKeyCode(event), row.code) << row.key;
    EXPECT_EQ(ModifierState(event.modifiers()), row.shift) << row.key;
  }
}

}  // namespace
