#include "mapout/map_files.h"

#include <gtest/gtest.h>

#include <string>

#include "bmp_reader.h"
#include "mapout/capture.h"
#include "mapout/log_file.h"
#include "mapout_fakes.h"

namespace {

struct NameCase {
  const char* source;
  MapCentre centre;
  const char* name;
};

// From the naming rule: radius in the "0000" form (halves away from zero), the centre in the
// general form with a decimal point on every desktop.
const NameCase kNames[] = {
    {"default view", {6, 52, 3340}, "MAP_3340_6_52"},
    {"radius 300, centre 6/52", {6, 52, 300}, "MAP_0300_6_52"},
    {"short radius padded", {6, 52, 5}, "MAP_0005_6_52"},
    {"fractional radius rounded", {6, 52, 300.4}, "MAP_0300_6_52"},
    {"half a kilometre rounds up", {6, 52, 300.5}, "MAP_0301_6_52"},
    {"five digits written in full", {6, 52, 20015}, "MAP_20015_6_52"},
    {"negative latitude", {6, -33, 300}, "MAP_0300_6_-33"},
    {"negative longitude", {-122, 37, 5000}, "MAP_5000_-122_37"},
    {"decimal point", {6.5, 52.25, 300}, "MAP_0300_6.5_52.25"},
    {"zero radius", {0, 0, 0}, "MAP_0000_0_0"},
};

TEST(MakeMapName, FollowsTheNamingRule) {
  for (const NameCase& c : kNames) {
    EXPECT_EQ(MakeMapName(c.centre), c.name) << c.source;
  }
}

TEST(MakeSideFileText, WritesThreeLabelledLinesEndedByCrLf) {
  EXPECT_EQ(MakeSideFileText({6, 52, 300}), "Radius : 300\r\nLong   : 6\r\nLat    : 52\r\n");
  EXPECT_EQ(MakeSideFileText({6.5, -33.25, 300.4}), "Radius : 300.4\r\nLong   : 6.5\r\nLat    : -33.25\r\n");
}

Surface MapSurface(std::uint32_t pixel) {
  Surface surface(557, 557, 0);
  std::fill_n(surface.MutablePixels(), 557 * 557, pixel);
  return surface;
}

TEST(SaveMap, StoresTheBitmapAndThenItsSideFileUnderOneName) {
  MemoryMapStore rig;
  Surface box = MapSurface(Rgb(10, 20, 30));
  box.PSet(0, 0, 0x0000FF);  // red at the top-left, to catch a flipped picture
  ASSERT_TRUE(rig.store.SaveMap(box, {6, 52, 300}));
  EXPECT_TRUE(rig.messages.shown.empty());
  EXPECT_EQ(rig.files.writeOrder, (std::vector<std::string>{"MAP_0300_6_52.BMP", "MAP_0300_6_52.DAT"}));
  ASSERT_EQ(rig.files.files.count("MAP_0300_6_52.DAT"), 1u);
  EXPECT_EQ(rig.files.files["MAP_0300_6_52.DAT"], "Radius : 300\r\nLong   : 6\r\nLat    : 52\r\n");
  const auto bitmap = DecodeBmp(rig.files.files["MAP_0300_6_52.BMP"]);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->width, 557);
  EXPECT_EQ(bitmap->height, 557);
  EXPECT_EQ(bitmap->pixels, box.Image().pixels);
  EXPECT_EQ(bitmap->pixels[0], Rgb(255, 0, 0));
}

TEST(SaveMap, ReplacesAnEarlierPairOfTheSameName) {
  MemoryMapStore rig;
  ASSERT_TRUE(rig.store.SaveMap(MapSurface(Rgb(1, 1, 1)), {6, 52, 300}));
  ASSERT_TRUE(rig.store.SaveMap(MapSurface(Rgb(2, 2, 2)), {6, 52, 300.4}));
  EXPECT_EQ(rig.files.files.size(), 2u);
  EXPECT_EQ(rig.files.files["MAP_0300_6_52.DAT"], "Radius : 300.4\r\nLong   : 6\r\nLat    : 52\r\n");
  EXPECT_EQ(DecodeBmp(rig.files.files["MAP_0300_6_52.BMP"])->pixels[0], Rgb(2, 2, 2));
}

