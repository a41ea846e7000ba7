// Ctrl+G: the go-to dialog, the view turned to the place, and the operator's station.
#include "app/place_view.h"
#include "app/program.h"
#include "geo/place_text.h"
#include "settings/station_settings.h"

void Program::GoToPlace() {
  if (station_.placeDialog == nullptr) return;
  stationWorkRunning_ = true;
  const std::string station = services_.settings.Read(kStationSection, kStationPlaceKey).value_or("");
  const auto answer = station_.placeDialog->AskPlace(station, UnderstandPlace);
  // The keys held when the dialog opened were released into it.
  keys_ = KeyFlags{};
  EndStationWork();
  if (!answer) return;
  const PlaceReading reading = ReadPlace(answer->text);
  if (!reading.place) return;  // the dialog is accepted only with a place

  const WholeDegreeTurn turn = TurnTowards(*reading.place);
  view_.Rotation = turn.Rotation;
  view_.Tilt = turn.Tilt;
  viewSettings_.WriteRotationTiltDistance(view_);
  ApplyMapCentreRule(view_);
  services_.window.SetCaption(FrameCaption(view_));

  if (!answer->myStation) return;
  std::string error;
  if (!services_.settings.Write(kStationSection, kStationPlaceKey, answer->text, &error)) {
    messages_.Show("The station could not be saved: " + error, "ERROR", MessageIcon::Critical);
  }
}

void Program::EndStationWork() {
  stationWorkRunning_ = false;
  if (unloadAfterStationWork_) Form_Unload();
}
