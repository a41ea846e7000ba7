#include "app/program.h"

#include <cstdlib>

#include "app/view_update.h"

Program::Program(ProgramServices services, StationServices station)
    : services_(std::move(services)),
      viewSettings_(services_.settings, messages_),
      station_(StationWorkContext{services_, messages_, output_.Log(), view_, viewSettings_, keys_,
                                  [this] { Form_Unload(); }},
               std::move(station)),
      renderer_(RendererServices{
          [this](const std::string& text) { WriteLog(text); },
          &messages_,
          &services_.clock,
          services_.screen,
          services_.programDirectory,
          services_.createDirect3D,
          services_.createTextureFromFile,
          [this] { Form_Unload(); },
          [this](Direct3DDevice8* device) {
            ViewContext context{view_, keys_, services_.clock, viewSettings_, tables_};
            return UpdateSunLights(context, device);
          },
          services_.loadMeshFromX,
      }) {
  services_.pictures.Picture1.OnChanged([this] { services_.window.RequestRepaint(); });
}

void Program::Main() {
  for (;;) {
    SetUpPass();
    InteractiveLoop();

    if (!flags_.LoopEntered) services_.process.EndProgram();
    PostProcessMap();
    flags_.Running = true;
    if (flags_.QuitRequested) services_.process.EndProgram();
    flags_.LoopEntered = false;
  }
}

void Program::SetUpPass() {
  ShowMainWindow();
  viewSettings_.LoadViewSettings(view_);
  FillTrigTables(tables_);
  flags_.Running = renderer_.InitRenderer(&services_.pictures.Picture1);
  frameRepeat_.Forget();
  // The pass's first tick follows its set-up at once: the set-up is no tick to keep 10 ms
  // from, and until that tick the window shows no frame.
  flags_.LastTick = services_.clock.GetTickCount() - kTickMs;
}

void Program::ShowMainWindow() {
  services_.window.ShowModeless();
  if (!windowCreated_) {
    windowCreated_ = true;
    Form_Initialize();
  }
  services_.pictures.Picture1.SetVisible(true);
}

void Program::InteractiveLoop() {
  while (flags_.Running) {
    flags_.LoopEntered = true;
    // Unsigned difference, so the counter's wrap never stops the loop.
    const std::uint32_t elapsed = services_.clock.GetTickCount() - flags_.LastTick;
    if (elapsed < kTickMs) {
      // Waiting for the next tick sleeps instead of spinning; events wait for the tick.
      services_.clock.Sleep(kTickMs - elapsed);
      continue;
    }
    flags_.LastTick = services_.clock.GetTickCount();
    Tick();
    // At rest only the clock's next second can change the frame. Until then the loop waits,
    // for that second or for a window event, which the next tick handles as ever.
    const LocalDateTime now = services_.clock.Now();
    if (flags_.Running && frameRepeat_.NextRepeats(view_, keys_, now, eventsHandled_))
      services_.clock.WaitForEvent(MillisecondsIntoNextSecond(now));
  }
}

void Program::Tick() {
  // Read before the frame: a second that turns while it is drawn is drawn again next tick.
  const LocalDateTime now = services_.clock.Now();
  if (!frameRepeat_.NextRepeats(view_, keys_, now, eventsHandled_)) DrawTickFrame(now);
  services_.window.DoEvents();
}

void Program::DrawTickFrame(const LocalDateTime& now) {
  const std::uint64_t eventsBefore = eventsHandled_;
  Direct3DDevice8* device = renderer_.Device();
  ViewContext context{view_, keys_, services_.clock, viewSettings_, tables_};
  // A failing device call costs this tick's frame, not the program: the next tick tries again.
  bool whole = SUCCEEDED(UpdateView(context, device));
  whole = SUCCEEDED(UpdateSunLights(context, device)) && whole;
  whole = SUCCEEDED(ApplyViewTransforms(view_, device, renderer_.ModelMatrices())) && whole;
  whole = RenderFrame() && whole;
  if (whole) {
    frameRepeat_.Presented(view_, now, eventsBefore);
  } else {
    frameRepeat_.Forget();
  }
}

bool Program::RenderFrame() {
  const HRESULT drawn = renderer_.DrawModels();
  ApplyMapCentreRule(view_);
  services_.window.SetCaption(FrameCaption(view_));
  const HRESULT presented = renderer_.EndAndPresent();
  return SUCCEEDED(drawn) && SUCCEEDED(presented);
}

void Program::Form_Initialize() {
  std::string error;
  if (auto picture = services_.pictureFiles.Load("earthmap.bmp", &error))
    services_.pictures.Picture2.SetPicture(std::move(*picture));
  services_.pictures.Picture1.SetVisible(true);
  services_.window.SetKeyPreview(true);
}

void Program::Form_KeyDown(int keyCode, int shift) {
  EventHandled();
  PressHeldKey(keys_, keyCode, shift);
  RunKeyCommand(FindBinding(PressBindings(), keyCode, shift).command);
}

void Program::Form_KeyUp(int keyCode, int shift) {
  EventHandled();
  ReleaseHeldKey(keys_, keyCode);
  const KeyBinding binding = FindBinding(ReleaseBindings(), keyCode, shift);
  if (binding.step == ReleaseStep::BeforeFrame) RunKeyCommand(binding.command);
  services_.window.SetBorderStyle(2);
  if (binding.step == ReleaseStep::AfterFrame) RunKeyCommand(binding.command);
  WriteLog(std::to_string(keyCode) + "; " + std::to_string(shift));
  if (binding.step == ReleaseStep::AfterLog) RunKeyCommand(binding.command);
}

void Program::RunKeyCommand(KeyCommand command) {
  switch (command) {
    case KeyCommand::None:
      break;
    case KeyCommand::EndPass:
      flags_.Running = false;
      break;
    case KeyCommand::EndProgram:
      flags_.Running = false;
      flags_.QuitRequested = true;
      if (station_.MakingMap()) station_.StopMap();
      break;
    case KeyCommand::Frameless:
      services_.window.SetBorderStyle(0);
      break;
    case KeyCommand::ArmCapture:
      captureArmed_ = true;
      break;
    case KeyCommand::TakeCapture:
      if (!captureArmed_) break;
      captureArmed_ = false;
      output_.TakeCapture(view_);
      break;
    // Ctrl+G and M run events of their own: only between frames of the interactive loop,
    // never during the redraw, and one at a time.
    case KeyCommand::GoToPlace:
      if (flags_.Running && !station_.Busy()) station_.GoToPlace();
      break;
    case KeyCommand::StationMap:
      if (flags_.Running && !station_.Busy()) station_.StoreStationMap();
      break;
  }
}

void Program::Form_Click() {
  EventHandled();
  flags_.Running = false;
}

void Program::Form_Terminate() {
  EventHandled();
  flags_.Running = false;
}

void Program::Form_Deactivate() {
  EventHandled();
  keys_ = KeyFlags{};
}

void Program::Form_Unload() {
  EventHandled();
  if (station_.MakingMap()) {
    station_.StopMapForClosing();
    EndProgram();
  }
  // The dialog is closed with the window once it returns.
  if (station_.Busy()) {
    station_.UnloadWhenDone();
    return;
  }
  EndProgram();
}

void Program::EndProgram() {
  flags_.Running = false;
  renderer_.ReleaseRenderer();
  services_.process.EndProgram();
  // Not reached: the process control never returns, which the compiler cannot see through
  // the call it may have devirtualised.
  std::abort();
}
