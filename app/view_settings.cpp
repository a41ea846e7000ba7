#include "app/view_settings.h"

#include "ui/number_text.h"

namespace {
constexpr const char* kSection = "Setting";
}

void ViewSettings::LoadViewSettings(ViewState& view) {
  view.Rotation = 264;
  view.Tilt = 52;
  view.Distance = 0;
  view.Rotation = ReadWholeDegrees("Rotation", view.Rotation);
  view.Tilt = ReadWholeDegrees("Tilt", view.Tilt);
  view.Distance = ReadNumber("Distance", view.Distance);
  view.Offset = ReadNumber("Offset", view.Offset);
}

void ViewSettings::WriteRotationTiltDistance(const ViewState& view) {
  Write("Rotation", std::to_string(view.Rotation));
  Write("Tilt", std::to_string(view.Tilt));
  Write("Distance", FormatGeneral(view.Distance, format_));
}

void ViewSettings::WriteOffset(const ViewState& view) { Write("Offset", FormatGeneral(view.Offset, format_)); }

void ViewSettings::Write(const std::string& key, const std::string& value) {
  std::string error;
  if (store_.Write(kSection, key, value, &error) || failureReported_) return;
  // The view goes on without being saved; telling once is enough, as the next step writes again.
  failureReported_ = true;
  messages_.Show("The view settings could not be saved: " + error, "ERROR", MessageIcon::Critical);
}

std::int16_t ViewSettings::ReadWholeDegrees(const std::string& key, std::int16_t startValue) {
  const double value = ReadNumber(key, startValue);
  const double whole = RoundHalfEven(value);
  if (whole < -32768 || whole > 32767) return startValue;
  return static_cast<std::int16_t>(whole);
}

double ViewSettings::ReadNumber(const std::string& key, double startValue) {
  const auto text = store_.Read(kSection, key);
  if (!text) return startValue;
  const auto value = ParseNumber(*text, format_);
  return value ? *value : startValue;
}
