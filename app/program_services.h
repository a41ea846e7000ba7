#pragma once
// What the program works on and through: the main window's four picture boxes and the
// platform's services, each behind an interface a test can stand in for.
#include <functional>
#include <memory>
#include <string>

#include "app/globe_renderer.h"
#include "app/work_beside_events.h"
#include "base/platform.h"
#include "base/surface.h"
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
