// Bad input of every kind the operator's machine can hand the program: broken settings,
// a broken Earth picture, a broken globe model or texture, a working directory that cannot
// be written, odd clipboard contents and views at the edges. One row per fault. Each row
// runs a whole program on real files in a temporary working directory and checks that the
// operator is told what went wrong, nothing escapes, nothing is left half-written, nothing
// the operator had is lost, and the program goes on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QSettings>
#include <QSysInfo>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/program.h"
#include "base/posix_file_store.h"
#include "mapout/bmp_encoder.h"
#include "mapout/bmp_reader.h"
#include "mapout/map_files.h"
#include "render/d3dx/d3dx_texture.h"
#include "render/device/adapter.h"
#include "settings/qt_settings_store.h"
#include "support/fakes.h"
#include "support/run_length_bmp.h"
#include "ui/qt_services.h"

namespace {

namespace fs = std::filesystem;

const fs::path kBuild = SKERROWEN_BINARY_DIR;
constexpr std::uint32_t kClearPixel = 0x000033;
constexpr std::uint32_t kGreyPixel = 0x808080;
const char* const kMapName = "MAP_3340_6_52";  // the view of an empty store

// The clipboard, the picture decoders and the settings store need a Qt application; one
// lives for the whole test program.
class QtApplication : public ::testing::Environment {
 public:
  void SetUp() override {
    if (QCoreApplication::instance() != nullptr) return;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "test_app";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QGuiApplication> app_;
};
::testing::Environment* const kQtApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string Le(std::uint32_t value, int bytes) {
  std::string out;
  for (int k = 0; k < bytes; ++k) out += static_cast<char>((value >> (8 * k)) & 0xFF);
  return out;
}

// A 24-bit BMP header claiming `width` x `height`, followed by `pixelBytes` bytes of grey.
std::string BmpWithHeader(std::int32_t width, std::int32_t height, std::size_t pixelBytes) {
  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width < 0 ? -width : width) * 3 + 3) / 4 * 4;
  const std::uint64_t imageBytes = rowBytes * static_cast<std::uint64_t>(height < 0 ? -height : height);
  std::string b = "BM" + Le(static_cast<std::uint32_t>(54 + imageBytes), 4) + Le(0, 4) + Le(54, 4);
  b += Le(40, 4) + Le(static_cast<std::uint32_t>(width), 4) + Le(static_cast<std::uint32_t>(height), 4);
  b += Le(1, 2) + Le(24, 2) + Le(0, 4) + Le(static_cast<std::uint32_t>(imageBytes), 4);
  b += Le(2835, 4) + Le(2835, 4) + Le(0, 4) + Le(0, 4);
  return b + std::string(pixelBytes, '\x80');
}

// Deterministic noise: the same bytes on every run.
std::string Noise(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    seed = seed * 1664525U + 1013904223U;
    c = static_cast<char>(seed >> 24);
  }
  return bytes;
}

// A textured quad as a .x file; `faces` is its face list, so a row can break it.
std::string QuadModel(const std::string& faces, const std::string& texture) {
  std::string x =
      "xof 0302txt 0032\n"
      "Mesh quad {\n 4;\n -1.0;-1.0;5.0;, -1.0;1.0;5.0;, 1.0;1.0;5.0;, 1.0;-1.0;5.0;;\n" +
      faces +
      " MeshNormals { 1; 0.0;0.0;-1.0;; 2; 3;0,0,0;, 3;0,0,0;; }\n"
      " MeshTextureCoords { 4; 0.0;1.0;, 0.0;0.0;, 1.0;0.0;, 1.0;1.0;; }\n"
      " MeshMaterialList { 1; 2; 0, 0;\n  Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;;\n";
  if (!texture.empty()) x += "   TextureFilename { \"" + texture + "\"; }\n";
  return x + "  }\n }\n}\n";
}

// The peak resident size since the last reset, in kB; the reset makes a huge allocation by
// the code under test show whatever earlier tests used.
long PeakResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}
void ResetPeakResident() { WriteFile("/proc/self/clear_refs", "5"); }

// Files of the working directory that fail the way the kernel fails them: every write with
// `code` (EROFS: nothing can be created), or, with a byte quota, once the quota is spent
// (ENOSPC: small files still fit, a map bitmap does not).
class FailingFileStore : public FileStore {
 public:
  FailingFileStore(int code, std::size_t quota) : code_(code), quota_(quota) {}
  std::optional<std::string> CheckTarget(const std::string& path) override { return real_.CheckTarget(path); }
  bool WriteWholeFiles(const std::vector<WholeFile>& files, WriteFailure* failure,
                       const StopAsked& stop) override {
    for (std::size_t k = 0; k < files.size(); ++k) {
      if (!Take(files[k].bytes.size())) {
        failure->file = k;
        return Fail(files[k].path, &failure->reason);
      }
    }
    return real_.WriteWholeFiles(files, failure, stop);
  }
  bool Append(const std::string& path, const std::string& bytes, std::string* error) override {
    if (!Take(bytes.size())) return Fail(path, error);
    return real_.Append(path, bytes, error);
  }

 private:
  bool Take(std::size_t bytes) {
    if (bytes > quota_) return false;
    quota_ -= bytes;
    return true;
  }
  bool Fail(const std::string& path, std::string* error) const {
    if (error) *error = path + ": " + std::strerror(code_);
    return false;
  }
  int code_;
  std::size_t quota_;
  PosixFileStore real_;
};

struct SessionResult {
  int ticks[4] = {0, 0, 0, 0};   // per pass, 1-based
  int frames[4] = {0, 0, 0, 0};  // ticks whose frame reached Picture1
  bool ended = false;            // the program ended itself (Esc), nothing else escaped
  bool runaway = false;          // stopped by the test: the program did not end as told
  std::optional<std::uint32_t> firstFrameCentre;
  std::string firstFrameCaption;
};

