#include "settings/view_settings.h"

#include "base/number_text.h"

namespace {
constexpr const char* kSection = "Setting";
}

void ViewSettings::LoadViewSettings(ViewValues& view) {
  if (!openProblemReported_) {
    // Once a run: what was wrong with the store when it was opened does not change.
    openProblemReported_ = true;
    const std::string problem = store_.OpenProblem();
    if (!problem.empty()) messages_.Show(problem, "ERROR", MessageIcon::Critical);
  }
  view.Rotation = 264;
  view.Tilt = 52;
  view.Distance = 0;
  std::string refused;
  view.Rotation = ReadWholeDegrees("Rotation", view.Rotation, refused);
  view.Tilt = ReadWholeDegrees("Tilt", view.Tilt, refused);
  const double distance = ReadNumber("Distance", view.Distance, refused);
  if (IsUsableDistance(distance)) {
    view.Distance = distance;
  } else {
    refused += "\nDistance = \"" + store_.Read(kSection, "Distance").value_or("") + "\" (out of range)";
  }
  view.Offset = ReadNumber("Offset", view.Offset, refused);
  if (refused.empty() || refusalReported_) return;
  // Once a run: the first view step writes good values back, except an Offset nobody moves.
  refusalReported_ = true;
  messages_.Show("The view settings in " + store_.Location() + " hold values that cannot be used:" + refused +
                     "\nThe start values are used instead.",
                 "ERROR", MessageIcon::Critical);
}

void ViewSettings::WriteRotationTiltDistance(const ViewValues& view) {
  Write("Rotation", std::to_string(view.Rotation));
  Write("Tilt", std::to_string(view.Tilt));
  Write("Distance", FormatGeneral(view.Distance));
}

void ViewSettings::WriteOffset(const ViewValues& view) { Write("Offset", FormatGeneral(view.Offset)); }

void ViewSettings::Write(const std::string& key, const std::string& value) {
  std::string error;
  if (store_.Write(kSection, key, value, &error) || failureReported_) return;
  // The view goes on without being saved; telling once is enough, as the next step writes again.
  failureReported_ = true;
  messages_.Show("The view settings could not be saved: " + error, "ERROR", MessageIcon::Critical);
}

std::int16_t ViewSettings::ReadWholeDegrees(const std::string& key, std::int16_t startValue,
                                            std::string& refused) {
  const double value = ReadNumber(key, startValue, refused);
  const double whole = RoundHalfEven(value);
  if (whole < -32768 || whole > 32767) {
    refused += "\n" + key + " = \"" + store_.Read(kSection, key).value_or("") + "\" (out of range)";
    return startValue;
  }
  return static_cast<std::int16_t>(whole);
}

double ViewSettings::ReadNumber(const std::string& key, double startValue, std::string& refused) {
  const auto text = store_.Read(kSection, key);
  if (!text) return startValue;
  const auto value = ParseNumber(*text);
  if (!value) refused += "\n" + key + " = \"" + *text + "\" (not a number)";
  return value ? *value : startValue;
}
