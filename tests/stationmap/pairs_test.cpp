// Map pairs as skerrowen-map leaves them when the world does not wait: runs at once onto one
// name, runs killed or stopped with Ctrl+C at any moment, names at the system's limits, and
// what the operator sees on a terminal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "base/posix_file_store.h"
#include "render/scratch_folder.h"
#include "support/comma_locale.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::string kMap = std::string(SKERROWEN_BINARY_DIR) + "/skerrowen-map";

// Starts skerrowen-map in `folder` with `arguments`, its output in out.txt and err.txt there.
pid_t Start(const fs::path& folder, std::vector<std::string> arguments) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(folder.c_str()) != 0) ::_exit(127);
    ::freopen("out.txt", "w", stdout);
    ::freopen("err.txt", "w", stderr);
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    arguments.insert(arguments.begin(), kMap);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    ::execv(kMap.c_str(), argv.data());
    ::_exit(127);
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

std::vector<std::string> MapArguments(const std::string& centre, int size, const std::string& out) {
  return {"--centre", centre, "--radius", "1000", "--size", std::to_string(size), "--out", out};
}

std::vector<std::string> OwnTemporaries(const fs::path& folder) {
  std::vector<std::string> found;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (IsOwnTemporaryName(entry.path().filename().string()))
      found.push_back(entry.path().filename().string());
  }
  return found;
}

// The pair a run with `centre` writes, made once in a folder of its own.
struct ReferencePair {
  std::string picture, side;
};
ReferencePair Reference(const ScratchFolder& scratch, const std::string& centre, int size) {
  const fs::path folder = scratch.Path() / ("reference " + centre);
  fs::create_directories(folder);
  EXPECT_EQ(Wait(Start(folder, MapArguments(centre, size, "m.bmp"))), 0) << ReadWhole(folder / "err.txt");
  return {ReadWhole(folder / "m.bmp"), ReadWhole(folder / "m.DAT")};
}

TEST(MapPairs, TenRunsAtOnceOntoOneNameLeaveOneRunsWholePair) {
  ScratchFolder scratch;
  const fs::path folder = scratch.Path() / "runs";
  fs::create_directories(folder);
  std::vector<pid_t> runs;
  for (int k = 0; k < 10; ++k) {
    const fs::path own = folder / ("run" + std::to_string(k));  // each run's output files
    fs::create_directories(own);
    runs.push_back(Start(own, MapArguments(std::to_string(k * 5) + ",10", 256, (folder / "s.bmp").string())));
  }
  for (const pid_t run : runs) EXPECT_EQ(Wait(run), 0);
  const std::string side = ReadWhole(folder / "s.DAT");
  const std::size_t lat = side.find("Lat    : ");
  ASSERT_NE(lat, std::string::npos) << side;
  const std::string centre = side.substr(lat + 9, side.find('\r', lat) - lat - 9) + ",10";
  const ReferencePair reference = Reference(scratch, centre, 256);
  EXPECT_EQ(side, reference.side);
  EXPECT_TRUE(ReadWhole(folder / "s.bmp") == reference.picture) << "the picture is not the one of " << centre;
  EXPECT_TRUE(OwnTemporaries(folder).empty());
}

// Killed at any moment, a run leaves the older pair or its own, never one half of each; only a
// run killed while it writes leaves a temporary, which the next store clears once it is stale.
TEST(MapPairs, ARunKilledAtAnyMomentLeavesAWholePair) {
  ScratchFolder scratch;
  const ReferencePair older = Reference(scratch, "10,10", 2048);
  const ReferencePair newer = Reference(scratch, "50,10", 2048);
  const fs::path folder = scratch.Path() / "killed";
  fs::create_directories(folder);
  for (int ms = 0; ms <= 600; ms += 40) {
    SCOPED_TRACE("killed after " + std::to_string(ms) + " ms");
    std::ofstream(folder / "m.bmp", std::ios::binary) << older.picture;
    std::ofstream(folder / "m.DAT", std::ios::binary) << older.side;
    const pid_t run = Start(folder, MapArguments("50,10", 2048, "m.bmp"));
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    ::kill(run, SIGKILL);
    Wait(run);
    const std::string picture = ReadWhole(folder / "m.bmp"), side = ReadWhole(folder / "m.DAT");
    EXPECT_TRUE((picture == older.picture && side == older.side) ||
                (picture == newer.picture && side == newer.side));
    for (const std::string& temporary : OwnTemporaries(folder)) fs::remove(folder / temporary);
  }
}

