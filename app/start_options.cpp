#include "app/start_options.h"

std::string HelpText(const std::string& programName) {
  return "Usage: " + programName +
         " [--maps-folder[=DIR]]\n"
         "Shows a lit, textured Earth globe in a window. Turn, tilt and zoom it with the keyboard and\n"
         "store azimuthal equidistant maps around its centre: MAP_<radius>_<long>_<lat>.BMP with a\n"
         ".DAT side file giving the radius, longitude and latitude.\n"
         "\n"
         "  --maps-folder[=DIR]  work in DIR instead of the current folder; without DIR, in the\n"
         "                       Skerrowen folder of your pictures folder (~/Pictures/Skerrowen);\n"
         "                       the folder is made when missing and earthmap.bmp put there when absent\n"
         "  --help               show this help and exit\n"
         "  --version            show the version and exit\n"
         "\n"
         "Keys: Left/Right turn, Up/Down tilt, Page Up/Page Down zoom, Ctrl+Left/Right move the sun,\n"
         "W/S wireframe/solid, Alt+Print Screen store the window as a map, Enter redraw and store the\n"
         "map, Esc redraw, store and quit.\n"
         "Maps, side files and the log Brannoch.log are written in the working folder, which must\n"
         "hold earthmap.bmp; the view is kept in ~/.config/skerrowen/skerrowen.conf.\n"
         "Without a display, run it on a virtual one: xvfb-run " +
         programName + "\n";
}
