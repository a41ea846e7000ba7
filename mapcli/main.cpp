// skerrowen-map: writes a station map and its side file, without a display.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "base/number_text.h"
#include "base/posix_file_store.h"
#include "base/work_stop.h"
#include "geodata/country_outlines.h"
#include "mapcli/map_options.h"
#include "mapcli/target_file.h"
#include "mapcli/terminal_progress.h"
#include "mapcli/view_centre.h"
#include "settings/qt_settings_store.h"
#include "stationmap/map_picture_file.h"
#include "stationmap/station_layers.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

// What a signal handler reaches: the stop, the signal, and where to say that the run stopped
// (standard error as the operator sees it, and whether a progress line stands there).
WorkStop gStop;
volatile sig_atomic_t gStopSignal = 0;
volatile sig_atomic_t gStopNoteFd = STDERR_FILENO;
volatile sig_atomic_t gStopNoteOnTerminal = 0;
constexpr char kClearLine[] = "\r\033[K";
constexpr char kStoppedNote[] = "skerrowen-map: stopped; no file was written\n";

// Made when the map needs fonts and left standing to the process's end: torn down, Qt's font
// database first reads every font configuration of the system only to drop it, tens of
// milliseconds after the map is written.
QGuiApplication* gApplication = nullptr;

void WriteStopNote() {
  ssize_t ignored = 0;
  if (gStopNoteOnTerminal) ignored = ::write(gStopNoteFd, kClearLine, sizeof kClearLine - 1);
  ignored = ::write(gStopNoteFd, kStoppedNote, sizeof kStoppedNote - 1);
  (void)ignored;
}

// Ctrl+C (or a TERM or HUP): while no file of the map is on disk the run ends at once; while
// its temporaries are written the store stops, takes them away, and main ends the run.
void StopOnSignal(int signal) {
  gStopSignal = signal;
  gStop.Ask();
  if (gStop.WritingFiles()) return;
  WriteStopNote();
  ::_exit(128 + signal);
}

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = StopOnSignal;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

class StderrMessages : public MessageBoxes {
 public:
  void Show(const std::string& text, const std::string&, MessageIcon) override {
    std::fprintf(stderr, "skerrowen-map: %s\n", text.c_str());
  }
};

// Qt's notes (a missing runtime folder offscreen, say) are not the operator's business; its
// errors still are.
void QuietQtNotes(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg)
    std::fprintf(stderr, "skerrowen-map: %s\n", qPrintable(message));
}