struct FailureCase {
  const char* source;
  const char* failingFile;
  enum { Write, Rename, RenameNoPutBack, Refused } how;
  bool pairExistedBefore;
  const char* says;
};

// Whatever fails, the store reports it once, names the file that failed and the reason, and
// leaves the older pair as it was (or none, when there was none).
const FailureCase kFailures[] = {
    {"side file fails, nothing there before", "MAP_0300_6_52.DAT", FailureCase::Write, false,
     "cannot write \"MAP_0300_6_52.DAT\": No space left on device"},
    {"bitmap fails, older pair kept whole", "MAP_0300_6_52.BMP", FailureCase::Write, true,
     "cannot write \"MAP_0300_6_52.BMP\": No space left on device"},
    {"side file rename fails, the bitmap put back", "MAP_0300_6_52.DAT", FailureCase::Rename, true,
     "cannot write \"MAP_0300_6_52.DAT\": Is a directory"},
    {"side file name refused before anything is written", "MAP_0300_6_52.DAT", FailureCase::Refused, true,
     "\"MAP_0300_6_52.DAT\" is a folder"},
    {"bitmap cannot be put back", "MAP_0300_6_52.DAT", FailureCase::RenameNoPutBack, false,
     "cannot write \"MAP_0300_6_52.DAT\": Is a directory\nThe bitmap \"MAP_0300_6_52.BMP\" could not be put "
     "back"},
};

TEST(SaveMap, AFailureIsReportedOnceAndLeavesTheOlderPair) {
  for (const FailureCase& c : kFailures) {
    SCOPED_TRACE(c.source);
    MemoryMapStore rig;
    const std::string oldBitmap = "old bitmap";
    const std::string oldSide = "Radius : 300\r\nLong   : 6\r\nLat    : 52\r\n";
    if (c.pairExistedBefore) {
      rig.files.files["MAP_0300_6_52.BMP"] = oldBitmap;
      rig.files.files["MAP_0300_6_52.DAT"] = oldSide;
    }
    if (c.how == FailureCase::Write) rig.files.failWrites.insert(c.failingFile);
    if (c.how == FailureCase::Rename || c.how == FailureCase::RenameNoPutBack)
      rig.files.failRenames.insert(c.failingFile);
    if (c.how == FailureCase::Refused) rig.files.refused[c.failingFile] = "is a folder";
    rig.files.failPutBack = c.how == FailureCase::RenameNoPutBack;

    EXPECT_FALSE(rig.store.SaveMap(MapSurface(Rgb(9, 9, 9)), {6, 52, 300}));

    ASSERT_EQ(rig.messages.shown.size(), 1u);
    const ShownMessage& message = rig.messages.shown[0];
    EXPECT_EQ(message.title, "ERROR");
    EXPECT_EQ(message.icon, MessageIcon::Critical);
    EXPECT_EQ(message.text.rfind("The map was not stored: " + std::string(c.says), 0), 0u) << message.text;
    if (c.pairExistedBefore) {
      EXPECT_EQ(rig.files.files["MAP_0300_6_52.BMP"], oldBitmap);
      EXPECT_EQ(rig.files.files["MAP_0300_6_52.DAT"], oldSide);
    } else if (c.how != FailureCase::RenameNoPutBack) {
      EXPECT_TRUE(rig.files.files.empty());
    }
  }
}

// The redraw stores twice under one name: the same failure is told once, another one again.
TEST(SaveMap, AFailureAlreadyToldInTheSameWordsIsNotShownAgain) {
  MemoryMapStore rig;
  rig.files.failWrites.insert("MAP_0300_6_52.BMP");
  std::string told;
  EXPECT_FALSE(rig.store.SaveMap(MapSurface(0), {6, 52, 300}, &told));
  EXPECT_FALSE(rig.store.SaveMap(MapSurface(0), {6, 52, 300}, &told));
  ASSERT_EQ(rig.messages.shown.size(), 1u);
  EXPECT_EQ(told, rig.messages.shown[0].text);
  rig.files.failWrites = {"MAP_0300_6_52.DAT"};
  EXPECT_FALSE(rig.store.SaveMap(MapSurface(0), {6, 52, 300}, &told));
  EXPECT_FALSE(rig.store.SaveMap(MapSurface(0), {6, 52, 300}));
  EXPECT_EQ(rig.messages.shown.size(), 3u);
}