class BadInput : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    root = fs::temp_directory_path() / ("skerrowen-bad-input-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(root);
    work = root / "work";
    programDir = root / "program";
    fs::create_directories(work);
    fs::create_directories(programDir);
    fs::copy_file(kBuild / "5.x", programDir / "5.x");
    fs::copy_file(kBuild / "earth.jpg", programDir / "earth.jpg");
    oldCwd = fs::current_path();
    screen.widthTwips = 1280 * 15;
    screen.heightTwips = 1024 * 15;
  }

  void TearDown() override {
    program.reset();
    fs::current_path(oldCwd);
    for (const fs::path& mount : mounts) ::umount2(mount.c_str(), MNT_DETACH);
    std::error_code ignored;
    fs::permissions(work, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root, ignored);
  }

  // The working directory as the program starts in it: earthmap.bmp unless a row breaks it.
  void EnterWorkingDirectory(bool withEarthMap = true) {
    if (withEarthMap) fs::copy_file(kBuild / "maps" / "earthmap.bmp", work / "earthmap.bmp");
    fs::current_path(work);
  }

  Program& MakeProgram(SettingsStore& settings, FileStore& files) {
    program = std::make_unique<Program>(
        ProgramServices{pictures, clock, settings, messages, clipboard, files, pictureFiles, window, process,
                        screen, programDir.string(), [](ScreenSize size) { return Direct3DCreate8(size); },
                        D3DXCreateTextureFromFile});
    return *program;
  }
  Program& MakeProgram() { return MakeProgram(memoryStore, posixFiles); }

  // Runs Main. `script(pass, tick)` plays the operator at every tick of the loop; the
  // redraw's event processing is left alone.
  SessionResult Run(const std::function<void(int pass, int tick)>& script) {
    SessionResult r;
    // A pixel no frame draws, set after every tick: a tick whose frame was presented finds
    // it gone, since a frame covers the whole of Picture1.
    constexpr std::uint32_t kMarker = 0xFE01FE;
    pictures.Picture1.MutablePixels()[0] = kMarker;
    long events = 0;
    window.onDoEvents = [&] {
      QCoreApplication::processEvents();
      if (++events > 400000) {
        r.runaway = true;
        program->Form_Unload();
      }
      if (window.caption.rfind("Skerrowen", 0) != 0) return;  // the redraw's progress
      const int pass = window.shows;
      if (pass > 3) {
        r.runaway = true;
        program->Form_Unload();
      }
      const int tick = ++r.ticks[pass];
      // Each tick in a second of its own: the sun moves, so no tick rests and each presents.
      clock.now.second = (clock.now.second + 1) % 60;
      if (pictures.Picture1.Pixels()[0] != kMarker) ++r.frames[pass];
      if (!r.firstFrameCentre) {
        r.firstFrameCentre = pictures.Picture1.Pixels()[278 * 557 + 278];
        r.firstFrameCaption = window.caption;
      }
      if (tick > 2000) {
        r.runaway = true;
        program->Form_Unload();
      }
      pictures.Picture1.MutablePixels()[0] = kMarker;
      script(pass, tick);
    };
    try {
      program->Main();
    } catch (const ProgramEnded&) {
      r.ended = !r.runaway;
    } catch (const std::exception& e) {
      ADD_FAILURE() << "an exception escaped the program: " << e.what();
    }
    window.onDoEvents = nullptr;
    return r;
  }

  // Enter after three ticks of the first pass, Esc after three ticks of the second: two
  // set-ups, two redraws, four map stores.
  SessionResult EnterThenEsc() {
    return Run([this](int pass, int tick) {
      if (tick != 3) return;
      program->Form_KeyDown(pass == 1 ? vk::Enter : vk::Escape, 0);
      program->Form_KeyUp(pass == 1 ? vk::Enter : vk::Escape, 0);
    });
  }

  static void ExpectWentOn(const SessionResult& r) {
    EXPECT_TRUE(r.ended) << "the program did not end through Esc";
    EXPECT_FALSE(r.runaway);
    EXPECT_EQ(r.ticks[1], 3);
    EXPECT_EQ(r.ticks[2], 3) << "no second pass after the redraw";
    EXPECT_EQ(r.frames[1], r.ticks[1]) << "ticks without a frame";
    EXPECT_EQ(r.frames[2], r.ticks[2]) << "ticks without a frame";
  }

  // No temporary file left, and every map bitmap stands with its side file and back.
  void ExpectNothingHalfWritten(const fs::path& dir) {
    for (const auto& entry : fs::directory_iterator(dir)) {
      const std::string name = entry.path().filename().string();
      EXPECT_FALSE(IsOwnTemporaryName(name)) << "temporary file left: " << name;
      if (name.rfind("MAP_", 0) != 0 || name.size() < 4) continue;
      const std::string base = name.substr(0, name.size() - 4);
      const std::string extension = name.substr(name.size() - 4);
      if (extension == ".BMP") {
        EXPECT_TRUE(fs::exists(dir / (base + ".DAT"))) << name << " without its side file";
      }
      if (extension == ".DAT") {
        EXPECT_TRUE(fs::exists(dir / (base + ".BMP"))) << name << " without its bitmap";
      }
    }
  }

  // The stored map of `name`: a 557 x 557 bitmap with its side file.
  std::optional<Picture> StoredMap(const std::string& name) {
    EXPECT_TRUE(fs::exists(work / (name + ".DAT"))) << name << ".DAT";
    auto picture = ReadBmpFile((work / (name + ".BMP")).string());
    EXPECT_TRUE(picture) << name << ".BMP missing or not a bitmap";
    if (picture) {
      EXPECT_EQ(picture->width, 557);
      EXPECT_EQ(picture->height, 557);
    }
    return picture;
  }

  int MessagesContaining(const std::string& part) const {
    int n = 0;
    for (const auto& m : messages.shown) n += Contains(m.text, part) ? 1 : 0;
    return n;
  }

  std::string AllMessages() const {
    std::string all;
    for (const auto& m : messages.shown) all += "[" + m.title + "] " + m.text + "\n";
    return all;
  }

  // Mounts a fresh tmpfs of `size` on `dir`; false (and the reason) when this machine
  // does not let the test do it.
  bool MountTmpfs(const fs::path& dir, const std::string& size, std::string* why) {
    if (::geteuid() != 0) {
      *why = "mounting a tmpfs needs root";
      return false;
    }
    if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, ("size=" + size + ",mode=0755").c_str()) != 0) {
      *why = std::string("mount -t tmpfs failed: ") + std::strerror(errno);
      return false;
    }
    mounts.push_back(dir);
    return true;
  }

  fs::path root, work, programDir, oldCwd;
  std::vector<fs::path> mounts;
  Pictures pictures;
  FakeClock clock;
  MemorySettingsStore memoryStore;
  RecordingMessageBoxes messages;
  QtClipboard clipboard;
  PosixFileStore posixFiles;
  QtPictureFiles pictureFiles;
  FakeWindow window;
  ThrowingProcessControl process;
  ScreenGeometry screen;
  std::unique_ptr<Program> program;
};

// ---------------------------------------------------------------------------------------
// Settings: values that are no numbers or no usable ones. The start value stands in, the
// operator is told once which value was refused, the first view step writes good values
// back, and the program runs.

struct SettingsRow {
  const char* name;
  const char* key;
  const char* text;
  const char* firstCaption;  // the caption the first frame shows
};
void PrintTo(const SettingsRow& row, std::ostream* out) { *out << row.name; }

class BadSetting : public BadInput, public ::testing::WithParamInterface<SettingsRow> {};

TEST_P(BadSetting, StartValueStandsInAndTheOperatorIsTold) {
  const SettingsRow& row = GetParam();
  EnterWorkingDirectory();
  memoryStore.values[std::string("Setting/") + row.key] = row.text;
  MakeProgram();
  const SessionResult r = EnterThenEsc();
  ExpectWentOn(r);
  EXPECT_EQ(r.firstFrameCaption, row.firstCaption);
  ASSERT_EQ(messages.shown.size(), 1u) << AllMessages();
  EXPECT_EQ(messages.shown[0].title, "ERROR");
  EXPECT_TRUE(Contains(messages.shown[0].text, row.key)) << messages.shown[0].text;
  EXPECT_TRUE(Contains(messages.shown[0].text, std::string("\"") + row.text + "\""))
      << messages.shown[0].text;
  if (std::string(row.key) != "Offset") {
    EXPECT_EQ(memoryStore.values[std::string("Setting/") + row.key], row.key == std::string("Rotation")
                                                                         ? "264"
                                                                     : row.key == std::string("Tilt") ? "52"
                                                                                                      : "0");
  }
  StoredMap(kMapName);
}

const char* const kStartCaption = "Skerrowen, Long:  006 Lat:  52 Radius: 3340";

INSTANTIATE_TEST_SUITE_P(
    Rows, BadSetting,
    ::testing::Values(SettingsRow{"RotationWords", "Rotation", "abc", kStartCaption},
                      SettingsRow{"TiltBlank", "Tilt", " ", kStartCaption},
                      SettingsRow{"DistanceTrailingText", "Distance", "12abc", kStartCaption},
                      SettingsRow{"OffsetDoubleSign", "Offset", "--5", kStartCaption},
                      SettingsRow{"RotationBeyond16Bits", "Rotation", "99999", kStartCaption},
                      SettingsRow{"TiltFarNegative", "Tilt", "-40000", kStartCaption},
                      SettingsRow{"DistanceOverflows", "Distance", "1e999", kStartCaption},
                      SettingsRow{"DistanceNotANumber", "Distance", "NaN", kStartCaption},
                      SettingsRow{"DistanceHexadecimal", "Distance", "0x14", kStartCaption}),
    [](const auto& info) { return std::string(info.param.name); });

// The real store: values that Qt itself reads as something other than text, a file that
// cannot be written, and a hand-written decimal comma.
class SettingsFile : public BadInput {
 protected:
  std::unique_ptr<QtSettingsStore> RealStore(const fs::path& configHome) {
    ::setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
    const std::string file = QtSettingsStore::UserStoreFile("skerrowen");
    EXPECT_EQ(file, (configHome / "skerrowen" / "skerrowen.conf").string());
    return std::make_unique<QtSettingsStore>(file);
  }
  void WriteConf(const fs::path& configHome, const std::string& text) {
    fs::create_directories(configHome / "skerrowen");
    WriteFile(configHome / "skerrowen" / "skerrowen.conf", text);
  }
};

