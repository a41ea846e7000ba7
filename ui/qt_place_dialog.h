#pragma once
// The go-to dialog on Qt: a line for the place, what it was understood as, and the
// "This is my station" check box.
#include <QWidget>

#include "ui/main_window.h"

class QtPlaceDialog : public PlaceDialog {
 public:
  explicit QtPlaceDialog(QWidget* parent) : parent_(parent) {}
  std::optional<PlaceAnswer> AskPlace(const std::string& text, const Understand& understand) override;

 private:
  QWidget* parent_;
};
