#pragma once
// The start procedure and its state: passes of set-up, interactive loop and map redraw,
// and the main window's event handlers that steer them through flags. The keys are tables
// (app/loop_keys.h); the maps the program stores and its log are the map output's
// (app/map_output.h); Ctrl+G and M are the station work's (app/station_work.h).
#include <cstdint>
#include <string>

#include "app/frame_repeat.h"
#include "app/globe_renderer.h"
#include "app/loop_keys.h"
#include "app/map_output.h"
#include "app/program_services.h"
#include "app/station_work.h"
#include "app/view_state.h"
#include "calc/degree_tables.h"
#include "settings/view_settings.h"
#include "ui/main_window.h"

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
  void WriteLog(const std::string& text) { output_.WriteLog(text); }

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
  void PostProcessMap() { output_.PostProcessMap(view_); }
  void RunKeyCommand(KeyCommand command);
  // The renderer released and the program ended, from a handler of the window.
  [[noreturn]] void EndProgram();

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
  ViewState view_;
  KeyFlags keys_;
  ModalMessages messages_{services_.messages, keys_};
  RunFlags flags_;
  FrameRepeat frameRepeat_;
  std::uint64_t eventsHandled_ = 0;
  DegreeTables tables_;
  ViewSettings viewSettings_;
  MapOutput output_{services_, messages_};
  StationWork station_;
  GlobeRenderer renderer_;
  bool windowCreated_ = false;
  bool captureArmed_ = false;
};
