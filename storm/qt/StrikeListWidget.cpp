#include "storm/qt/StrikeListWidget.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <array>
#include <numeric>

#include "measure/Measurement.h"

namespace storm::qt {

namespace {

constexpr int kCellPadding = 5;  // each side of a cell's text, as the style sheet pads the titles
constexpr int kRowPadding = 8;   // above and below a row's text, together
constexpr int kHeaderExtra = 2;  // a title's room beyond the cells' padding: the section's border

// The widest texts a column shows: a date and time of day with two-digit fields, a position far
// south and west, and the longest numbers of a storm within hearing (thunder carries some 25 km;
// a longer number is elided), and a direction with the longest compass point and degrees.
Strike widestStrike() {
  Strike s;
  s.time = 4102354799;  // 2099-12-30 23:59:59 UTC: two digits in every field, in any time zone
  s.delay = 88.888;
  s.km = 88.88 / kMilesPerKilometre;  // 88.88 mi
  s.position = StrikePosition{-88.8888, -178.8888, 0, "remembered"};
  s.bearing = StrikeBearing{};
  s.bearing->degrees = 315.8;  // "NW 315.8°"
  s.bearing->placed = GeoPoint{-88.8888, -178.8888};
  return s;
}

}  // namespace

StrikeListWidget::StrikeListWidget(QWidget* parent)
    : QWidget(parent), stack_(new QStackedLayout(this)), table_(new QTableView(this)), empty_(new QLabel(this)) {
  table_->setObjectName("strikeTable");
  table_->verticalHeader()->hide();
  // Every row is one line high, so 100,000 rows cost the header no measuring.
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->horizontalHeader()->setHighlightSections(false);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Tab leaves the list for the buttons below it; the arrow keys move within it.
  table_->setTabKeyNavigation(false);
  table_->setAlternatingRowColors(true);
  table_->setShowGrid(false);
  table_->setWordWrap(false);
  table_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  table_->installEventFilter(this);
  table_->viewport()->installEventFilter(this);
  empty_->setObjectName("emptyText");
  empty_->setAlignment(Qt::AlignCenter);
  empty_->setWordWrap(true);
  stack_->addWidget(table_);
  stack_->addWidget(empty_);
}

void StrikeListWidget::showLog(std::shared_ptr<StrikeStore> store) {
  auto* model = new StrikeTableModel(std::move(store), this);
  table_->setModel(model);
  delete model_;
  model_ = model;
  connect(model_, &QAbstractItemModel::modelReset, this, &StrikeListWidget::showRowsOrText);
  fitCells();
  model_->reload();
}

void StrikeListWidget::reload() {
  if (model_) model_->reload();
}

void StrikeListWidget::setEmptyText(const QString& text) { empty_->setText(text); }

long StrikeListWidget::strikeCount() const { return model_ && model_->counted() ? model_->rowCount() : -1; }

// The table until the log has answered, so that a long log never flashes the empty text.
void StrikeListWidget::showRowsOrText() {
  const bool empty = model_ && model_->counted() && model_->rowCount() == 0;
  stack_->setCurrentWidget(empty ? static_cast<QWidget*>(empty_) : table_);
  // The stack hands the table's focus to the text, which takes no keys: Tab's next stop has it.
  if (empty_->hasFocus()) {
    for (QWidget* w = empty_->nextInFocusChain(); w && w != empty_; w = w->nextInFocusChain()) {
      if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled() && w != table_) {
        w->setFocus(Qt::TabFocusReason);
        break;
      }
    }
  }
}

void StrikeListWidget::fitCells() {
  const QFontMetrics cells = table_->fontMetrics();
  if (!model_) return;
  // The header's titles are bold, with the style sheet's padding on both sides.
  QFont bold = table_->horizontalHeader()->font();
  bold.setBold(true);
  const QFontMetrics header(bold);
  const Strike widest = widestStrike();
  using Widths = std::array<int, StrikeTableModel::ColumnCount>;
  auto natural = [&](bool stacked) {
    Widths widths{};
    for (int c = 0; c < StrikeTableModel::ColumnCount; ++c) {
      int text = 0;
      for (const QString& line : model_->headerText(c, stacked).split('\n'))
        text = std::max(text, header.horizontalAdvance(line) + kHeaderExtra);
      for (const QString& line : model_->cellText(widest, c, stacked).split('\n'))
        text = std::max(text, cells.horizontalAdvance(line));
      widths[c] = text + 2 * kCellPadding;
    }
    return widths;
  };
  auto sum = [](const Widths& widths) { return std::accumulate(widths.begin(), widths.end(), 0); };
  const int room = table_->viewport()->width();
  Widths widths = natural(false);
  const bool stacked = sum(widths) > room;
  if (stacked) widths = natural(true);
  model_->setStacked(stacked);
  // On a narrow list the direction comes before the positions, so that it shows without scrolling
  // sideways; the model's columns keep their order.
  QHeaderView* columns = table_->horizontalHeader();
  const int place = stacked ? StrikeTableModel::PositionColumn : StrikeTableModel::DirectionColumn;
  if (columns->visualIndex(StrikeTableModel::DirectionColumn) != place)
    columns->moveSection(columns->visualIndex(StrikeTableModel::DirectionColumn), place);
  table_->verticalHeader()->setDefaultSectionSize((stacked ? 2 : 1) * cells.lineSpacing() + kRowPadding);
  // Room to spare is shared out evenly, so that a wide window spreads the columns alike.
  const int spare = std::max(0, room - sum(widths));
  for (int c = 0; c < StrikeTableModel::ColumnCount; ++c)
    widths[c] += spare / StrikeTableModel::ColumnCount + (c < spare % StrikeTableModel::ColumnCount ? 1 : 0);
  for (int c = 0; c < StrikeTableModel::ColumnCount; ++c) table_->horizontalHeader()->resizeSection(c, widths[c]);
}

// The style sheet's font arrives when the table is polished, before it is first laid out.
bool StrikeListWidget::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == table_->viewport() && event->type() == QEvent::Resize) ||
      (watched == table_ && event->type() == QEvent::FontChange))
    fitCells();
  return QWidget::eventFilter(watched, event);
}

}  // namespace storm::qt
