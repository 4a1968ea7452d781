// The map widget's dialog for a position typed by hand: a field for the coordinates, a line under
// it that says what is wrong with an entry, and Set, which keeps the dialog open until the entry
// reads as a position.

#include <QLineEdit>

#include "map/CoordinateText.h"
#include "map/qt/MapWidget.h"
#include "system/qt/WindowDialog.h"

namespace storm::qt {

namespace {
constexpr int kCancel = 0;
constexpr int kSet = 1;
}  // namespace

void MapWidget::askForPosition() {
  if (positionDialog_ || !window()) return;
  auto* dialog = new WindowDialog(window(), tr("Type your position"),
                                  tr("Latitude and longitude, in decimal degrees or in degrees, minutes and seconds."),
                                  {tr("Cancel"), tr("Set")});
  dialog->setParent(this);
  positionDialog_ = dialog;
  WindowDialog::Manner manner;
  manner.buttonsInRow = true;
  manner.defaultButton = kSet;
  manner.escapeButton = kCancel;
  dialog->setManner(manner);

  const WindowDialog::Field field =
      dialog->setField("positionField", tr("Position"), QStringLiteral("52.52, 13.405"));

  dialog->setCheck([this, field](int index) {
    if (index != kSet) return true;
    const CoordinateReading reading = readCoordinates(field.edit->text().toStdString());
    QString problem;
    switch (reading.problem) {
      case CoordinateReading::Problem::None: setPositionByHand(reading.place); return true;
      case CoordinateReading::Problem::Unreadable:
        problem =
            tr("Not a position. Type it as 52.52,\u00a013.405 or as "
               "52\u00b031\u203212\u2033N\u00a013\u00b024\u203218\u2033E.");
        break;
      case CoordinateReading::Problem::Latitude:
        problem = tr("The latitude is at most 90\u00b0 north or south.");
        break;
      case CoordinateReading::Problem::Longitude:
        problem = tr("The longitude is at most 180\u00b0 east or west.");
        break;
    }
    WindowDialog::showProblem(field, problem);
    return false;
  });
  connect(dialog, &WindowDialog::answered, dialog, &QObject::deleteLater);
  dialog->show();
}

}  // namespace storm::qt
