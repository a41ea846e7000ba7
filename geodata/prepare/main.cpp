// skerrowen-prepare-outlines CHART CACHE-FOLDER: prepares the country outlines' copy of the
// chart in the cache folder, for the map makers that run it. Its answer is its exit status,
// with one line on standard output when it fails:
//   0  the copy in the folder belongs to the chart as it is now
//   1  the chart cannot be used: "missing", "unreadable" or "malformed", a tab, the detail
//   3  the copy could not be stored in the folder: the reason
//   2  it was not called as above
// A TERM, INT or HUP ends it at once, or, while it stores the copy, as soon as the store has
// taken its temporaries away. So does the end of the program that runs it.
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>

#include "base/posix_file_store.h"
#include "base/work_stop.h"
#include "geodata/prepare/outline_preparation.h"

namespace {

WorkStop gStop;

void StopOnSignal(int signal) {
  gStop.Ask();
  if (!gStop.WritingFiles()) ::_exit(128 + signal);
}

const char* FaultWord(DataFileFault fault) {
  switch (fault) {
    case DataFileFault::Missing:
      return "missing";
    case DataFileFault::Unreadable:
      return "unreadable";
    case DataFileFault::Malformed:
    case DataFileFault::NotPrepared:
      break;
  }
  return "malformed";
}

}  // namespace

int main(int argc, char** argv) {
  struct sigaction action {};
  action.sa_handler = StopOnSignal;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
  const pid_t parent = ::getppid();
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (::getppid() != parent) return 1;  // the caller ended before it could be told of it
  if (argc != 3 || argv[1][0] == '\0' || argv[2][0] == '\0') {
    std::fprintf(stderr, "usage: skerrowen-prepare-outlines CHART CACHE-FOLDER\n");
    return 2;
  }
  PosixFileStore posixFiles;
  StoppableFileStore files(posixFiles, gStop);
  const OutlineLoad load = LoadCountryOutlines({argv[1], argv[2]}, files);
  if (load.problem) {
    std::printf("%s\t%s\n", FaultWord(load.problem->fault), load.problem->detail.c_str());
    return 1;
  }
  if (load.cache == OutlineCacheUse::Skipped) {
    std::printf("%s\n", load.cacheDetail.c_str());
    return 3;
  }
  return 0;
}
