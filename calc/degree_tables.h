#pragma once
// Sines and cosines of the whole degrees 0..360 for the camera and the sun, which work in
// whole degrees.

// Degrees to radians as the camera and the sun have always turned them: 3.14159 / 180, not
// pi / 180. Changing it would move every view that users have stored.
inline constexpr double kTableDegreeFactor = 3.14159 / 180;

struct DegreeTables {
  // Entry i is the sine (cosine) of i * kTableDegreeFactor, computed in double and rounded
  // to single. All zero until FillTrigTables has run.
  float SinTable[361] = {};
  float CosTable[361] = {};
};

// Fills both tables; filling again writes the same values.
void FillTrigTables(DegreeTables& tables);