TEST_F(SettingsFile, ValuesOfAnotherTypeKeepTheStartValues) {
  EnterWorkingDirectory();
  const fs::path config = root / "config";
  WriteConf(config,
            "[Setting]\nRotation=@Rect(1 2 3 4)\nTilt=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x10\\xff\\xff)\n");
  auto store = RealStore(config);
  MakeProgram(*store, posixFiles);
  const SessionResult r = EnterThenEsc();
  ExpectWentOn(r);
  EXPECT_EQ(r.firstFrameCaption, kStartCaption);
  EXPECT_EQ(MessagesContaining("Rotation"), 1) << AllMessages();
  EXPECT_EQ(MessagesContaining("Tilt"), 1) << AllMessages();
  store->Sync();
  QSettings reread(QString::fromStdString((config / "skerrowen" / "skerrowen.conf").string()),
                   QSettings::IniFormat);
  EXPECT_EQ(reread.value("Setting/Rotation").toString(), "264");
  EXPECT_EQ(reread.value("Setting/Tilt").toString(), "52");
}

TEST_F(SettingsFile, GarbledFileGivesTheStartViewAndIsReplacedByAGoodOne) {
  EnterWorkingDirectory();
  const fs::path config = root / "config";
  WriteConf(config, "[Setting]\nRotation=" + Noise(300, 7) + "\n" + Noise(4000, 8));
  auto store = RealStore(config);
  MakeProgram(*store, posixFiles);
  const SessionResult r = EnterThenEsc();
  ExpectWentOn(r);
  EXPECT_EQ(r.firstFrameCaption, kStartCaption);
  store->Sync();
  QSettings reread(QString::fromStdString((config / "skerrowen" / "skerrowen.conf").string()),
                   QSettings::IniFormat);
  EXPECT_EQ(reread.value("Setting/Rotation").toString(), "264");
}

// Writers killed half-way through a settings write leave lock files: the store's lock and
// the ".rmlock" chain Qt removes stale locks under, the last one possibly empty. Qt would wait
// 30 s on an empty one inside the loop. Locks of running programs are Qt's to judge.
TEST_F(SettingsFile, LocksLeftByKilledWritersAreClearedAndTheStoreStillWrites) {
  const fs::path config = root / "config";
  WriteConf(config, "[Setting]\nRotation=100\n");
  const fs::path lock = config / "skerrowen" / "skerrowen.conf.lock";
  const fs::path rmlock = lock.string() + ".rmlock", rmrmlock = rmlock.string() + ".rmlock";
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  ASSERT_GT(gone, 0);
  waitpid(gone, nullptr, 0);
  const std::string host = QSysInfo::machineHostName().toStdString();
  const std::string deadOwner = std::to_string(gone) + "\nskerrowen\n" + host + "\n";
  WriteFile(lock, deadOwner);
  WriteFile(rmlock, deadOwner);
  WriteFile(rmrmlock, "");
  auto store = RealStore(config);
  EXPECT_FALSE(fs::exists(lock));
  EXPECT_FALSE(fs::exists(rmlock));
  EXPECT_FALSE(fs::exists(rmrmlock));
  EXPECT_EQ(store->Read("Setting", "Rotation"), "100");
  std::string error;
  ASSERT_TRUE(store->Write("Setting", "Rotation", "101", &error)) << error;
  store->Sync();
  QSettings reread(QString::fromStdString((config / "skerrowen" / "skerrowen.conf").string()),
                   QSettings::IniFormat);
  EXPECT_EQ(reread.value("Setting/Rotation").toString(), "101");

  for (const std::string& owner : {std::to_string(getpid()) + "\nskerrowen\n" + host + "\n",
                                   std::string("1\nskerrowen\nanother-host\n")}) {
    store.reset();
    WriteFile(lock, owner);
    store = RealStore(config);
    EXPECT_TRUE(fs::exists(lock)) << owner;
    fs::remove(lock);
  }
}

TEST_F(SettingsFile, HandWrittenDecimalCommaIsReadInACommaLocale) {
  EnterWorkingDirectory();
  const fs::path config = root / "config";
  WriteConf(config, "[Setting]\nDistance=10,5\n");  // unquoted: Qt reads it as a list of two
  auto store = RealStore(config);
  MakeProgram(*store, posixFiles);
  const SessionResult r = EnterThenEsc();
  ExpectWentOn(r);
  EXPECT_EQ(r.firstFrameCaption, "Skerrowen, Long:  006 Lat:  52 Radius: 1586");
  EXPECT_TRUE(messages.shown.empty()) << AllMessages();
}

TEST_F(SettingsFile, UnwritableStoreIsReportedOnceByNameAndTheViewStillMoves) {
  EnterWorkingDirectory();
  const fs::path config = root / "config";
  WriteFile(config, "a file where the settings directory would go");  // even root cannot write there
  auto store = RealStore(config);
  MakeProgram(*store, posixFiles);
  const SessionResult r = Run([this](int pass, int tick) {
    if (pass == 1 && tick == 1) program->Form_KeyDown(vk::Left, 0);
    if (pass == 1 && tick == 30) program->Form_KeyUp(vk::Left, 0);
    if (tick == 31 || (pass == 2 && tick == 3)) program->Form_KeyUp(pass == 1 ? vk::Enter : vk::Escape, 0);
  });
  EXPECT_TRUE(r.ended);
  EXPECT_EQ(r.ticks[2], 3);
  EXPECT_EQ(r.frames[1], r.ticks[1]);
  EXPECT_GT(program->view().Rotation, 264) << "the view stopped moving";
  ASSERT_EQ(messages.shown.size(), 1u) << AllMessages();
  EXPECT_EQ(messages.shown[0].title, "ERROR");
  EXPECT_TRUE(Contains(messages.shown[0].text, "skerrowen.conf")) << messages.shown[0].text;
  EXPECT_FALSE(fs::is_directory(config));
}

TEST_F(SettingsFile, FailingStoreStandInIsReportedOnce) {
  EnterWorkingDirectory();
  memoryStore.failWrites = true;
  MakeProgram();
  const SessionResult r = EnterThenEsc();
  ExpectWentOn(r);
  ASSERT_EQ(messages.shown.size(), 1u) << AllMessages();
  EXPECT_EQ(messages.shown[0].title, "ERROR");
  EXPECT_TRUE(Contains(messages.shown[0].text, "skerrowen.conf")) << messages.shown[0].text;
  StoredMap(kMapName);
}

