#include "geodata/outline_preparer.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <thread>

#include "base/posix_file_store.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto kPoll = std::chrono::milliseconds(20);
// A program asked to end ends at once, or once it has taken its temporaries away.
constexpr auto kEndingPatience = std::chrono::seconds(5);
constexpr std::size_t kMaxAnswer = 4096;

enum class RunEnd { Exited, Stopped, Failed };

struct Run {
  RunEnd end = RunEnd::Failed;
  int exitCode = 0;
  std::string answer;  // its standard output, or why it could not be run
};

void EndProgram(pid_t pid) {
  ::kill(pid, SIGTERM);
  const auto asked = Clock::now();
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (Clock::now() - asked > kEndingPatience) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return;
    }
    std::this_thread::sleep_for(kPoll);
  }
}

std::string Seconds(std::chrono::milliseconds time) {
  return std::to_string((time.count() + 999) / 1000) + " s";
}

Run RunPreparer(const OutlinePreparer& preparer, const std::string& chart, const std::string& folder,
                const std::function<bool()>& keepGoing) {
  int answerPipe[2];
  if (::pipe2(answerPipe, O_CLOEXEC) != 0) return {RunEnd::Failed, 0, std::strerror(errno)};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, answerPipe[1], STDOUT_FILENO);
  // The chart library's own notes are not the operator's business.
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::string program = preparer.program, chartArgument = chart, folderArgument = folder;
  char* arguments[] = {program.data(), chartArgument.data(), folderArgument.data(), nullptr};
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, arguments, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(answerPipe[1]);
  const int answerFd = answerPipe[0];
  if (spawned != 0) {
    ::close(answerFd);
    return {RunEnd::Failed, 0, program + " cannot be run: " + std::strerror(spawned)};
  }
  ::fcntl(answerFd, F_SETFL, O_NONBLOCK);
  Run run;
  const auto readAnswer = [&] {
    char buffer[512];
    ssize_t count = 0;
    while ((count = ::read(answerFd, buffer, sizeof buffer)) > 0) {
      run.answer.append(buffer, std::min(static_cast<std::size_t>(count), kMaxAnswer - run.answer.size()));
    }
  };
  const auto started = Clock::now();
  for (;;) {
    int status = 0;
    const pid_t ended = ::waitpid(pid, &status, WNOHANG);
    readAnswer();
    if (ended == pid) {
      if (WIFEXITED(status)) {
        run.end = RunEnd::Exited;
        run.exitCode = WEXITSTATUS(status);
      } else {
        run.answer = program + " ended on signal " + std::to_string(WTERMSIG(status));
      }
      break;
    }
    if (ended < 0 && errno != EINTR) {
      run.answer = program + ": " + std::strerror(errno);
      break;
    }
    if (keepGoing && !keepGoing()) {
      EndProgram(pid);
      run.end = RunEnd::Stopped;
      break;
    }
    if (Clock::now() - started > preparer.patience) {
      EndProgram(pid);
      run.answer = program + " took longer than " + Seconds(preparer.patience);
      break;
    }
    std::this_thread::sleep_for(kPoll);
  }
  ::close(answerFd);
  while (!run.answer.empty() && (run.answer.back() == '\n' || run.answer.back() == '\r'))
    run.answer.pop_back();
  return run;
}

// The chart's fault as the preparing program words it: "malformed<TAB>detail".
DataFileProblem ChartProblem(const std::string& answer, const std::string& chart) {
  const std::size_t tab = answer.find('\t');
  const std::string word = answer.substr(0, tab);
  const DataFileFault fault = word == "missing"      ? DataFileFault::Missing
                              : word == "unreadable" ? DataFileFault::Unreadable
                                                     : DataFileFault::Malformed;
  return {fault, chart, kDcwPackage, tab == std::string::npos ? answer : answer.substr(tab + 1)};
}

// Empty when the folder exists or could be made, and takes files.
std::string FolderProblem(const std::string& folder) {
  if (folder.empty()) return "no cache folder";
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) return folder + ": " + error.message();
  if (std::string why = FolderTakesFiles(folder); !why.empty()) return folder + ": " + why;
  return {};
}

// A folder of this process's own for one copy, removed with it once the copy is mapped.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && base[0] == '/' ? base : "/tmp") + "/skerrowen-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr)
      path_ = pattern;
    else
      problem_ = pattern + ": " + std::strerror(errno);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  ~TemporaryFolder() {
    if (path_.empty()) return;
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const std::string& Path() const { return path_; }
  const std::string& Problem() const { return problem_; }

 private:
  std::string path_, problem_;
};

}  // namespace

std::string OutlinePreparerOf(const std::string& programPath) {
  const fs::path folder = fs::path(programPath).parent_path();
  const fs::path beside = folder / kOutlinePreparerName;
  for (const fs::path& candidate : {beside, folder / ".." / "lib" / "skerrowen" / kOutlinePreparerName}) {
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.lexically_normal().string();
  }
  return beside.string();
}

MapOutlineLoad LoadOutlinesForMap(const OutlineSources& sources, const OutlinePreparer& preparer,
                                  const std::function<bool()>& keepGoing) {
  MapOutlineLoad result;
  result.load = ReadPreparedOutlines(sources);
  if (result.load.outlines || result.load.problem) return result;
  const auto notPrepared = [&](const std::string& why) {
    result.load.problem = DataFileProblem{DataFileFault::NotPrepared, sources.chartPath, kDcwPackage, why};
    return result;
  };
  std::string cacheProblem = FolderProblem(sources.cacheFolder);
  std::optional<TemporaryFolder> temporary;
  // Into the cache when it takes files; into a folder of its own when the cache does not, or
  // when the program finds that it does not after all.
  for (;;) {
    if (!cacheProblem.empty() && !temporary) {
      temporary.emplace();
      if (temporary->Path().empty()) return notPrepared(temporary->Problem());
    }
    const std::string folder = temporary ? temporary->Path() : sources.cacheFolder;
    result.prepared = true;
    const Run run = RunPreparer(preparer, sources.chartPath, folder, keepGoing);
    if (run.end == RunEnd::Stopped) {
      result.stopped = true;
      return result;
    }
    if (run.end == RunEnd::Failed) return notPrepared(run.answer);
    if (run.exitCode == 1) {
      result.load.problem = ChartProblem(run.answer, sources.chartPath);
      return result;
    }
    if (run.exitCode == 3 && !temporary) {
      cacheProblem = run.answer;
      continue;
    }
    if (run.exitCode != 0) {
      return notPrepared(run.answer.empty()
                             ? preparer.program + " ended with status " + std::to_string(run.exitCode)
                             : run.answer);
    }
    OutlineLoad load = ReadPreparedOutlines({sources.chartPath, folder});
    if (!load.outlines) {
      if (load.problem) {
        result.load = load;
        return result;
      }
      return notPrepared("its copy cannot be read: " + load.cacheDetail);
    }
    load.cache = temporary ? OutlineCacheUse::Skipped : OutlineCacheUse::Written;
    load.cacheDetail = cacheProblem;
    result.load = std::move(load);
    return result;
  }
}
