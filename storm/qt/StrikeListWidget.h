#pragma once

#include <QLabel>
#include <QStackedLayout>
#include <QTableView>
#include <QWidget>
#include <memory>

#include "storm/qt/StrikeTableModel.h"

// The strike list on Qt: a table over a StrikeTableModel, or a plain line of text in its place
// while the log is empty. Every column is at least as wide as its longest text; a window too narrow
// for that gets two-line rows.

namespace storm::qt {

class StrikeListWidget : public QWidget {
  Q_OBJECT

 public:
  explicit StrikeListWidget(QWidget* parent = nullptr);

  // Lists `store`'s strikes, reading the first page now.
  void showLog(std::shared_ptr<StrikeStore> store);
  void reload();
  void setEmptyText(const QString& text);

  QTableView* table() const { return table_; }
  StrikeTableModel* model() const { return model_; }
  // -1 until the log has answered.
  long strikeCount() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void showRowsOrText();
  // Each column as wide as its widest text, and room to spare shared out; in a window too narrow
  // for that, the time and the position take two lines.
  void fitCells();

  QStackedLayout* stack_;
  QTableView* table_;
  QLabel* empty_;
  StrikeTableModel* model_ = nullptr;
};

}  // namespace storm::qt
