#pragma once

#include <QAbstractTableModel>
#include <QLocale>
#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "storm/StrikeStore.h"

// The strike log as a table for Qt's item views, newest first: time, delay, miles, kilometres,
// position, the direction of the flash (compass point and degrees) and the point it places the
// strike at. The row count is the log's size; the rows are read from the store a page at a time,
// only when a view asks for one of them, and read as empty until their page arrives. The reads
// queue behind the store's writes, so every strike appended before a reload is listed. An answer
// that gives another size than the table has means the log changed meanwhile: the table is read
// afresh. Only a bounded number of pages is kept. Main thread only.

namespace storm::qt {

class StrikeTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kPageRows = 256;
  static constexpr int kKeptPages = 64;
  enum Column {
    TimeColumn,
    DelayColumn,
    MilesColumn,
    KilometresColumn,
    PositionColumn,
    DirectionColumn,
    StrikePointColumn,
    ColumnCount
  };

  // Reads nothing until the first reload.
  explicit StrikeTableModel(std::shared_ptr<StrikeStore> store, QObject* parent = nullptr);

  // Reads the log's size and first page afresh; the rows shown stay until the answer comes.
  void reload();
  // The log has answered since the table was made.
  bool counted() const { return counted_; }
  // The strike in `row`, if its page has been read.
  std::optional<Strike> strikeAt(int row) const;
  // Where a strike's position came from and how accurate it was, for its tooltip.
  QString positionNote(const StrikePosition& position) const;
  // "NE 45°": the compass point in the user's language and the degrees.
  QString directionText(double degrees) const;
  // The text of `strike`'s cell in `column`, the locale's way, in one or two lines.
  QString cellText(const Strike& strike, int column, bool stacked) const;
  // The title of `column`, a word a line when the rows are stacked.
  QString headerText(int column, bool stacked) const;
  // Two lines for the time (date above time of day), the position (latitude above longitude) and
  // the titles, for a narrow window; one line each by default.
  void setStacked(bool stacked);
  bool stacked() const { return stacked_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 signals:
  // The page `page` (rows from page × kPageRows on) arrived; after a reload, the first one also
  // brought the new row count.
  void pageRead(int page);

 private:
  void request(int page);
  // A latitude and longitude as the list shows positions.
  QString coordinateText(double latitude, double longitude, bool stacked) const;
  void received(quint64 generation, StrikePage answer);

  const std::shared_ptr<StrikeStore> store_;
  const QLocale locale_;
  const QString dateFormat_;  // the locale's short date
  const QString timeFormat_;  // the locale's short time of day, with seconds
  bool stacked_ = false;
  int rows_ = 0;
  bool counted_ = false;
  bool resetting_ = false;  // a reload waits for its first page
  quint64 generation_ = 0;  // one per reload: answers to an earlier one are dropped
  std::map<int, std::vector<Strike>> pages_;
  std::set<int> requested_;  // pages asked for since the last reload
};

}  // namespace storm::qt
