// The history screen's dialog for the direction of a strike's flash: a field for the degrees, a
// line under it that says what is wrong with an entry, Set, which keeps the dialog open until the
// entry reads as a direction, and Remove direction for a strike that has one.

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QLocale>

#include "storm/Bearing.h"
#include "storm/qt/HistoryWindow.h"
#include "system/qt/WindowDialog.h"

namespace storm::qt {

namespace {
constexpr int kCancel = 0;
constexpr int kSet = 1;
constexpr int kRemove = 2;
}  // namespace

void HistoryWindow::chooseDirection() {
  const std::optional<Strike> strike = chosen();
  if (!strike || (directionDialog_ && directionDialog_->isVisible())) return;
  delete directionDialog_.data();
  QStringList buttons = {localized("Cancel"), localized("Set")};
  if (strike->bearing) buttons << localized("Remove direction");
  directionDialog_ = new WindowDialog(window_, localized("Direction of the flash"),
                                      localized("Degrees clockwise from north: 0 is north, 90 east, 180 south."),
                                      buttons);
  WindowDialog::Manner manner;
  // Three buttons need a row each in a narrow window.
  manner.buttonsInRow = !strike->bearing;
  manner.defaultButton = kSet;
  manner.escapeButton = kCancel;
  manner.destructiveButton = strike->bearing ? kRemove : -1;
  directionDialog_->setManner(manner);

  const WindowDialog::Field field = directionDialog_->setField("bearingField", localized("Degrees"), QStringLiteral("45"));
  if (strike->bearing)
    field.edit->setText(QLocale().toString(strike->bearing->degrees, 'f', QLocale::FloatingPointShortest));

  directionDialog_->setCheck([this, field](int index) {
    if (index != kSet || parseBearing(field.edit->text().toStdString())) return true;
    WindowDialog::showProblem(
        field, localized("Not a direction. Type the degrees from 0 up to 360, such as 45 or 202.5."));
    return false;
  });
  connect(directionDialog_, &WindowDialog::answered, this, [this, strike = *strike, field](int index) {
    if (index == kSet) {
      directionRemoved_ = false;
      emit directionChosen(strike, parseBearing(field.edit->text().toStdString()));
    } else if (index == kRemove) {
      directionRemoved_ = true;
      emit directionChosen(strike, std::nullopt);
    }
  });
  directionDialog_->show();
}

void HistoryWindow::directionSet(bool ok) {
  ui_.result->setText(!ok                ? localized("Could not save the direction")
                      : directionRemoved_ ? localized("Direction removed")
                                          : localized("Direction saved"));
  // The list read afresh, with the same strike chosen again once it is back.
  QTableView* table = ui_.strikeList->table();
  const QModelIndexList rows = table->selectionModel()->selectedRows();
  const int row = rows.isEmpty() ? -1 : rows[0].row();
  if (row >= 0 && ui_.strikeList->model()) {
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = connect(ui_.strikeList->model(), &QAbstractItemModel::modelReset, this, [this, table, row, once] {
      disconnect(*once);
      if (row < table->model()->rowCount()) table->selectRow(row);
    });
  }
  ui_.strikeList->reload();
}

}  // namespace storm::qt
