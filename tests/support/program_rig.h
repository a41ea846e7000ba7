#pragma once
// A whole program on stand-in services, for tests and benchmarks that drive it without a
// desktop: a fake clock, in-memory settings and files, a recording window and messages.
#include <functional>
#include <memory>
#include <string>

#include "app/program.h"
#include "render/d3dx/d3dx_texture.h"
#include "render/device/adapter.h"
#include "support/fakes.h"

struct StandInServices {
  Pictures pictures;
  FakeClock clock;
  MemorySettingsStore store;
  RecordingMessageBoxes messages;
  FakeClipboard clipboard;
  MemoryFileStore files;
  FakePictureFiles pictureFiles;
  FakeWindow window;
  ThrowingProcessControl process;
  ScreenGeometry screen{1280 * 15, 1024 * 15, 15, 15};

  // The program looks for "5.x" in `programDirectory`; the adapter defaults to the software one.
  ProgramServices Services(
      std::string programDirectory, std::function<std::unique_ptr<Direct3D8>(ScreenSize)> createDirect3D =
                                        [](ScreenSize size) { return Direct3DCreate8(size); }) {
    return ProgramServices{pictures,
                           clock,
                           store,
                           messages,
                           clipboard,
                           files,
                           pictureFiles,
                           window,
                           process,
                           screen,
                           std::move(programDirectory),
                           std::move(createDirect3D),
                           D3DXCreateTextureFromFile};
  }
};
