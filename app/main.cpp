// Skerrowen: the map maker's entry point wires the Qt services to the program and hands
// the run to its start procedure.
#include <QApplication>
#include <QFileInfo>
#include <QScreen>

#include "app/model_read_ahead.h"
#include "app/program.h"
#include "app/start_up.h"
#include "base/memory_policy.h"
#include "base/posix_file_store.h"
#include "render/d3dx/d3dx_mesh.h"
#include "render/d3dx/d3dx_texture.h"
#include "render/device/adapter.h"
#include "settings/qt_settings_store.h"
#include "stationmap/station_map.h"
#include "ui/qt_frm_main.h"
#include "ui/qt_place_dialog.h"
#include "ui/qt_services.h"

int main(int argc, char* argv[]) {
  GiveLargeBlocksBackToTheSystem();
  int exitStatus = 0;
  std::optional<StartUp> startUp = PrepareStartUp(argc, argv, &exitStatus);
  if (!startUp) return exitStatus;
  // The globe model is read beside the application's and the window's start; its textures
  // once Qt's picture decoders can be loaded.
  ModelReadAhead model(startUp->dataFolder, D3DXLoadMeshFromX);
  QApplication application(argc, argv);
  model.DecodeTextures(D3DXCreateTextureFromFile);
  startUp->displayHeld.reset();
  const std::string name =
      QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString();

  QtClock clock;
  QtSettingsStore settings(QtSettingsStore::UserStoreFile(name));
  QtMessageBoxes messages("Skerrowen");
  QtClipboard clipboard;
  PosixFileStore files;
  QtPictureFiles pictureFiles;
  QtProcessControl process([&settings] { settings.Sync(); });
  Pictures pictures;
  FrmMain frmMain(pictures.Picture1, clipboard);
  QtPlaceDialog placeDialog(&frmMain);

  ScreenGeometry screen;
  if (const QScreen* primary = QGuiApplication::primaryScreen()) {
    screen.widthTwips = primary->size().width() * screen.twipsPerPixelX;
    screen.heightTwips = primary->size().height() * screen.twipsPerPixelY;
  }

  Program program(
      ProgramServices{pictures, clock, settings, messages, clipboard, files, pictureFiles, frmMain, process,
                      screen, startUp->dataFolder, [](ScreenSize size) { return Direct3DCreate8(size); },
                      model.TextureLoader(D3DXCreateTextureFromFile), model.MeshLoader(D3DXLoadMeshFromX)},
      StationServices{&placeDialog,
                      [](const StationMapRequest& request, const StationMapProgress& progress,
                         FileStore& files) { return MakeStationMap(request, progress, &files); }});
  frmMain.SetEvents(&program);
  program.Main();
}
