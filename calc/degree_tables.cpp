#include "calc/degree_tables.h"

#include <cmath>

void FillTrigTables(DegreeTables& tables) {
  for (int i = 0; i <= 360; ++i) {
    const double a = i * kTableDegreeFactor;
    tables.CosTable[i] = static_cast<float>(std::cos(a));
    tables.SinTable[i] = static_cast<float>(std::sin(a));
  }
}