// Root reads and writes every file whatever its mode. The calling thread gives that right up
// while this lives, so a row can meet an unreadable file as an operator would.
class WithoutFileOverride {
 public:
  WithoutFileOverride() {
    if (::syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    reduced[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
    dropped_ = ::syscall(SYS_capset, &header_, reduced) == 0;
  }
  ~WithoutFileOverride() {
    if (dropped_) ::syscall(SYS_capset, &header_, saved_);
  }
  WithoutFileOverride(const WithoutFileOverride&) = delete;
  WithoutFileOverride& operator=(const WithoutFileOverride&) = delete;

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2] = {};
  bool dropped_ = false;
};

// A store the settings library would mishandle: a named pipe it would block on for ever, a
// link whose pipe or device the first save would replace by a text file, a file far too large
// to rewrite at every view step, one it cannot read, and lines it silently drops. A refused
// store is told once, left exactly as it was, and the view of the run lives in memory; lines
// not understood are named once, the store is read and saved, and no save is reported failed.
struct StoreFileRow {
  const char* name;
  std::function<bool(const fs::path& store, std::string* skip)> make;  // false: skip the row
  std::vector<std::string> told;  // parts of the one message; none: no message
  bool refused;
  const char* firstCaption;
};
void PrintTo(const StoreFileRow& row, std::ostream* out) { *out << row.name; }

class SettingsStoreFile : public SettingsFile, public ::testing::WithParamInterface<StoreFileRow> {};

// What a store is on disk, to see that a refused one was not touched.
std::string Describe(const fs::path& path) {
  struct stat entry {};
  if (::lstat(path.c_str(), &entry) != 0) return "missing";
  std::string described = std::to_string(entry.st_mode) + " " + std::to_string(entry.st_size) + " " +
                          std::to_string(entry.st_ino) + " " + std::to_string(entry.st_mtim.tv_nsec);
  if (S_ISLNK(entry.st_mode))
    described += " -> " + fs::read_symlink(path).string() + " " + Describe(fs::canonical(path));
  if (S_ISREG(entry.st_mode) && entry.st_size < 4096) described += " " + ReadFile(path);
  return described;
}

TEST_P(SettingsStoreFile, RefusedOrReadAsItIsAndToldOnce) {
  const StoreFileRow& row = GetParam();
  EnterWorkingDirectory();
  const fs::path config = root / "config";
  const fs::path store = config / "skerrowen" / "skerrowen.conf";
  fs::create_directories(store.parent_path());
  std::string skip;
  if (!row.make(store, &skip)) GTEST_SKIP() << skip;
  const std::string before = Describe(store);
  std::vector<std::string> entries;
  for (const auto& entry : fs::directory_iterator(store.parent_path()))
    entries.push_back(entry.path().string());

  const auto start = std::chrono::steady_clock::now();
  std::unique_ptr<QtSettingsStore> real;
  {
    WithoutFileOverride operatorRights;
    real = RealStore(config);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  MakeProgram(*real, posixFiles);
  // Left held for 10 ticks, a redraw, and in the next pass the view must be where it was.
  int rotationAtStart = -1, rotationBeforeRedraw = -1, rotationInPass2 = -1;
  const SessionResult r = Run([&](int pass, int tick) {
    if (pass == 1 && tick == 1) {
      rotationAtStart = program->view().Rotation;
      program->Form_KeyDown(vk::Left, 0);
    }
    if (pass == 1 && tick == 10) program->Form_KeyUp(vk::Left, 0);
    if (pass == 1 && tick == 12) {
      rotationBeforeRedraw = program->view().Rotation;
      program->Form_KeyUp(vk::Enter, 0);
    }
    if (pass == 2 && tick == 1) rotationInPass2 = program->view().Rotation;
    if (pass == 2 && tick == 3) program->Form_KeyUp(vk::Escape, 0);
  });
  EXPECT_TRUE(r.ended);
  EXPECT_EQ(r.ticks[2], 3);
  EXPECT_EQ(r.frames[1] + r.frames[2], r.ticks[1] + r.ticks[2]) << "ticks without a frame";
  EXPECT_EQ(r.firstFrameCaption, row.firstCaption);
  EXPECT_GT(rotationBeforeRedraw, rotationAtStart) << "the view did not move";
  EXPECT_EQ(rotationInPass2, rotationBeforeRedraw) << "the moved view was lost at the next pass";
  EXPECT_EQ(MessagesContaining("could not be saved"), 0) << AllMessages();
  ASSERT_EQ(messages.shown.size(), row.told.empty() ? 0u : 1u) << AllMessages();
  for (const std::string& part : row.told) {
    EXPECT_TRUE(Contains(messages.shown[0].text, part))
        << "'" << part << "' not in: " << messages.shown[0].text;
  }
  if (!row.told.empty()) {
    EXPECT_TRUE(Contains(messages.shown[0].text, store.string())) << messages.shown[0].text;
  }
  real->Sync();

  std::vector<std::string> after;
  for (const auto& entry : fs::directory_iterator(store.parent_path()))
    after.push_back(entry.path().string());
  if (row.refused) {
    EXPECT_EQ(Describe(store), before) << "a refused store was changed";
    std::sort(entries.begin(), entries.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, entries) << "files were made beside a refused store";
    return;
  }
  // Read and saved: what is on disk now is the moved view, in a store that reads cleanly.
  QSettings reread(QString::fromStdString(store.string()), QSettings::IniFormat);
  EXPECT_EQ(reread.value("Setting/Rotation").toString().toStdString(), std::to_string(rotationBeforeRedraw));
  reread.allKeys();
  EXPECT_EQ(reread.status(), QSettings::NoError) << ReadFile(store);
}

// Lines not understood leave Qt's status at a format error for good; a save that then fails
// must still be told, once, besides the lines.
TEST_F(SettingsFile, SaveFailingAfterLinesNotUnderstoodIsStillTold) {
  EnterWorkingDirectory();
  const fs::path config = root / "config";
  WriteConf(config, "[Setting]\nRotation=100\nnoequals\n");
  fs::permissions(config / "skerrowen", fs::perms(0555));
  WithoutFileOverride operatorRights;
  auto store = RealStore(config);
  MakeProgram(*store, posixFiles);
  const SessionResult r = Run([this](int pass, int tick) {
    if (pass == 1 && tick == 1) program->Form_KeyDown(vk::Left, 0);
    if (pass == 1 && tick == 10) program->Form_KeyUp(vk::Left, 0);
    if (tick == 12) program->Form_KeyUp(pass == 1 ? vk::Enter : vk::Escape, 0);
  });
  fs::permissions(config / "skerrowen", fs::perms::owner_all);
  EXPECT_TRUE(r.ended);
  EXPECT_EQ(MessagesContaining("line 3: \"noequals\""), 1) << AllMessages();
  EXPECT_EQ(MessagesContaining("could not be saved: cannot write"), 1) << AllMessages();
  EXPECT_EQ(MessagesContaining("(access denied or disk full)"), 1) << AllMessages();
  EXPECT_EQ(messages.shown.size(), 2u) << AllMessages();
  EXPECT_EQ(ReadFile(config / "skerrowen" / "skerrowen.conf"), "[Setting]\nRotation=100\nnoequals\n");
}

bool WriteStore(const fs::path& store, const std::string& text) {
  WriteFile(store, text);
  return true;
}

bool MakeFifo(const fs::path& path, std::string* skip) {
  if (::mkfifo(path.c_str(), 0644) == 0) return true;
  *skip = std::string("mkfifo: ") + std::strerror(errno);
  return false;
}

const char* const kStoredCaption = "Skerrowen, Long:  170 Lat:  52 Radius: 3340";  // Rotation 100

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsStoreFile,
    ::testing::Values(
        StoreFileRow{"NamedPipe",
                     [](const fs::path& s, std::string* skip) { return MakeFifo(s, skip); },
                     {"is a named pipe, not a regular file", "neither read nor written"},
                     true,
                     kStartCaption},
        StoreFileRow{"LinkToANamedPipe",
                     [](const fs::path& s, std::string* skip) {
                       fs::create_symlink("pipe", s);
                       return MakeFifo(s.parent_path() / "pipe", skip);
                     },
                     {"is a link to pipe, which is a named pipe", "neither read nor written"},
                     true,
                     kStartCaption},
        StoreFileRow{"LinkToADevice",
                     [](const fs::path& s, std::string* skip) {
                       // A null device of its own, so a fault cannot replace the machine's.
                       if (::mknod((s.parent_path() / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
                         *skip = std::string("mknod: ") + std::strerror(errno);
                         return false;
                       }
                       fs::create_symlink("null", s);
                       return true;
                     },
                     {"is a link to null, which is a character device", "neither read nor written"},
                     true,
                     kStartCaption},
        StoreFileRow{"FarTooLarge",
                     [](const fs::path& s, std::string*) {
                       WriteFile(s, "[Setting]\nRotation=100\n");
                       fs::resize_file(s, 100 * 1024 * 1024);  // sparse: no 100 MB written
                       return true;
                     },
                     {"is 104857600 bytes long", "neither read nor written"},
                     true,
                     kStartCaption},
        StoreFileRow{"Unreadable",
                     [](const fs::path& s, std::string*) {
                       WriteFile(s, "[Setting]\nRotation=100\n");
                       fs::permissions(s, fs::perms::none);
                       return true;
                     },
                     {"cannot be read (Permission denied)", "neither read nor written"},
                     true,
                     kStartCaption},
        StoreFileRow{"LinkToARegularFile",
                     [](const fs::path& s, std::string*) {
                       fs::create_directory(s.parent_path() / "dotfiles");
                       WriteFile(s.parent_path() / "dotfiles" / "skerrowen.conf",
                                 "[Setting]\nRotation=100\n");
                       fs::create_symlink("dotfiles/skerrowen.conf", s);
                       return true;
                     },
                     {},
                     false,
                     kStoredCaption},
        StoreFileRow{"ByteOrderMark",
                     [](const fs::path& s, std::string*) {
                       return WriteStore(s, "\xEF\xBB\xBF[Setting]\nRotation=100\n");
                     },
                     {},
                     false,
                     kStoredCaption},
        StoreFileRow{
            "SectionWithoutItsBracket",
            [](const fs::path& s, std::string*) { return WriteStore(s, "[Setting\nRotation=100\n"); },
            {"line 1: \"[Setting\" (no \"]\")", "gets its \"]\""},
            false,
            kStoredCaption},
        StoreFileRow{"LineWithoutEquals",
                     [](const fs::path& s, std::string*) {
                       return WriteStore(s, "[Setting]\nRotation=100\nTilt 40\n# a note\n");
                     },
                     {"line 3: \"Tilt 40\" (no \"=\")", "line 4: \"# a note\"", "are dropped"},
                     false,
                     kStoredCaption},
        StoreFileRow{"BinaryJunk",
                     [](const fs::path& s, std::string*) {
                       return WriteStore(
                           s, std::string("[Setting]\nRotation=100\n\x01\x02\xFF junk\n\x80\x81\n\x1B[0m\n") +
                                  Noise(2000, 12) + "\n");
                     },
                     {"line 3: \"??? junk\" (no \"=\")", "line 4: \"??\"", "line 5: \"?[0m\"", " more."},
                     false,
                     kStoredCaption}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// The Earth picture "earthmap.bmp": whatever is wrong with it, Picture2 stays black, the
// picture is refused quickly without a huge allocation, and a redraw stores a black map.

struct EarthPictureRow {
  const char* name;
  std::function<void(const fs::path& file)> make;
};
void PrintTo(const EarthPictureRow& row, std::ostream* out) { *out << row.name; }

class BadEarthPicture : public BadInput, public ::testing::WithParamInterface<EarthPictureRow> {};

TEST_P(BadEarthPicture, Picture2StaysBlackAndARedrawStoresABlackMap) {
  EnterWorkingDirectory(false);
  GetParam().make(work / "earthmap.bmp");

  ResetPeakResident();
  const long peakBefore = PeakResidentKb();
  const auto start = std::chrono::steady_clock::now();
  std::string error;
  EXPECT_FALSE(pictureFiles.Load("earthmap.bmp", &error).has_value());
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, std::chrono::seconds(1));
  if (peakBefore > 0) {
    EXPECT_LT(PeakResidentKb() - peakBefore, 64 * 1024) << "kB allocated for a refused picture";
  }
  EXPECT_FALSE(error.empty());

  MakeProgram();
  const SessionResult r = EnterThenEsc();
  ExpectWentOn(r);
  EXPECT_FALSE(pictures.Picture2.GetPicture());
  for (int i = 0; i < 557 * 557; ++i) ASSERT_EQ(pictures.Picture2.Pixels()[i], 0u) << "Picture2 pixel " << i;
  const auto map = StoredMap(kMapName);
  if (map) {
    for (std::uint32_t pixel : map->pixels)
      ASSERT_EQ(pixel, 0u) << "the redraw of a black texture is not black";
  }
  ExpectNothingHalfWritten(work);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BadEarthPicture,
    ::testing::Values(
        EarthPictureRow{"Missing", [](const fs::path&) {}},
        EarthPictureRow{"EmptyFile", [](const fs::path& f) { WriteFile(f, ""); }},
        EarthPictureRow{"Truncated",
                        [](const fs::path& f) {
                          WriteFile(f, ReadFile(kBuild / "maps" / "earthmap.bmp").substr(0, 30));
                        }},
        EarthPictureRow{"TruncatedInItsPixels",
                        [](const fs::path& f) {
                          WriteFile(f, ReadFile(kBuild / "maps" / "earthmap.bmp").substr(0, 10000));
                        }},
        EarthPictureRow{"NotAPicture", [](const fs::path& f) { WriteFile(f, "This is not a picture.\r\n"); }},
        EarthPictureRow{"Noise", [](const fs::path& f) { WriteFile(f, Noise(100000, 3)); }},
        EarthPictureRow{"HugeDimensionsInTheHeader",
                        [](const fs::path& f) { WriteFile(f, BmpWithHeader(100000, 100000, 3000)); }},
        EarthPictureRow{"DimensionsOverTheAllocationLimit",
                        [](const fs::path& f) { WriteFile(f, BmpWithHeader(16000, 16000, 3000)); }},
        EarthPictureRow{"NegativeWidthInTheHeader",
                        [](const fs::path& f) { WriteFile(f, BmpWithHeader(-557, 557, 3000)); }},
        EarthPictureRow{"ZeroSizeInTheHeader",
                        [](const fs::path& f) { WriteFile(f, BmpWithHeader(0, 0, 0)); }},
        EarthPictureRow{"ADirectory", [](const fs::path& f) { fs::create_directory(f); }},
        // A named pipe would hold the program in its open for ever: refused as unreadable.
        EarthPictureRow{"ANamedPipe", [](const fs::path& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0644), 0); }},
        // Qt reads a cut-off run-length bitmap without an error: a silently wrong map.
        EarthPictureRow{"RunLength8CutShort",
                        [](const fs::path& f) {
                          const std::string whole = RunLengthBmp(8, 557, 557);
                          WriteFile(f, whole.substr(0, whole.size() / 2));
                        }},
        EarthPictureRow{"RunLength4CutShort",
                        [](const fs::path& f) {
                          const std::string whole = RunLengthBmp(4, 557, 557);
                          WriteFile(f, whole.substr(0, whole.size() - 3));
                        }}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// The globe model "5.x" and its texture: one "Error loading models" per set-up, frames are
// still drawn (the clear colour alone when the mesh is gone), and Esc still redraws and
// stores the map.

struct ModelRow {
  const char* name;
  std::function<void(const fs::path& programDir)> breakIt;
  bool meshLoads;  // only the texture fails: the globe is drawn untextured
};
void PrintTo(const ModelRow& row, std::ostream* out) { *out << row.name; }

class BadModel : public BadInput, public ::testing::WithParamInterface<ModelRow> {};

TEST_P(BadModel, ErrorLoadingModelsAndFramesGoOn) {
  EnterWorkingDirectory();
  GetParam().breakIt(programDir);
  MakeProgram();
  const auto start = std::chrono::steady_clock::now();
  const SessionResult r = EnterThenEsc();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  ExpectWentOn(r);
  ASSERT_EQ(messages.shown.size(), 2u) << "one message per set-up\n" << AllMessages();
  for (const auto& m : messages.shown) {
    EXPECT_EQ(m.text, "Error loading models");
    EXPECT_EQ(m.title, "ERROR");
    EXPECT_EQ(m.icon, MessageIcon::Critical);
  }
  ASSERT_TRUE(r.firstFrameCentre);
  if (GetParam().meshLoads) {
    EXPECT_NE(*r.firstFrameCentre, kClearPixel) << "the untextured globe was not drawn";
  } else {
    EXPECT_EQ(*r.firstFrameCentre, kClearPixel) << "a frame without a mesh shows the clear colour";
  }
  EXPECT_EQ(r.firstFrameCaption, kStartCaption);
  StoredMap(kMapName);
  ExpectNothingHalfWritten(work);
}

const std::string kQuadFaces = " 2;\n 3;0,1,2;, 3;0,2,3;;\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, BadModel,
    ::testing::Values(
        ModelRow{"Missing", [](const fs::path& p) { fs::remove(p / "5.x"); }, false},
        ModelRow{"Empty", [](const fs::path& p) { WriteFile(p / "5.x", ""); }, false},
        ModelRow{"Truncated",
                 [](const fs::path& p) {
                   const std::string whole = ReadFile(p / "5.x");
                   WriteFile(p / "5.x", whole.substr(0, whole.size() / 2));
                 },
                 false},
        ModelRow{"HeaderOnly", [](const fs::path& p) { WriteFile(p / "5.x", "xof 0302txt 0032\n"); }, false},
        ModelRow{"Garbled",
                 [](const fs::path& p) { WriteFile(p / "5.x", "xof 0302txt 0032\n" + Noise(65536, 11)); },
                 false},
        ModelRow{"GarbledInTheMiddle",
                 [](const fs::path& p) {
                   std::string whole = ReadFile(p / "5.x");
                   whole.replace(whole.size() / 3, 4096, Noise(4096, 5));
                   WriteFile(p / "5.x", whole);
                 },
                 false},
        ModelRow{"HugeVertexCount",
                 [](const fs::path& p) {
                   WriteFile(p / "5.x",
                             "xof 0302txt 0032\nMesh m {\n 2000000000;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;;\n"
                             " 1;\n 3;0,1,2;;\n}\n");
                 },
                 false},
        ModelRow{"HugeFaceCount",
                 [](const fs::path& p) {
                   WriteFile(p / "5.x", QuadModel(" 4000000000;\n 3;0,1,2;, 3;0,2,3;;\n", ""));
                 },
                 false},
        ModelRow{
            "FaceIndexOutOfRange",
            [](const fs::path& p) { WriteFile(p / "5.x", QuadModel(" 2;\n 3;0,1,2;, 3;0,2,99;;\n", "")); },
            false},
        ModelRow{
            "NegativeFaceIndex",
            [](const fs::path& p) { WriteFile(p / "5.x", QuadModel(" 2;\n 3;0,1,2;, 3;0,-2,3;;\n", "")); },
            false},
        ModelRow{"TextureMissing", [](const fs::path& p) { fs::remove(p / "earth.jpg"); }, true},
        ModelRow{"TextureCorrupt",
                 [](const fs::path& p) { WriteFile(p / "earth.jpg", "not a JPEG at all\n"); }, true},
        ModelRow{"TextureNoise", [](const fs::path& p) { WriteFile(p / "earth.jpg", Noise(50000, 9)); },
                 true},
        ModelRow{"TextureHugeDimensionsInTheHeader",
                 [](const fs::path& p) { WriteFile(p / "earth.jpg", BmpWithHeader(100000, 100000, 3000)); },
                 true},
        ModelRow{"TextureEmpty", [](const fs::path& p) { WriteFile(p / "earth.jpg", ""); }, true},
        ModelRow{"ModelIsANamedPipe",
                 [](const fs::path& p) {
                   fs::remove(p / "5.x");
                   ASSERT_EQ(::mkfifo((p / "5.x").c_str(), 0644), 0);
                 },
                 false},
        ModelRow{"TextureIsANamedPipe",
                 [](const fs::path& p) {
                   fs::remove(p / "earth.jpg");
                   ASSERT_EQ(::mkfifo((p / "earth.jpg").c_str(), 0644), 0);
                 },
                 true}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// A working directory that cannot be written: read-only, or full. The operator is told
// which file could not be written and why, the map pair of the same name that was there
// stays whole, the log keeps its lines, nothing half-written is left, and the program goes
// on to its next pass.

enum class Directory { ReadOnlyStandIn, ReadOnlyReal, FullStandIn, FullReal };

struct DirectoryRow {
  const char* name;
  Directory kind;
  const char* reason;  // the system's words for the failure
};
void PrintTo(const DirectoryRow& row, std::ostream* out) { *out << row.name; }

class UnwritableDirectory : public BadInput, public ::testing::WithParamInterface<DirectoryRow> {};

TEST_P(UnwritableDirectory, ToldByNameNothingLostAndTheProgramGoesOn) {
  const DirectoryRow& row = GetParam();
  const std::string oldBitmap = "BM an older map that must survive";
  const std::string oldSide = "Radius : 3340\r\nLong   : 6\r\nLat    : 52\r\n";
  const std::string oldLog = "Program start: 2026/03/20 09:00:00\r\n1280\r\n1024\r\n37; 0\r\n";
  std::string why;
  if (row.kind == Directory::FullReal && !MountTmpfs(work, "200k", &why)) GTEST_SKIP() << why;
  if (row.kind == Directory::ReadOnlyReal && ::geteuid() == 0 && !MountTmpfs(work, "2m", &why)) {
    GTEST_SKIP() << "root writes through file modes, and " << why;
  }
  WriteFile(work / (std::string(kMapName) + ".BMP"), oldBitmap);
  WriteFile(work / (std::string(kMapName) + ".DAT"), oldSide);
  WriteFile(work / "Brannoch.log", oldLog);
  // The full tmpfs cannot hold the Earth picture beside a map; Picture2 stays black there.
  EnterWorkingDirectory(row.kind != Directory::FullReal);
  if (row.kind == Directory::ReadOnlyReal) {
    if (::geteuid() == 0) {
      ASSERT_EQ(::mount("tmpfs", work.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=2m"), 0)
          << std::strerror(errno);
    } else {
      fs::permissions(work, fs::perms(0555));
    }
  }

  FailingFileStore readOnly(EROFS, 0);
  FailingFileStore full(ENOSPC, 64 * 1024);
  FileStore& files = row.kind == Directory::ReadOnlyStandIn ? static_cast<FileStore&>(readOnly)
                     : row.kind == Directory::FullStandIn   ? static_cast<FileStore&>(full)
                                                            : static_cast<FileStore&>(posixFiles);
  MakeProgram(memoryStore, files);
  // Enter on the view of the older pair; then a new view, never stored before, and Esc.
  const SessionResult r = Run([this](int pass, int tick) {
    if (pass == 1 && tick == 3) program->Form_KeyUp(vk::Enter, 0);
    if (pass == 2 && tick == 1) program->Form_KeyDown(vk::Left, 0);
    if (pass == 2 && tick == 12) program->Form_KeyUp(vk::Left, 0);
    if (pass == 2 && tick == 13) program->Form_KeyUp(vk::Escape, 0);
  });
  EXPECT_TRUE(r.ended);
  EXPECT_EQ(r.ticks[1], 3);
  EXPECT_EQ(r.ticks[2], 13) << "no second pass after the redraw";
  EXPECT_EQ(r.frames[1] + r.frames[2], 16) << "ticks without a frame";
  EXPECT_NE(MakeMapName(MapCentre{program->view().Long, program->view().Lat, program->view().Radius}),
            kMapName);

  ASSERT_FALSE(messages.shown.empty());
  for (const auto& m : messages.shown) {
    EXPECT_EQ(m.title, "ERROR");
    EXPECT_TRUE(Contains(m.text, row.reason)) << m.text;
    EXPECT_TRUE(Contains(m.text, "\"Brannoch.log\"") || Contains(m.text, "\"MAP_")) << m.text;
  }
  EXPECT_LE(MessagesContaining("Brannoch.log"), 1) << AllMessages();
  // Two redraws store two pairs each, every pair failing alike: each redraw tells it once.
  EXPECT_EQ(MessagesContaining("\"MAP_"), 2) << AllMessages();

  EXPECT_EQ(ReadFile(work / (std::string(kMapName) + ".BMP")), oldBitmap);
  EXPECT_EQ(ReadFile(work / (std::string(kMapName) + ".DAT")), oldSide);
  const std::string log = ReadFile(work / "Brannoch.log");
  EXPECT_EQ(log.substr(0, oldLog.size()), oldLog);
  EXPECT_TRUE(log.size() == oldLog.size() || log.substr(log.size() - 2) == "\r\n") << "a torn last line";
  ExpectNothingHalfWritten(work);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UnwritableDirectory,
    ::testing::Values(DirectoryRow{"ReadOnlyStandIn", Directory::ReadOnlyStandIn, "Read-only file system"},
                      DirectoryRow{"ReadOnlyReal", Directory::ReadOnlyReal,
                                   ::geteuid() == 0 ? "Read-only file system" : "Permission denied"},
                      DirectoryRow{"FullStandIn", Directory::FullStandIn, "No space left on device"},
                      DirectoryRow{"FullReal", Directory::FullReal, "No space left on device"}),
    [](const auto& info) { return std::string(info.param.name); });

// A disk that fills up in the middle of a log line: the log keeps whole lines only, and
// lines resume once there is room again.
TEST_F(BadInput, DiskFullInTheMiddleOfALogLineLeavesNoTornLine) {
  std::string why;
  if (!MountTmpfs(work, "64k", &why)) GTEST_SKIP() << why;
  // One page of old lines less six bytes, then every other page taken by a filler.
  std::string oldLog;
  while (oldLog.size() + 7 <= 4080) oldLog += "37; 0\r\n";
  oldLog += std::string(4090 - 2 - oldLog.size(), 'x') + "\r\n";
  WriteFile(work / "Brannoch.log", oldLog);
  {
    std::ofstream filler(work / "filler", std::ios::binary);
    const std::string page(4096, 'f');
    while (filler.write(page.data(), page.size()) && filler.flush()) {
    }
  }
  EnterWorkingDirectory(false);
  MakeProgram();
  const SessionResult r = Run([this](int pass, int tick) {
    if (pass == 1 && tick == 2) fs::remove(work / "filler");  // room again
    if (tick == 3) program->Form_KeyUp(pass == 1 ? vk::Enter : vk::Escape, 0);
  });
  ExpectWentOn(r);
  const std::string log = ReadFile(work / "Brannoch.log");
  ASSERT_GE(log.size(), oldLog.size());
  EXPECT_EQ(log.substr(0, oldLog.size()), oldLog);
  // What follows the old lines is whole lines: the set-up lines and key releases.
  std::size_t at = oldLog.size();
  while (at < log.size()) {
    const std::size_t end = log.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "a torn last line: " << log.substr(at);
    const std::string line = log.substr(at, end - at);
    EXPECT_TRUE(line.rfind("Program start: ", 0) == 0 || line == "1280" || line == "1024" ||
                line == "13; 0" || line == "27; 0")
        << "torn or foreign line: '" << line << "'";
    at = end + 2;
  }
  EXPECT_TRUE(Contains(log, "27; 0\r\n")) << "the log did not resume when there was room again";
  EXPECT_EQ(MessagesContaining("Brannoch.log"), 1) << AllMessages();
  ExpectNothingHalfWritten(work);
}

// ---------------------------------------------------------------------------------------
// The clipboard at the Alt release: no picture stores nothing; a small picture shows at
// the top-left on Picture4's grey; a large one is cut to 557 x 557. Every release is logged
// and the loop goes on.

struct ClipboardRow {
  const char* name;
  std::function<void()> fill;
  std::function<void(const std::optional<Picture>& stored)> check;  // null: nothing stored
};
void PrintTo(const ClipboardRow& row, std::ostream* out) { *out << row.name; }

class CaptureClipboard : public BadInput, public ::testing::WithParamInterface<ClipboardRow> {};

TEST_P(CaptureClipboard, CaptureStoresWhatThereIsAndTheLoopGoesOn) {
  const ClipboardRow& row = GetParam();
  EnterWorkingDirectory();
  MakeProgram();
  std::optional<Picture> stored;
  bool storedPair = false;
  std::string lastLogLine;
  const SessionResult r = Run([&](int pass, int tick) {
    if (pass != 1) return;
    if (tick == 2) {
      row.fill();
      program->Form_KeyDown(vk::Alt, 4);
      program->Form_KeyUp(vk::PrintScreen, 4);
      program->Form_KeyUp(vk::Alt, 0);
      storedPair = fs::exists(work / (std::string(kMapName) + ".BMP")) ||
                   fs::exists(work / (std::string(kMapName) + ".DAT"));
      stored = ReadBmpFile((work / (std::string(kMapName) + ".BMP")).string());
      const std::string log = ReadFile(work / "Brannoch.log");
      const auto end = log.rfind("\r\n");
      const auto start = end == std::string::npos ? std::string::npos : log.rfind("\r\n", end - 1);
      if (start != std::string::npos) lastLogLine = log.substr(start + 2, end - start - 2);
      ExpectNothingHalfWritten(work);
    }
    if (tick == 5) program->Form_KeyUp(vk::Escape, 0);
  });
  EXPECT_TRUE(r.ended);
  EXPECT_EQ(r.ticks[1], 5);
  EXPECT_EQ(r.frames[1], 5);
  EXPECT_FALSE(program->CaptureArmed());
  EXPECT_EQ(lastLogLine, "18; 0");
  EXPECT_TRUE(messages.shown.empty()) << AllMessages();
  if (row.check) {
    ASSERT_TRUE(stored) << "no map stored";
    EXPECT_EQ(stored->width, 557);
    EXPECT_EQ(stored->height, 557);
    row.check(stored);
  } else {
    EXPECT_FALSE(storedPair) << "a capture without a picture stored a map";
  }
}

QImage Pattern(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) line[x] = qRgb(x & 0xFF, y & 0xFF, ((x >> 8) * 16 + (y >> 8)) & 0xFF);
  }
  return image;
}

std::uint32_t PatternPixel(int x, int y) {
  return static_cast<std::uint32_t>((x & 0xFF) << 16 | (y & 0xFF) << 8 | (((x >> 8) * 16 + (y >> 8)) & 0xFF));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CaptureClipboard,
    ::testing::Values(
        ClipboardRow{"TextOnly", [] { QGuiApplication::clipboard()->setText("not a picture"); }, nullptr},
        ClipboardRow{"Cleared", [] { QGuiApplication::clipboard()->clear(); }, nullptr},
        ClipboardRow{"EmptyImage", [] { QGuiApplication::clipboard()->setImage(QImage()); }, nullptr},
        ClipboardRow{"Tiny",
                     [] {
                       QImage tiny(2, 2, QImage::Format_RGB32);
                       tiny.setPixel(0, 0, 0xFF0000);
                       tiny.setPixel(1, 0, 0x00FF00);
                       tiny.setPixel(0, 1, 0x0000FF);
                       tiny.setPixel(1, 1, 0xFFFFFF);
                       QGuiApplication::clipboard()->setImage(tiny);
                     },
                     [](const std::optional<Picture>& map) {
                       EXPECT_EQ(map->pixels[0], 0xFF0000u);
                       EXPECT_EQ(map->pixels[1], 0x00FF00u);
                       EXPECT_EQ(map->pixels[557], 0x0000FFu);
                       EXPECT_EQ(map->pixels[558], 0xFFFFFFu);
                       EXPECT_EQ(map->pixels[2], kGreyPixel);
                       EXPECT_EQ(map->pixels[2 * 557], kGreyPixel);
                       EXPECT_EQ(map->pixels[557 * 557 - 1], kGreyPixel);
                     }},
        ClipboardRow{"Huge", [] { QGuiApplication::clipboard()->setImage(Pattern(8000, 8000)); },
                     [](const std::optional<Picture>& map) {
                       for (int y : {0, 255, 256, 556}) {
                         for (int x : {0, 300, 556}) {
                           EXPECT_EQ(map->pixels[static_cast<std::size_t>(y) * 557 + x], PatternPixel(x, y))
                               << x << "," << y;
                         }
                       }
                     }},
        ClipboardRow{"OneWideRow", [] { QGuiApplication::clipboard()->setImage(Pattern(20000, 1)); },
                     [](const std::optional<Picture>& map) {
                       EXPECT_EQ(map->pixels[556], PatternPixel(556, 0));
                       EXPECT_EQ(map->pixels[557], kGreyPixel);
                     }}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// Files of the working directory that are not what they seem: a named pipe as the log,
// links planted where a map's temporary would go, and what a run killed while it stored a
// map leaves behind.

TEST_F(BadInput, ALogThatIsANamedPipeIsToldOnceAndTheProgramGoesOn) {
  ASSERT_EQ(::mkfifo((work / "Brannoch.log").c_str(), 0644), 0);
  EnterWorkingDirectory();
  MakeProgram();
  const SessionResult r = EnterThenEsc();
  ExpectWentOn(r);
  ASSERT_EQ(messages.shown.size(), 1u) << AllMessages();
  EXPECT_EQ(
      messages.shown[0].text,
      "Cannot write the log file \"Brannoch.log\": not a regular file\nThe program goes on without the log.");
  StoredMap(kMapName);
  EXPECT_TRUE(fs::is_fifo(work / "Brannoch.log"));
}

// A link at the side file's name is replaced, never followed nor read.
TEST_F(BadInput, ALinkAtTheSideFileNameIsReplacedAndWhatItPointsToLeftUnread) {
  const std::string precious = "a file of the operator's that a map must never read or replace";
  WriteFile(root / "victim", precious);
  fs::permissions(root / "victim", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(root / "victim", work / (std::string(kMapName) + ".DAT"));
  EnterWorkingDirectory();
  MakeProgram();
  ExpectWentOn(EnterThenEsc());
  EXPECT_TRUE(messages.shown.empty()) << AllMessages();
  EXPECT_EQ(ReadFile(root / "victim"), precious);
  EXPECT_FALSE(fs::is_symlink(work / (std::string(kMapName) + ".DAT")));
  StoredMap(kMapName);
}

// A folder at the side file's name is refused before anything is written, told once for the
// redraw's two stores, and the program goes on.
TEST_F(BadInput, AFolderAtTheSideFileNameIsToldOnceARedrawAndTheOlderBitmapStays) {
  WriteFile(work / (std::string(kMapName) + ".BMP"), "an older bitmap");
  fs::create_directory(work / (std::string(kMapName) + ".DAT"));
  EnterWorkingDirectory();
  MakeProgram();
  ExpectWentOn(EnterThenEsc());
  EXPECT_EQ(MessagesContaining("The map was not stored: \"" + std::string(kMapName) + ".DAT\" is a folder"),
            2)
      << AllMessages();  // once for each pass's redraw
  EXPECT_EQ(ReadFile(work / (std::string(kMapName) + ".BMP")), "an older bitmap");
  for (const auto& entry : fs::directory_iterator(work))
    EXPECT_FALSE(IsOwnTemporaryName(entry.path().filename().string())) << entry.path();
}

// Killed between the two renames: the new bitmap stands without its side file, and a
// temporary of the store is left. Storing that map again clears the temporary and makes the
// pair whole; a file of the operator's that only looks like a temporary stays.
TEST_F(BadInput, WhatAKilledStoreLeftIsClearedWhenTheMapIsStoredAgain) {
  const std::string name = kMapName;
  WriteFile(work / (name + ".BMP"),
            EncodeBmp24(std::vector<std::uint32_t>(557 * 557, kGreyPixel).data(), 557, 557));
  WriteFile(work / ".skerrowen-k1LLedk1LLed.part", std::string(931 * 1024, '\x80'));
  fs::last_write_time(work / ".skerrowen-k1LLedk1LLed.part",
                      fs::file_time_type::clock::now() - std::chrono::hours(1));
  WriteFile(work / (name + ".BMP.part"), "the operator's own");
  EnterWorkingDirectory();
  MakeProgram();
  const SessionResult r = EnterThenEsc();
  ExpectWentOn(r);
  EXPECT_TRUE(messages.shown.empty()) << AllMessages();
  StoredMap(kMapName);
  ExpectNothingHalfWritten(work);
  EXPECT_EQ(ReadFile(work / (name + ".BMP.part")), "the operator's own");
}

// A redraw whose two stores fail alike tells it once; every failed capture tells its own.
TEST_F(BadInput, EachFailedCaptureIsToldAndEachFailedRedrawOnce) {
  EnterWorkingDirectory();
  FailingFileStore readOnly(EROFS, 0);
  MakeProgram(memoryStore, readOnly);
  const SessionResult r = Run([this](int pass, int tick) {
    if (pass == 1 && (tick == 2 || tick == 3)) {
      QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
      program->Form_KeyDown(vk::Alt, 4);
      program->Form_KeyUp(vk::PrintScreen, 4);
      program->Form_KeyUp(vk::Alt, 0);
    }
    if (tick == 4) program->Form_KeyUp(pass == 1 ? vk::Enter : vk::Escape, 0);
  });
  EXPECT_TRUE(r.ended);
  EXPECT_EQ(r.ticks[2], 4) << "no second pass after the redraw";
  EXPECT_EQ(MessagesContaining("The map was not stored: cannot write \"" + std::string(kMapName) + ".BMP\""),
            4)
      << AllMessages();
  EXPECT_EQ(MessagesContaining("Brannoch.log"), 1) << AllMessages();
  EXPECT_EQ(messages.shown.size(), 5u) << AllMessages();
}

// ---------------------------------------------------------------------------------------
// Views at the edges.

TEST_F(BadInput, DistanceExactly20GivesAFiniteFrameAndRadius0) {
  EnterWorkingDirectory();
  memoryStore.values["Setting/Distance"] = "20";
  MakeProgram();
  bool finite = true;
  const SessionResult r = Run([&](int, int tick) {
    D3DMATRIX view{};
    ASSERT_EQ(program->renderer().Device()->GetTransform(D3DTS_VIEW, &view), D3D_OK);
    for (const auto& row : view.m) {
      for (float value : row) finite = finite && std::isfinite(value);
    }
    if (tick == 3) program->Form_KeyUp(vk::Escape, 0);
  });
  EXPECT_TRUE(r.ended);
  EXPECT_EQ(r.frames[1], 3);
  EXPECT_TRUE(finite) << "the view matrix at Distance 20 is not finite";
  EXPECT_EQ(r.firstFrameCaption, "Skerrowen, Long:  006 Lat:  52 Radius: 0");
}

TEST_F(BadInput, Radius0RedrawStoresAMapPair) {
  EnterWorkingDirectory();
  memoryStore.values["Setting/Distance"] = "19.9999";
  MakeProgram();
  const SessionResult r = EnterThenEsc();
  ExpectWentOn(r);
  EXPECT_EQ(program->view().Radius, 0);
  StoredMap("MAP_0000_6_52");
  EXPECT_EQ(ReadFile(work / "MAP_0000_6_52.DAT"), "Radius : 0\r\nLong   : 6\r\nLat    : 52\r\n");
  EXPECT_TRUE(messages.shown.empty()) << AllMessages();
  ExpectNothingHalfWritten(work);
}

// A distance that reads as a number but puts the camera beyond any float: frames go on, and
// whatever map is stored has a name that agrees with its side file.
TEST_F(BadInput, AstronomicalDistanceKeepsTheNameAndTheSideFileAgreeing) {
  EnterWorkingDirectory();
  memoryStore.values["Setting/Distance"] = "1e300";
  MakeProgram();
  const SessionResult r = EnterThenEsc();
  ExpectWentOn(r);
  const std::string caption = r.firstFrameCaption;
  const auto radiusAt = caption.find("Radius: ");
  ASSERT_NE(radiusAt, std::string::npos) << caption;
  EXPECT_NEAR(std::strtod(caption.c_str() + radiusAt + 8, nullptr) / program->view().Radius, 1.0, 1e-12)
      << caption;
  for (const auto& entry : fs::directory_iterator(work)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("MAP_", 0) != 0 || entry.path().extension() != ".DAT") continue;
    const double named = std::strtod(name.c_str() + 4, nullptr);
    const std::string side = ReadFile(entry.path());
    const double recorded = std::strtod(side.c_str() + side.find(':') + 1, nullptr);
    EXPECT_NEAR(named / recorded, 1.0, 1e-12) << name << " holds " << side;
  }
  for (const auto& m : messages.shown) EXPECT_EQ(m.title, "ERROR") << m.text;
  ExpectNothingHalfWritten(work);
}

TEST_F(BadInput, DistanceAtTheEdgeOfDoublesStillRunsAndRedraws) {
  EnterWorkingDirectory();
  memoryStore.values["Setting/Distance"] = "-1.7e308";  // the radius overflows to infinity
  MakeProgram();
  const SessionResult r = EnterThenEsc();
  ExpectWentOn(r);
  for (const auto& m : messages.shown) EXPECT_EQ(m.title, "ERROR") << m.text;
  ExpectNothingHalfWritten(work);
}

TEST_F(BadInput, TickCounterWrapsWhileAKeyIsHeld) {
  EnterWorkingDirectory();
  clock.ticks = 0xFFFFFFFFU - 255;
  MakeProgram();
  int rotationAtWrap = -1;
  const SessionResult r = Run([&](int pass, int tick) {
    if (pass != 1) return;
    if (tick == 1) program->Form_KeyDown(vk::Left, 0);
    if (rotationAtWrap < 0 && clock.ticks < 0x80000000U) rotationAtWrap = program->view().Rotation;
    if (tick == 80) program->Form_KeyUp(vk::Left, 0);
    if (tick == 81) program->Form_KeyUp(vk::Escape, 0);
  });
  EXPECT_TRUE(r.ended);
  EXPECT_EQ(r.ticks[1], 81);
  EXPECT_EQ(r.frames[1], 81);
  EXPECT_LT(clock.ticks, 0x80000000U) << "the counter never wrapped";
  ASSERT_GE(rotationAtWrap, 264);
  // 800 ms held: 16 view steps, about 11 of them after the wrap.
  EXPECT_GE(program->view().Rotation - rotationAtWrap, 10) << "view steps stopped at the wrap";
  EXPECT_GE(program->view().Rotation, 264 + 15);
  StoredMap("MAP_3340_" + std::to_string(270 - program->view().Rotation) + "_52");
}

}  // namespace
