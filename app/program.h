#pragma once
// The start procedure and its state: passes of set-up, interactive loop and map redraw,
// and the main window's event handlers that steer them through flags.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/frame_repeat.h"
#include "app/globe_renderer.h"
#include "app/view_state.h"
#include "app/work_beside_events.h"
#include "base/platform.h"
#include "base/surface.h"
#include "calc/degree_tables.h"
#include "settings/view_settings.h"
#include "ui/main_window.h"

// The four picture boxes of the main window, each with an inner area of 557 x 557 pixels.
struct Pictures {
  Surface Picture1{557, 557, 0x000000};  // the render and map surface, the only one on screen
  Surface Picture2{557, 557, 0x000000};  // the Earth texture "earthmap.bmp"
  Surface Picture3{557, 557, 0x000000};  // the redraw's snapshot of Picture1
  Surface Picture4{557, 557, 0x808080};  // the capture surface
};

struct ProgramServices {
  Pictures& pictures;
  Clock& clock;
  SettingsStore& settings;
  MessageBoxes& messages;
  Clipboard& clipboard;
  FileStore& files;
  PictureFiles& pictureFiles;
  MainWindow& window;
  ProcessControl& process;
  ScreenGeometry screen;
  std::string programDirectory;
  std::function<std::unique_ptr<Direct3D8>(ScreenSize)> createDirect3D;
  TextureFileLoader createTextureFromFile;
  // The globe model's mesh; D3DXLoadMeshFromX when not given.
  MeshFileLoader loadMeshFromX = {};
};

// Ctrl+G asks this dialog for a place; M makes station maps with this maker. Without them
// the two keys only write their log lines.
struct StationServices {
  PlaceDialog* placeDialog = nullptr;
  StationMapMaker makeStationMap;
};

struct RunFlags {
  bool Running = false;
  bool QuitRequested = false;
  bool LoopEntered = false;
  std::uint32_t LastTick = 0;
};

class Program : public FormEvents {
 public:
  static constexpr std::uint32_t kTickMs = 10;

  explicit Program(ProgramServices services, StationServices station = {});
  ~Program() override;

  // Runs passes until the program ends; never returns.
  [[noreturn]] void Main();

  void Form_Initialize();
  void Form_KeyDown(int keyCode, int shift) override;
  void Form_KeyUp(int keyCode, int shift) override;
  void Form_Click() override;
  void Form_Terminate() override;
  void Form_Deactivate() override;
  void Form_Unload() override;

  // The top of a pass: window, view settings, degree tables, renderer set-up (its result is
  // the Running flag), and the loop's first tick time.
  void SetUpPass();
  // One tick of the interactive loop: view, sun, transforms, frame, events. At rest (see
  // FrameRepeat) the frame would be the last one again, and only the events are processed.
  void Tick();
  // True when the frame was drawn and presented whole.
  bool RenderFrame();
  void WriteLog(const std::string& text);

  Pictures& pictures() { return services_.pictures; }
  ViewState& view() { return view_; }
  KeyFlags& keys() { return keys_; }
  RunFlags& flags() { return flags_; }
  bool CaptureArmed() const { return captureArmed_; }
  GlobeRenderer& renderer() { return renderer_; }

 private:
  void ShowMainWindow();
  void InteractiveLoop();
  // The view, sun, transforms and frame of a tick; the frame is recorded when it came whole.
  void DrawTickFrame(const LocalDateTime& now);
  // Every window event handler counts itself, so the loop knows that the next frame may differ.
  void EventHandled() { ++eventsHandled_; }
  void TakeCapture();
  void PostProcessMap();
  void InitMapProduction();
  // Ctrl+G: turns the view to a typed place, and stores it as the station when asked to.
  void GoToPlace();
  // M: the station map of the view's centre and radius, named STATION_..., in the working folder.
  void StoreStationMap();
  // Ends the program now when its window was closed while the dialog ran.
  void EndStationWork();
  // Closing the window or Esc while a station map is made stops it; closing then ends the
  // program as soon as no file of the map is being written.
  void StopStationMap(bool endProgram);

  // Every message box the program shows is modal and takes the keyboard: the keys held
  // before it are released, as their releases go to the box.
  class ModalMessages : public MessageBoxes {
   public:
    ModalMessages(MessageBoxes& boxes, KeyFlags& keys) : boxes_(boxes), keys_(keys) {}
    void Show(const std::string& text, const std::string& title, MessageIcon icon) override {
      keys_ = KeyFlags{};
      boxes_.Show(text, title, icon);
    }

   private:
    MessageBoxes& boxes_;
    KeyFlags& keys_;
  };

  ProgramServices services_;
  StationServices station_;
  ViewState view_;
  KeyFlags keys_;
  ModalMessages messages_{services_.messages, keys_};
  RunFlags flags_;
  FrameRepeat frameRepeat_;
  std::uint64_t eventsHandled_ = 0;
  DegreeTables tables_;
  ViewSettings viewSettings_;
  GlobeRenderer renderer_;
  bool windowCreated_ = false;
  bool captureArmed_ = false;
  // While the go-to dialog or a station map runs, their keys do not start another.
  bool stationWorkRunning_ = false;
  bool unloadAfterStationWork_ = false;
  bool stationMapRefusalReported_ = false;
  // While a station map is made: what stops it, and its picture's name for the log.
  WorkStop* stationMapStop_ = nullptr;
  std::string stationMapName_;
  struct MapProduction;
  std::unique_ptr<MapProduction> maps_;
};
