// The map widget's dialog for a position typed by hand: a field for the coordinates, a line under
// it that says what is wrong with an entry, and Set, which keeps the dialog open until the entry
// reads as a position.

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

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

  auto* content = new QWidget;
  auto* column = new QVBoxLayout(content);
  column->setSpacing(4);
  auto* field = new QLineEdit(content);
  field->setObjectName("positionField");
  field->setAccessibleName(tr("Position"));
  field->setPlaceholderText(QStringLiteral("52.52, 13.405"));
  auto* error = new QLabel(content);
  error->setObjectName("alertError");
  error->setWordWrap(true);
  error->setTextFormat(Qt::PlainText);
  error->hide();
  column->addWidget(field);
  column->addWidget(error);
  dialog->setContent(content);

  dialog->setCheck([this, field, error](int index) {
    if (index != kSet) return true;
    const CoordinateReading reading = readCoordinates(field->text().toStdString());
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
    error->setText(problem);
    error->show();
    field->setAccessibleDescription(problem);
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    return false;
  });
  connect(dialog, &WindowDialog::answered, dialog, &QObject::deleteLater);
  dialog->show();
}

}  // namespace storm::qt
