#pragma once
// The four view values in the per-user settings store, section "Setting".
#include <cstdint>
#include <string>

#include "base/platform.h"
#include "settings/map_centre.h"

class ViewSettings {
 public:
  ViewSettings(SettingsStore& store, MessageBoxes& messages) : store_(store), messages_(messages) {}

  // Resets Rotation, Tilt and Distance to 264, 52 and 0 and reads all four values; a key
  // that is missing, not a number or out of range keeps the start value. The first time a
  // stored value is refused, one message names the store, the keys and their texts. The
  // first call also tells what the store found wrong with its file when it was opened.
  void LoadViewSettings(ViewValues& view);

  void WriteRotationTiltDistance(const ViewValues& view);
  void WriteOffset(const ViewValues& view);

 private:
  void Write(const std::string& key, const std::string& value);
  std::int16_t ReadWholeDegrees(const std::string& key, std::int16_t startValue, std::string& refused);
  double ReadNumber(const std::string& key, double startValue, std::string& refused);

  SettingsStore& store_;
  MessageBoxes& messages_;
  bool failureReported_ = false;
  bool refusalReported_ = false;
  bool openProblemReported_ = false;
};
