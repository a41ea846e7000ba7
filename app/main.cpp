// Skerrowen: the map maker's entry point wires the Qt services to the program and hands
// the run to its start procedure.
#include <QApplication>
#include <QFileInfo>
#include <QScreen>

#include "app/program.h"
#include "render/adapter.h"
#include "render/d3dx_texture.h"
#include "stationmap/station_map.h"
#include "ui/posix_file_store.h"
#include "ui/qt_frm_main.h"
#include "ui/qt_place_dialog.h"
#include "ui/qt_services.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  const std::string name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString();

  QtClock clock;
  QtSettingsStore settings(name);
  QtMessageBoxes messages("Skerrowen");
  QtClipboard clipboard;
  PosixFileStore files;
  QtPictureFiles pictureFiles;
  QtProcessControl process(settings);
  Pictures pictures;
  FrmMain frmMain(pictures.Picture1, clipboard);
  QtPlaceDialog placeDialog(&frmMain);

  ScreenGeometry screen;
  if (const QScreen* primary = QGuiApplication::primaryScreen()) {
    screen.widthTwips = primary->size().width() * screen.twipsPerPixelX;
    screen.heightTwips = primary->size().height() * screen.twipsPerPixelY;
  }

  Program program(ProgramServices{pictures, clock, settings, messages, clipboard, files, pictureFiles, frmMain,
                                  process, SystemRegionalFormat(), screen,
                                  QCoreApplication::applicationDirPath().toStdString(),
                                  [](ScreenSize size) { return Direct3DCreate8(size); }, D3DXCreateTextureFromFile},
                  StationServices{&placeDialog, MakeStationMap});
  frmMain.SetEvents(&program);
  program.Main();
}