TEST(WriteLog, AppendsOneLineEndedByCrLfPerCall) {
  MemoryFiles files;
  RecordedMessages messages;
  LogFile log(files, messages);
  log.WriteLog("37; 0");
  log.WriteLog("");
  log.WriteLog("33; 2");
  EXPECT_EQ(files.files["Brannoch.log"], "37; 0\r\n\r\n33; 2\r\n");
  EXPECT_TRUE(messages.shown.empty());
}

TEST(WriteLog, ABrokenLogIsReportedOnceAndThenSkippedSilently) {
  MemoryFiles files;
  RecordedMessages messages;
  LogFile log(files, messages);
  files.failAppends = true;
  for (int k = 0; k < 5; ++k) log.WriteLog("18; 0");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].title, "ERROR");
  EXPECT_NE(messages.shown[0].text.find("Brannoch.log"), std::string::npos);
  EXPECT_NE(messages.shown[0].text.find("Permission denied"), std::string::npos);
  EXPECT_TRUE(log.HasFailed());
  // Once the file can be written again, lines go on without another message.
  files.failAppends = false;
  log.WriteLog("13; 0");
  files.failAppends = true;
  log.WriteLog("27; 0");
  EXPECT_EQ(files.files["Brannoch.log"], "13; 0\r\n");
  EXPECT_EQ(messages.shown.size(), 1u);
}

struct CaptureCase {
  const char* source;
  int width, height;
  int expectedX, expectedY;  // a pixel to look at in the stored map
  std::uint32_t expectedPixel;
};

// Picture4 is 557 x 557 on grey &H00808080; the clipboard picture is filled with one colour.
const CaptureCase kCaptures[] = {
    {"window-sized picture", 557, 557, 556, 556, Rgb(200, 100, 50)},
    {"tiny picture: its pixels at the top-left", 2, 3, 1, 2, Rgb(200, 100, 50)},
    {"tiny picture: grey around it", 2, 3, 2, 0, Rgb(128, 128, 128)},
    {"huge picture: cut to the inner area", 1200, 900, 556, 556, Rgb(200, 100, 50)},
};

TEST(StoreCapture, StoresTheClipboardPictureAsPicture4) {
  for (const CaptureCase& c : kCaptures) {
    SCOPED_TRACE(c.source);
    MemoryMapStore rig;
    Surface picture4(557, 557, 0x808080);
    const Picture clipboard{
        c.width, c.height,
        std::vector<std::uint32_t>(static_cast<std::size_t>(c.width) * c.height, Rgb(200, 100, 50))};
    EXPECT_EQ(StoreCapture(clipboard, picture4, {6, 52, 3340}, rig.store), CaptureResult::Stored);
    const auto stored = DecodeBmp(rig.files.files["MAP_3340_6_52.BMP"]);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->width, 557);
    EXPECT_EQ(stored->height, 557);
    EXPECT_EQ(stored->pixels[static_cast<std::size_t>(c.expectedY) * 557 + c.expectedX], c.expectedPixel);
    EXPECT_EQ(rig.files.files["MAP_3340_6_52.DAT"], "Radius : 3340\r\nLong   : 6\r\nLat    : 52\r\n");
  }
}

TEST(StoreCapture, AClipboardWithoutAPictureStoresNothing) {
  const std::optional<Picture> kNoPictures[] = {std::nullopt, Picture{}, Picture{4, 4, {}}};
  for (const auto& clipboard : kNoPictures) {
    MemoryMapStore rig;
    Surface picture4(557, 557, 0x808080);
    EXPECT_EQ(StoreCapture(clipboard, picture4, {6, 52, 3340}, rig.store), CaptureResult::NoPicture);
    EXPECT_TRUE(rig.files.files.empty());
    EXPECT_TRUE(rig.messages.shown.empty());
  }
}

TEST(StoreCapture, AFailedStoreIsToldApart) {
  MemoryMapStore rig;
  rig.files.failWrites.insert("MAP_3340_6_52.BMP");
  Surface picture4(557, 557, 0x808080);
  const Picture clipboard{1, 1, {Rgb(1, 2, 3)}};
  EXPECT_EQ(StoreCapture(clipboard, picture4, {6, 52, 3340}, rig.store), CaptureResult::NotStored);
  EXPECT_EQ(rig.messages.shown.size(), 1u);
  EXPECT_EQ(picture4.Point(0, 0), 0x030201);
}

}  // namespace
