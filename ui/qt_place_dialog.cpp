#include "ui/qt_place_dialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

std::optional<PlaceAnswer> QtPlaceDialog::AskPlace(const std::string& text, const Understand& understand) {
  QDialog dialog(parent_);
  dialog.setWindowTitle("Go to");
  auto* layout = new QVBoxLayout(&dialog);
  auto* hint = new QLabel(
      "A Maidenhead locator (JO62qm) or latitude,longitude in degrees, north and east positive "
      "(52.5,13.4 or 33.87S,151.21E).\nRotation and Tilt are whole degrees: the view turns to the nearest "
      "whole degree.");
  hint->setWordWrap(true);
  auto* place = new QLineEdit(QString::fromStdString(text));
  // Far longer than any place, which the understanding refuses as such: a paste of pages is
  // cut here and still told to be too long, never taken for the place its start spells.
  place->setMaxLength(1000);
  auto* understood = new QLabel;
  understood->setWordWrap(true);
  auto* station = new QCheckBox("This is my station");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  for (QWidget* widget :
       {static_cast<QWidget*>(hint), static_cast<QWidget*>(place), static_cast<QWidget*>(understood),
        static_cast<QWidget*>(station), static_cast<QWidget*>(buttons)}) {
    layout->addWidget(widget);
  }
  dialog.setMinimumWidth(460);

  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  const auto showUnderstanding = [&] {
    const PlaceUnderstanding understanding = place->text().trimmed().isEmpty()
                                                 ? PlaceUnderstanding{false, "no place typed yet"}
                                                 : understand(place->text().toStdString());
    understood->setText(QString::fromStdString((understanding.usable ? "Understood: " : "Cannot use it: ") +
                                               understanding.text));
    ok->setEnabled(understanding.usable);
  };
  QObject::connect(place, &QLineEdit::textChanged, &dialog, showUnderstanding);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  showUnderstanding();
  place->selectAll();
  place->setFocus();

  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return PlaceAnswer{place->text().toStdString(), station->isChecked()};
}
