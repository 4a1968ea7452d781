#include "storm/qt/StrikeTableModel.h"

#include <QDateTime>
#include <QPointer>
#include <climits>
#include <cmath>

#include "measure/Measurement.h"
#include "storm/Bearing.h"

namespace storm::qt {

namespace {

// A column's name as a screen reader says it before a cell: the abbreviations written out.
QString spokenColumn(int column, const QString& written) {
  switch (column) {
    case StrikeTableModel::DelayColumn: return StrikeTableModel::tr("Delay in seconds");
    case StrikeTableModel::MilesColumn: return StrikeTableModel::tr("Miles");
    case StrikeTableModel::KilometresColumn: return StrikeTableModel::tr("Kilometres");
    default: return written;
  }
}

// The locale's short time of day; a strike a few seconds after another needs the seconds too.
QString shortTimeWithSeconds(const QLocale& locale) {
  QString format = locale.timeFormat(QLocale::ShortFormat);
  if (!format.contains('s')) format.replace("mm", "mm:ss");
  return format;
}

}  // namespace

StrikeTableModel::StrikeTableModel(std::shared_ptr<StrikeStore> store, QObject* parent)
    : QAbstractTableModel(parent),
      store_(std::move(store)),
      dateFormat_(locale_.dateFormat(QLocale::ShortFormat)),
      timeFormat_(shortTimeWithSeconds(locale_)) {}

void StrikeTableModel::setStacked(bool stacked) {
  if (stacked == stacked_) return;
  stacked_ = stacked;
  if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, ColumnCount - 1), {Qt::DisplayRole});
  emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void StrikeTableModel::reload() {
  ++generation_;
  requested_.clear();
  resetting_ = true;
  request(0);
}

void StrikeTableModel::request(int page) {
  if (!store_ || !requested_.insert(page).second) return;
  QPointer<StrikeTableModel> self(this);
  store_->readPage(static_cast<long>(page) * kPageRows, kPageRows, [self, generation = generation_](StrikePage answer) {
    if (self) self->received(generation, std::move(answer));
  });
}

void StrikeTableModel::received(quint64 generation, StrikePage answer) {
  if (generation != generation_) return;
  const int page = static_cast<int>(answer.offset / kPageRows);
  const int total = static_cast<int>(std::min<long>(answer.total, INT_MAX));
  if (resetting_) {
    beginResetModel();
    resetting_ = false;
    counted_ = true;
    rows_ = total;
    pages_.clear();
    pages_[page] = std::move(answer.strikes);
    endResetModel();
    emit pageRead(page);
    return;
  }
  if (total != rows_) {
    reload();
    return;
  }
  pages_[page] = std::move(answer.strikes);
  // The pages farthest from the one just read go first.
  while (static_cast<int>(pages_.size()) > kKeptPages) {
    auto farthest = std::abs(pages_.begin()->first - page) > std::abs(std::prev(pages_.end())->first - page)
                        ? pages_.begin()
                        : std::prev(pages_.end());
    requested_.erase(farthest->first);
    pages_.erase(farthest);
  }
  const int first = page * kPageRows;
  const int last = std::min(rows_, first + kPageRows) - 1;
  if (last >= first) emit dataChanged(index(first, 0), index(last, ColumnCount - 1), {Qt::DisplayRole});
  emit pageRead(page);
}

std::optional<Strike> StrikeTableModel::strikeAt(int row) const {
  if (row < 0 || row >= rows_) return std::nullopt;
  const auto page = pages_.find(row / kPageRows);
  const size_t at = static_cast<size_t>(row % kPageRows);
  if (page == pages_.end() || at >= page->second.size()) return std::nullopt;
  return page->second[at];
}

QString StrikeTableModel::cellText(const Strike& strike, int column, bool stacked) const {
  switch (column) {
    case TimeColumn: {
      const QDateTime time = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(strike.time * 1000)));
      return locale_.toString(time, dateFormat_) + (stacked ? '\n' : ' ') + locale_.toString(time, timeFormat_);
    }
    case DelayColumn: return locale_.toString(strike.delay, 'f', 3);
    case MilesColumn:
      // As the main screen works it out from the kilometres shown.
      return locale_.toString(static_cast<double>(static_cast<float>(strike.km * kMilesPerKilometre)), 'f', 2);
    case KilometresColumn: return locale_.toString(strike.km, 'f', 2);
    case PositionColumn:
      if (!strike.position) return QStringLiteral("\u2014");
      return coordinateText(strike.position->latitude, strike.position->longitude, stacked);
    case DirectionColumn:
      if (!strike.bearing) return QStringLiteral("\u2014");
      return directionText(strike.bearing->degrees);
    case StrikePointColumn:
      if (!strike.bearing || !strike.bearing->placed) return QStringLiteral("\u2014");
      return coordinateText(strike.bearing->placed->latitude, strike.bearing->placed->longitude, stacked);
    default: return {};
  }
}

