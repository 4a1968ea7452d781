#include "storm/qt/HistoryWindow.h"

#include <QHeaderView>

#include <QDateTime>
#include <QItemSelectionModel>
#include <QLocale>
#include <QShortcut>
#include <QSignalBlocker>

#include "measure/Measurement.h"
#include "storm/StormJudgment.h"
#include "storm/StormTexts.h"
#include "storm/qt/StrikeCsv.h"
#include "system/qt/WindowDialog.h"

namespace storm::qt {

namespace {
// Where a storm's item of the chooser keeps its whole and its brief text.
constexpr int kWholeText = Qt::UserRole;
constexpr int kBriefText = Qt::UserRole + 1;
}  // namespace

namespace {

constexpr int kClearButtonIndex = 1;  // the cancel button is 0

// The trend line's parts ("0.4 mi/min") kept whole, so that a narrow screen wraps the line only
// after a separator: no-break spaces inside a part and before a separator, a word joiner after a
// slash.
std::string keptTogether(const std::string& line) {
  static const std::string separator = " \u00b7 ";
  std::string out;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line.compare(i, separator.size(), separator) == 0) {
      out += "\u00a0\u00b7 ";
      i += separator.size() - 1;
    } else if (line[i] == ' ') {
      out += "\u00a0";
    } else {
      out += line[i];
      if (line[i] == '/') out += "\u2060";
    }
  }
  return out;
}

QString text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

HistoryWindow::HistoryWindow(Services services, QWidget* window, QWidget* parent)
    : QWidget(parent), services_(std::move(services)), window_(window) {
  ui_.setupUi(this);
  // The style sheet paints the screen's ground on this subclass of a plain widget too.
  setAttribute(Qt::WA_StyledBackground);
  connect(ui_.exportButton, &QPushButton::clicked, this, &HistoryWindow::exportLog);
  connect(ui_.clearButton, &QPushButton::clicked, this, &HistoryWindow::clear);
  connect(ui_.deleteButton, &QPushButton::clicked, this, &HistoryWindow::deleteChosen);
  connect(ui_.directionButton, &QPushButton::clicked, this, &HistoryWindow::chooseDirection);
  connect(ui_.done, &QPushButton::clicked, this, &HistoryWindow::doneRequested);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WidgetWithChildrenShortcut);
  connect(escape, &QShortcut::activated, ui_.done, &QPushButton::click);
  for (const auto& [keys, slot] :
       {std::pair{QKeySequence(QKeySequence::Delete), &HistoryWindow::deleteChosen},
        std::pair{QKeySequence(QKeySequence::Undo), &HistoryWindow::undo},
        std::pair{QKeySequence(Qt::ControlModifier | Qt::Key_E), &HistoryWindow::exportLog}}) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this, slot);
  }
  updateTrend();
  ui_.result->clear();
  ui_.strikeList->setEmptyText(localized("No strikes recorded yet"));
  if (services_.strikes) ui_.strikeList->showLog(services_.strikes);
  connect(ui_.storms, qOverload<int>(&QComboBox::currentIndexChanged), this, &HistoryWindow::chooseStorm);
  showStormsIfRoom();
  loadStorms();
  // Delete and Set direction are offered while a strike is chosen.
  if (QItemSelectionModel* selection = ui_.strikeList->table()->selectionModel())
    connect(selection, &QItemSelectionModel::selectionChanged, this, [this] {
      const bool chosen = ui_.strikeList->table()->selectionModel()->hasSelection();
      ui_.deleteButton->setEnabled(chosen);
      ui_.directionButton->setEnabled(chosen);
    });
}

HistoryWindow::~HistoryWindow() {
  delete clearDialog_.data();
  delete directionDialog_.data();
}

QString HistoryWindow::localized(const char* key, std::initializer_list<std::string> args) const {
  const std::string pattern = services_.locale ? services_.locale->localizedString(key) : key;
  return text(formatText(pattern, args));
}

long HistoryWindow::strikeCount() const { return ui_.strikeList->strikeCount(); }

void HistoryWindow::updateTrend() {
  const double now = services_.clock->now();
  const RecentStrikes recent =
      services_.strikes ? services_.strikes->recent(now - kTrackWindowSeconds) : RecentStrikes{};
  const std::optional<Trend> trend = judgeStorm(recent, std::nullopt, now).trend;
  ui_.trend->setText(trend && services_.locale
                         ? localized("Last 15 minutes: %1", {keptTogether(storm::trendText(*trend, *services_.locale))})
                         : localized("Not enough strikes in the last 15 minutes for a trend"));
}

void HistoryWindow::exportLog() {
  if (!services_.files) return;
  services_.files->chooseSaveFile(defaultExportName(services_.clock->now()).toStdString(),
                                  [self = QPointer<HistoryWindow>(this)](std::optional<std::string> path) {
                                    if (self && path) self->exportTo(*path);
                                  });
}

