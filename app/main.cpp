// Skerrowen: the map maker's entry point wires the Qt services to the program and hands
// the run to its start procedure.
#include <QApplication>
#include <QFileInfo>
#include <QScreen>

#include "app/program.h"
#include "app/start_up.h"
#include "render/adapter.h"
#include "render/d3dx_texture.h"
#include "ui/posix_file_store.h"
#include "ui/qt_frm_main.h"
#include "ui/qt_services.h"

int main(int argc, char* argv[]) {
  int exitStatus = 0;
  std::optional<StartUp> startUp = PrepareStartUp(argc, argv, &exitStatus);
  if (!startUp) return exitStatus;
  QApplication application(argc, argv);
  startUp->displayHeld.reset();
  const std::string name =
      QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString();

  QtClock clock;
  QtSettingsStore settings(name);
  QtMessageBoxes messages("Skerrowen");
  QtClipboard clipboard;
  PosixFileStore files;
  QtPictureFiles pictureFiles;
  QtProcessControl process(settings);
  Pictures pictures;
  FrmMain frmMain(pictures.Picture1, clipboard);

  ScreenGeometry screen;
  if (const QScreen* primary = QGuiApplication::primaryScreen()) {
    screen.widthTwips = primary->size().width() * screen.twipsPerPixelX;
    screen.heightTwips = primary->size().height() * screen.twipsPerPixelY;
  }

  Program program(ProgramServices{
      pictures, clock, settings, messages, clipboard, files, pictureFiles, frmMain, process, screen,
      startUp->dataFolder, [](ScreenSize size) { return Direct3DCreate8(size); }, D3DXCreateTextureFromFile});
  frmMain.SetEvents(&program);
  program.Main();
}