// Ctrl+C ends the run within a second wherever it is, says so in one line, and leaves no file.
TEST(MapPairs, CtrlCStopsTheRunAndLeavesNoFile) {
  ScratchFolder scratch;
  for (int ms : {100, 400, 900, 1400, 1900}) {
    SCOPED_TRACE("Ctrl+C after " + std::to_string(ms) + " ms");
    const fs::path folder = scratch.Path() / std::to_string(ms);
    fs::create_directories(folder);
    const pid_t run = Start(folder, MapArguments("50,10", 4096, "m.png"));
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    ::kill(run, SIGINT);
    const auto stopped = Clock::now();
    const int status = Wait(run);
    EXPECT_LT(Clock::now() - stopped, std::chrono::seconds(1));
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) continue;  // it was done already
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;
    EXPECT_EQ(ReadWhole(folder / "err.txt"), "skerrowen-map: stopped; no file was written\n");
    for (const auto& entry : fs::directory_iterator(folder)) {
      const std::string name = entry.path().filename().string();
      EXPECT_TRUE(name == "out.txt" || name == "err.txt") << name << " was left";
    }
  }
}

// The operator sees the phases on one line that is rewritten and cleared at the end; a file
// or a pipe gets nothing of it. Timings keep their decimal point on a comma desktop.
TEST(MapPairs, ProgressOnATerminalOnlyAndTimingsWithADecimalPoint) {
  ScratchFolder scratch;
  const std::string arguments = " --centre 50,10 --radius 1000 --size 1024 --rings 200 --timings --out ";
  const std::string onTerminal = "cd '" + scratch.Path().string() + "' && script -qec \"" + kMap + arguments +
                                 "a.png\" /dev/null >terminal.txt";
  ASSERT_EQ(std::system(onTerminal.c_str()), 0);
  const std::string seen = ReadWhole(scratch.Path() / "terminal.txt");
  for (const char* phase : {"Decoding", "Projecting", "Marking", "Storing"})
    EXPECT_NE(seen.find("\r\033[Kskerrowen-map: " + std::string(phase) + " "), std::string::npos) << phase;
  EXPECT_NE(seen.find("\r\033[KWrote a.png and a.DAT"), std::string::npos) << "the line was not cleared";

  const CommaLocale german("de_DE");
  if (!german.Active()) GTEST_SKIP() << "no locale with a decimal comma could be made";
  const std::string inFiles = "cd '" + scratch.Path().string() + "' && LC_ALL=de_DE.UTF-8 " + kMap +
                              arguments + "b.png >out.txt 2>err.txt";
  ASSERT_EQ(std::system(inFiles.c_str()), 0);
  const std::string said = ReadWhole(scratch.Path() / "err.txt");
  EXPECT_EQ(said.rfind("start-up ", 0), 0u) << said;
  EXPECT_EQ(said.find(','), said.find(", decode")) << said;
  EXPECT_EQ(said.find("skerrowen-map:"), std::string::npos) << said;
}

// Names the system takes are written: bytes that are no UTF-8, and 255 bytes, its limit.
TEST(MapPairs, NamesOfAnyBytesUpToTheLimitAreWritten) {
  ScratchFolder scratch;
  const fs::path folder = scratch.Path() / "Karten \xe4\xf6";  // Latin-1, as an old disk names them
  fs::create_directories(folder);
  const std::string longest = std::string(251, 'm') + ".png";
  for (const std::string& name : {(folder / "Berlin \xfc.bmp").string(), (folder / longest).string()}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Wait(Start(scratch.Path(), MapArguments("52,13", 32, name))), 0)
        << ReadWhole(scratch.Path() / "err.txt");
    EXPECT_TRUE(fs::exists(fs::path(name).replace_extension(".DAT")));
  }
  EXPECT_TRUE(OwnTemporaries(folder).empty());
}

}  // namespace