// Picture libraries print their own notes on a damaged file (libpng's "Read Error"); the
// operator gets this program's one line about it instead. `work` gets the descriptor on which
// standard error still reaches the operator.
template <typename Work>
auto WithoutForeignNotes(const Work& work) {
  std::fflush(stderr);
  const int saved = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
  const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (saved >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
  const int operatorFd = saved >= 0 ? saved : STDERR_FILENO;
  gStopNoteFd = operatorFd;
  gStopNoteOnTerminal = ::isatty(operatorFd);
  auto result = work(operatorFd);
  std::fflush(stderr);
  if (saved >= 0) ::dup2(saved, STDERR_FILENO);
  gStopNoteFd = STDERR_FILENO;
  gStopNoteOnTerminal = 0;
  for (const int fd : {saved, null}) {
    if (fd >= 0) ::close(fd);
  }
  return result;
}

int Refuse(const std::string& problem) {
  std::fprintf(stderr, "skerrowen-map: %s\n", problem.c_str());
  return 2;
}

// The shipped Earth picture: beside the program in a build tree, in share/skerrowen when
// installed.
std::string ShippedPicture() {
  std::error_code error;
  const auto folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
  if (error) return "earth.jpg";
  for (const auto& candidate : {folder / "earth.jpg", folder / ".." / "share" / "skerrowen" / "earth.jpg"}) {
    if (std::filesystem::exists(candidate, error)) return candidate.lexically_normal().string();
  }
  return (folder / "earth.jpg").string();
}

// What the command line left out, as the window would have it: the centre and radius of its
// view, the shipped picture, a name like its maps', the time now. The problem with the
// request, or empty.
std::string CompleteRequest(MapOptions& options) {
  StationMapRequest& request = options.request;
  if (options.centreFrom.empty() || options.radiusFrom.empty()) {
    QtSettingsStore store(QtSettingsStore::UserStoreFile("skerrowen"));
    StderrMessages messages;
    const ViewCentre view = ReadViewCentre(store, messages);
    const std::string stored = "the view stored in \"" + store.Location() + "\"";
    if (options.centreFrom.empty()) {
      if (!view.centreProblem.empty()) return view.centreProblem;
      request.centre = view.centre;
      options.centreFrom = stored;
    }
    if (options.radiusFrom.empty()) {
      if (!view.radiusProblem.empty()) return view.radiusProblem;
      request.radiusKm = view.radiusKm;
      options.radiusFrom = stored;
    }
  }
  if (!options.imageGiven) request.imagePath = ShippedPicture();
  request.data.cacheFolder = OutlineCacheFolder(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"));
  if (!options.outGiven) request.outPath = DefaultMapPath(request.centre, request.radiusKm);
  const std::int64_t now =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
          .count();
  if (options.timeIsNow) request.unixTime = now;
  if (options.greylineFan) request.greylineFanYear = UtcYearOf(request.unixTime.value_or(now));
  if (!options.targetsPath.empty()) {
    TargetFileReading targets = ReadTargetFile(options.targetsPath);
    if (!targets.problem.empty()) return targets.problem;
    for (const std::string& note : targets.notes) std::fprintf(stderr, "skerrowen-map: %s\n", note.c_str());
    request.targets = std::move(targets.stations);
  }
  const auto problem = CheckStationMapRequest(request);
  return problem ? ProblemText(*problem, options) : std::string();
}

// The data the layers draw from, read from Debian's packages where they are installed.
constexpr char kDataCredits[] =
    "Coasts and borders: DCW-GMT, the Digital Chart of the World by the GMT Team (gmt-dcw), LGPL-3+.\n"
    "DXCC prefixes: cty.dat by Jim Reisert AD1C (hamradio-files), MIT.\n"
    "Target distances: GeographicLib by Charles Karney, MIT (Expat).\n";

std::string Milliseconds(double ms) { return FormatFixed(ms, 1) + " ms"; }

}  // namespace

int main(int argc, char** argv) {
  const auto started = SteadyClock::now();
  CatchStopSignals();
  qInstallMessageHandler(QuietQtNotes);
  const MapOptionsReading reading = ReadMapOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!reading.options) return Refuse(reading.problem);
  MapOptions options = *reading.options;
  if (options.help) {
    std::fputs(MapUsage().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("skerrowen-map %s\n%s", SKERROWEN_VERSION, kDataCredits);
    return 0;
  }
  if (std::string problem = CompleteRequest(options); !problem.empty()) return Refuse(problem);
  const StationMapRequest& request = options.request;

  // Labels need fonts, and fonts a GUI application, as PDF and SVG pages do; without a display
  // it runs offscreen.
  if (StationMapSetsText(request)) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    gApplication = new QGuiApplication(argc, argv);
  }
  const double startUp = std::chrono::duration<double, std::milli>(SteadyClock::now() - started).count();

  PosixFileStore posixFiles;
  StoppableFileStore files(posixFiles, gStop);
  const StationMapResult result = WithoutForeignNotes([&](int operatorFd) {
    TerminalProgress line(operatorFd);
    return MakeStationMap(
        request,
        [&](std::string_view phase, double fraction) {
          line.Show(phase, fraction);
          return !gStop.Asked();
        },
        &files);
  });
  if (result.stopped) {
    WriteStopNote();
    return 128 + gStopSignal;
  }
  if (!result.ok)
    return Refuse(result.problem ? ProblemText(*result.problem, options) : "the map was not made");
  if (!result.targetLine.empty()) std::printf("%s\n", result.targetLine.c_str());
  for (const std::string& line : result.stationLines) std::printf("%s\n", line.c_str());
  for (const std::string& note : result.fanNotes) std::printf("%s\n", note.c_str());
  if (result.tablePath.empty()) {
    std::printf("Wrote %s and %s\n", result.picturePath.c_str(), result.sidePath.c_str());
  } else {
    std::printf("Wrote %s, %s and %s\n", result.picturePath.c_str(), result.sidePath.c_str(),
                result.tablePath.c_str());
  }
  std::fflush(stdout);
  if (options.timings) {
    const StationMapTimings& t = result.timings;
    std::fprintf(stderr, "start-up %s, decode %s, projection %s, overlays %s, encode %s\n",
                 Milliseconds(startUp).c_str(), Milliseconds(t.decode).c_str(),
                 Milliseconds(t.projection).c_str(), Milliseconds(t.overlays).c_str(),
                 Milliseconds(t.encode).c_str());
  }
  return 0;
}