QString StrikeTableModel::coordinateText(double latitude, double longitude, bool stacked) const {
  // The locale's digits; where its decimal mark is a comma, a semicolon parts the two.
  const QString parting = locale_.decimalPoint() == QLatin1String(",") ? ";" : ",";
  return locale_.toString(latitude, 'f', 4) + parting + (stacked ? "\n" : " ") + locale_.toString(longitude, 'f', 4);
}

QString StrikeTableModel::directionText(double degrees) const {
  const QString points[] = {tr("N"), tr("NE"), tr("E"), tr("SE"), tr("S"), tr("SW"), tr("W"), tr("NW")};
  // To a tenth of a degree, which is finer than anyone tells a flash's direction.
  double tenths = std::round(degrees * 10) / 10;
  if (tenths >= 360) tenths -= 360;
  return points[compassPointIndex(tenths)] + QChar(' ') + locale_.toString(tenths, 'f', QLocale::FloatingPointShortest) +
         QStringLiteral("\u00b0");
}

QString StrikeTableModel::positionNote(const StrikePosition& position) const {
  QString from;
  if (position.source == "system") from = tr("From the location service");
  else if (position.source == "nmea") from = tr("From an NMEA log");
  else if (position.source == "gpsd") from = tr("From gpsd");
  else if (position.source == "fixed") from = tr("Given at start");
  else if (position.source == "pinned") from = tr("Set by you");
  else if (position.source == "remembered") from = tr("Last known position, from an earlier run");
  if (!(position.accuracy > 0)) return from;
  const QString accuracy = position.accuracy < 1000
                               ? tr("\u00b1%1 m").arg(locale_.toString(position.accuracy, 'f', 0))
                               : tr("\u00b1%1 km").arg(locale_.toString(position.accuracy / 1000, 'f', 1));
  return from.isEmpty() ? accuracy : from + ", " + accuracy;
}

int StrikeTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int StrikeTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant StrikeTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_) return {};
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Qt::AlignVCenter | (index.column() == TimeColumn ? Qt::AlignLeft : Qt::AlignRight));
  if (role == Qt::ToolTipRole && index.column() == PositionColumn) {
    const std::optional<Strike> strike = strikeAt(index.row());
    return strike && strike->position ? positionNote(*strike->position) : QVariant();
  }
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  if (const std::optional<Strike> strike = strikeAt(index.row())) {
    const QString text = cellText(*strike, index.column(), stacked_);
    // A screen reader says the column with the value: "Delay (s): 3.0", not a bare number.
    if (role == Qt::AccessibleTextRole)
      return QString("%1: %2").arg(spokenColumn(index.column(), headerText(index.column(), false)),
                                   QString(text).replace('\n', ' '));
    return text;
  }
  if (role == Qt::AccessibleTextRole) return {};
  // A view asks for what it is about to show: the page is read now, and its rows are blank until
  // it arrives. Asking changes no row, so a const model may ask.
  const_cast<StrikeTableModel*>(this)->request(index.row() / kPageRows);
  return {};
}

QVariant StrikeTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Qt::AlignVCenter | (section == TimeColumn ? Qt::AlignLeft : Qt::AlignRight));
  if (role != Qt::DisplayRole) return {};
  return headerText(section, stacked_);
}

QString StrikeTableModel::headerText(int column, bool stacked) const {
  QString title;
  switch (column) {
    case TimeColumn: title = tr("Time"); break;
    case DelayColumn: title = tr("Delay (s)"); break;
    case MilesColumn: title = tr("mi"); break;
    case KilometresColumn: title = tr("km"); break;
    case PositionColumn: title = tr("Position"); break;
    case DirectionColumn: title = tr("Direction"); break;
    case StrikePointColumn: title = tr("Strike point"); break;
    default: break;
  }
  // Two-line rows leave room for two-line titles: a word a line.
  if (stacked) title.replace(' ', '\n');
  return title;
}

}  // namespace storm::qt