void HistoryWindow::exportTo(const std::string& path) {
  if (!services_.strikes) return;
  services_.strikes->exportCSV(path, [self = QPointer<HistoryWindow>(this), path](const std::string& problem) {
    if (!self) return;
    if (!problem.empty()) {
      // A write that failed keeps its short line; a refused target or a damaged log says why.
      self->ui_.result->setText(problem.rfind("cannot write ", 0) == 0 ? self->localized("Could not write %1", {path})
                                                                       : QString::fromStdString(problem));
      return;
    }
    // The log's size as the export saw it: nothing can be appended while this screen covers the
    // main one, and the read is queued behind the export.
    self->services_.strikes->readPage(0, 0, [self, path](StrikePage page) {
      if (!self) return;
      const std::string count = self->services_.locale
                                    ? self->services_.locale->decimalText(static_cast<double>(page.total), 0)
                                    : std::to_string(page.total);
      self->ui_.result->setText(page.total == 1 ? self->localized("Exported 1 strike to %1", {path})
                                                : self->localized("Exported %1 strikes to %2", {count, path}));
    });
  });
}

void HistoryWindow::clear() {
  if (clearDialog_ && clearDialog_->isVisible()) return;
  delete clearDialog_.data();
  // A call to shelter outlives the record: the thunder was heard all the same.
  QString message = localized("This removes every recorded strike. It cannot be undone.");
  if (services_.watch && services_.watch->shelter().shelter)
    message += ' ' + localized("The call to take shelter stays until the all-clear.");
  clearDialog_ =
      new WindowDialog(window_, localized("Clear all strikes?"), message, {localized("Cancel"), localized("Clear")});
  // As desktops ask before destroying: side by side, Clear in red, Cancel the default and Escape.
  WindowDialog::Manner manner;
  manner.buttonsInRow = true;
  manner.defaultButton = 0;
  manner.escapeButton = 0;
  manner.destructiveButton = kClearButtonIndex;
  clearDialog_->setManner(manner);
  connect(clearDialog_, &WindowDialog::answered, this, [this](int index) {
    if (index != kClearButtonIndex || !services_.watch) return;
    services_.watch->clear([self = QPointer<HistoryWindow>(this)](bool cleared) {
      if (!self) return;
      self->ui_.result->setText(cleared ? QString() : self->localized("Could not clear the strike log"));
      self->ui_.strikeList->reload();
      self->updateTrend();
      self->loadStorms();
    });
  });
  clearDialog_->show();
}

std::optional<Strike> HistoryWindow::chosen() const {
  const QModelIndexList rows = ui_.strikeList->table()->selectionModel()->selectedRows();
  return rows.isEmpty() || !ui_.strikeList->model() ? std::nullopt : ui_.strikeList->model()->strikeAt(rows[0].row());
}

void HistoryWindow::deleteChosen() {
  const std::optional<Strike> chosen = this->chosen();
  if (!chosen || !services_.watch) return;
  services_.watch->remove(chosen->time, [self = QPointer<HistoryWindow>(this)](bool ok) {
    if (self) self->removed(ok);
  });
}

void HistoryWindow::undo() {
  if (!services_.watch) return;
  services_.watch->undo([self = QPointer<HistoryWindow>(this)](bool ok) {
    if (self) self->removed(ok);
  });
}

void HistoryWindow::removed(bool ok) {
  ui_.result->setText(ok ? localized("Strike removed") : localized("Could not remove the strike"));
  ui_.strikeList->table()->clearSelection();
  ui_.strikeList->reload();
  updateTrend();
  loadStorms();
}

void HistoryWindow::loadStorms() {
  if (!services_.strikes) return;
  services_.strikes->storms([self = QPointer<HistoryWindow>(this)](std::vector<StormSpan> storms) {
    if (!self) return;
    self->storms_ = std::move(storms);
    self->logSize_ = 0;
    for (const StormSpan& storm : self->storms_) self->logSize_ += static_cast<size_t>(storm.count);
    const QSignalBlocker quiet(self->ui_.storms);
    self->ui_.storms->clear();
    // Filled in one step: a log of a decade holds thousands of storms.
    QStringList items;
    std::vector<std::pair<QString, QString>> texts;
    items.reserve(static_cast<qsizetype>(self->storms_.size()));
    texts.reserve(self->storms_.size());
    for (auto storm = self->storms_.rbegin(); storm != self->storms_.rend(); ++storm) {
      texts.push_back(self->stormTexts(*storm));
      items.push_back(texts.back().first);
    }
    self->ui_.storms->addItems(items);
    for (int item = 0; item < static_cast<int>(texts.size()); ++item) {
      const auto& [whole, brief] = texts[static_cast<size_t>(item)];
      self->ui_.storms->setItemData(item, whole, kWholeText);
      self->ui_.storms->setItemData(item, brief, kBriefText);
      self->ui_.storms->setItemData(item, whole, Qt::ToolTipRole);
    }
    self->showStormsIfRoom();
    self->chooseStorm(0);
  });
}

void HistoryWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  showStormsIfRoom();
}

std::pair<QString, QString> HistoryWindow::stormTexts(const StormSpan& storm) const {
  const QLocale locale;
  auto when = [](double time) { return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(time * 1000)); };
  // The brief text: hours and minutes without the day (the whole text is the item's tooltip).
  const QString minutes = locale.timeFormat(QLocale::ShortFormat).remove(QStringLiteral(":ss"));
  auto brief = [&](double time) { return locale.toString(when(time).time(), minutes).toStdString(); };
  const std::string closest = services_.locale && usesMiles(*services_.locale)
                                  ? locale.toString(storm.closestKm * kMilesPerKilometre, 'f', 1).toStdString() + " mi"
                                  : locale.toString(storm.closestKm, 'f', 1).toStdString() + " km";
  const std::string start = locale.toString(when(storm.start), QLocale::ShortFormat).toStdString();
  const std::string count = locale.toString(storm.count).toStdString();
  if (storm.count == 1)
    return {localized("%1 · one strike · %2 away", {start, closest}),
            localized("%1 · one strike · %2 away", {brief(storm.start), closest})};
  return {
      localized("%1 to %2 · %3 strikes · closest %4",
                {start, locale.toString(when(storm.end).time(), QLocale::ShortFormat).toStdString(), count, closest}),
      localized("%1–%2 · %3 strikes · %4", {brief(storm.start), brief(storm.end), count, closest})};
}

void HistoryWindow::showStormsIfRoom() {
  // The chart and the chooser need the height of a portrait window, or a wide one, where the chart
  // stands beside the list.
  constexpr int kLeastHeight = 480;
  constexpr int kSideBySideWidth = 640;
  const bool beside = height() < kLeastHeight && width() >= kSideBySideWidth && width() > height();
  const bool shown = !storms_.empty() && (height() >= kLeastHeight || beside);
  ui_.stormBody->setDirection(beside ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
  ui_.storms->setVisible(shown);
  ui_.chart->setVisible(shown);
  // The chooser's texts whole: the brief ones where the whole ones do not fit.
  bool fits = true;
  for (int i = 0; i < ui_.storms->count(); ++i)
    fits = fits && fitsChooser(ui_.storms->itemData(i, kWholeText).toString());
  for (int i = 0; i < ui_.storms->count(); ++i)
    ui_.storms->setItemText(i, ui_.storms->itemData(i, fits ? kWholeText : kBriefText).toString());
}

bool HistoryWindow::fitsChooser(const QString& text) const {
  // The box's frame and its arrow take some 40 pixels.
  return QFontMetrics(ui_.storms->font()).horizontalAdvance(text) <= ui_.storms->width() - 40;
}

HistoryWindow::Sight HistoryWindow::sight() const {
  const QHeaderView* columns = ui_.strikeList->table()->horizontalHeader();
  const int left = columns->sectionViewportPosition(StrikeTableModel::DirectionColumn);
  return {ui_.chart->isVisible(), ui_.storms->isVisible(), fitsChooser(ui_.storms->currentText()),
          left >= 0 && left + columns->sectionSize(StrikeTableModel::DirectionColumn) <=
                           ui_.strikeList->table()->viewport()->width()};
}

void HistoryWindow::chooseStorm(int index) {
  const unsigned asked = ++chartAsked_;
  if (index < 0 || index >= static_cast<int>(storms_.size()) || !services_.strikes) {
    ui_.chart->show({}, std::nullopt, false);
    return;
  }
  // The chooser lists the newest storm first.
  const StormSpan storm = storms_[storms_.size() - 1 - static_cast<size_t>(index)];
  // The list, newest first, scrolled to the storm's newest strike.
  const int row = static_cast<int>(logSize_ - storm.first - static_cast<size_t>(storm.count));
  if (QAbstractItemModel* model = ui_.strikeList->table()->model(); model && row < model->rowCount())
    ui_.strikeList->table()->scrollTo(model->index(row, 0), QAbstractItemView::PositionAtTop);
  // The chart shows a long storm's strikes spread evenly, as many as it has room for; the trend
  // and the track rest on as many anyway.
  services_.strikes->strikesBetween(storm.start, storm.end, kChartStrikes,
                                    [self = QPointer<HistoryWindow>(this), asked, storm](std::vector<Strike> strikes) {
                                      if (self && asked == self->chartAsked_) self->drawChart(strikes, storm.end);
                                    });
}

void HistoryWindow::drawChart(const std::vector<Strike>& strikes, double end) {
  const StormJudgment judged = judgeStorm(strikes, std::nullopt, end);
  ui_.chart->show(strikes, judged.trend, services_.locale && usesMiles(*services_.locale), judged.track);
}

}  // namespace storm::qt
