#pragma once
// What the program keeps for its map outputs: the log, the map store and the redraw's
// random generator.
#include "app/program.h"
#include "base/uniform_random.h"
#include "mapout/hole_filling.h"
#include "mapout/log_file.h"
#include "mapout/map_files.h"

struct Program::MapProduction {
  MapProduction(FileStore& files, MessageBoxes& messages) : log(files, messages), store(files, messages) {}
  LogFile log;
  MapStore store;
  UniformRandom random;
  HoleFillingBuffers buffers;  // kept between redraws: fresh pages cost more than the fill
};
