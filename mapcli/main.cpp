// skerrowen-map: writes a station map and its side file, without a display.
#include <fcntl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "mapcli/map_options.h"
#include "mapcli/view_centre.h"
#include "stationmap/map_picture_file.h"
#include "ui/qt_settings_store.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

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
// operator gets this program's one line about it instead.
template <typename Work>
auto WithoutForeignNotes(const Work& work) {
  std::fflush(stderr);
  const int saved = ::dup(STDERR_FILENO);
  const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (saved >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
  auto result = work();
  std::fflush(stderr);
  if (saved >= 0) ::dup2(saved, STDERR_FILENO);
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

}  // namespace

int main(int argc, char** argv) {
  const auto started = SteadyClock::now();
  qInstallMessageHandler(QuietQtNotes);
  const MapOptionsReading reading = ReadMapOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!reading.options) return Refuse(reading.problem);
  MapOptions options = *reading.options;
  if (options.help) {
    std::fputs(kMapUsage, stdout);
    return 0;
  }
  if (options.version) {
    std::printf("skerrowen-map %s\n", SKERROWEN_VERSION);
    return 0;
  }
  StationMapRequest& request = options.request;
  if (!options.centreGiven || !options.radiusGiven) {
    QtSettingsStore store(QtSettingsStore::UserStoreFile("skerrowen"));
    StderrMessages messages;
    const ViewCentre view = ReadViewCentre(store, messages);
    if (!options.centreGiven) request.centre = view.centre;
    if (!options.radiusGiven) request.radiusKm = view.radiusKm;
  }
  if (!options.imageGiven) request.imagePath = ShippedPicture();
  if (!options.outGiven) request.outPath = DefaultMapPath(request.centre, request.radiusKm);
  if (options.timeIsNow) {
    request.unixTime =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
  }
  if (std::string problem = CheckStationMapRequest(request); !problem.empty()) return Refuse(problem);

  // Labels need fonts, and fonts a GUI application; without a display it runs offscreen.
  std::unique_ptr<QGuiApplication> application;
  if (request.ringsKm > 0 || request.spokesDeg > 0 || request.gridDeg > 0 || request.target) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    application = std::make_unique<QGuiApplication>(argc, argv);
  }
  const double startUp = std::chrono::duration<double, std::milli>(SteadyClock::now() - started).count();

  const StationMapResult result = WithoutForeignNotes([&] { return MakeStationMap(request); });
  if (!result.ok) return Refuse(result.problem);
  if (!result.targetLine.empty()) std::printf("%s\n", result.targetLine.c_str());
  std::printf("Wrote %s and %s\n", result.picturePath.c_str(), result.sidePath.c_str());
  std::fflush(stdout);
  if (options.timings) {
    const StationMapTimings& t = result.timings;
    std::fprintf(stderr,
                 "start-up %.1f ms, decode %.1f ms, projection %.1f ms, overlays %.1f ms, encode %.1f ms\n",
                 startUp, t.decode, t.projection, t.overlays, t.encode);
  }
  return 0;
}
