#pragma once

#include <QPointer>
#include <QWidget>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "storm/StormWatch.h"
#include "storm/Storms.h"
#include "storm/StrikeStore.h"
#include "storm/qt/StormChart.h"
#include "system/Clock.h"
#include "system/FileChooser.h"
#include "system/Locale.h"
#include "ui_HistoryWindow.h"

// The history screen: the storm's trend over the last quarter hour, the log's storms (strikes more
// than half an hour apart are different storms) to choose from, the chosen storm's chart, every
// strike of the log newest first, the log written out as CSV (Ctrl+E), a strike deleted (the chosen
// one, Delete) or undone (the newest, Ctrl+Z) or the log cleared (after asking), and Done (or
// Escape), which asks whoever shows the screen to close it. What it removes goes through the
// storm's watch, so that the storm follows. The direction of the chosen strike's flash is typed in
// a dialog (Set direction…) and handed on with directionChosen; whoever gives it to the log calls
// directionSet with the answer.

namespace storm::qt {

class WindowDialog;

class HistoryWindow : public QWidget {
  Q_OBJECT

 public:
  struct Services {
    std::shared_ptr<StormWatch> watch;
    std::shared_ptr<StrikeStore> strikes;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<Locale> locale;
    std::shared_ptr<FileChooser> files;
  };

  // Lists the log at once; dialogs go into `window`.
  HistoryWindow(Services services, QWidget* window, QWidget* parent = nullptr);
  ~HistoryWindow() override;

  // The trend line, from the strikes of the last 15 minutes.
  void updateTrend();
  // Asks where to write the log as CSV, then writes it there.
  void exportLog();
  // Asks whether to empty the log; only a press of Clear does.
  void clear();
  // Removes the chosen strike / the newest one.
  void deleteChosen();
  void undo();
  // Asks for the direction of the chosen strike's flash, or whether to take its direction away.
  void chooseDirection();
  // After a direction was given to the log (or not): the list and the line that reports it.
  void directionSet(bool ok);

  // How many strikes the list holds (-1 until the log has answered), the trend line and the line
  // that reports an export.
  long strikeCount() const;
  QString trendText() const { return ui_.trend->text(); }
  QString resultText() const { return ui_.result->text(); }
  const StormChart* chart() const { return ui_.chart; }
  int stormCount() const { return static_cast<int>(storms_.size()); }
  // What the window shows of the storms and the list: the chart and the chooser, whether the
  // chooser's text shows whole, and whether the list's direction column lies within its view.
  struct Sight {
    bool chart = false;
    bool chooser = false;
    bool chooserWhole = false;
    bool directionInView = false;
  };
  Sight sight() const;
  // The list itself, so that the arrow keys move its selection at once.
  QWidget* firstFocus() const { return ui_.strikeList->table(); }

 signals:
  void doneRequested();
  // The user gave `strike` (as the list has it) the direction `degrees`, clockwise from north, or
  // took its direction away (none).
  void directionChosen(const storm::Strike& strike, std::optional<double> degrees);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void exportTo(const std::string& path);
  // The strike chosen in the list, if its row has been read.
  std::optional<Strike> chosen() const;
  // After a removal: the list, the trend and the line that reports it.
  void removed(bool ok);
  // Reads the log again and groups it into storms, the newest chosen.
  void loadStorms();
  // Shows storm `index` of the chooser: its chart, and its strikes in the list.
  void chooseStorm(int index);
  // Charts a storm's `strikes`, judged at its `end`.
  void drawChart(const std::vector<Strike>& strikes, double end);
  // The storms' chooser and chart while there are storms and the window is tall enough for them
  // besides the list, which matters more, or wide enough to set the chart beside the list; the
  // chooser's brief texts where its whole ones would be cut.
  void showStormsIfRoom();
  // A storm's text in the chooser, whole and brief.
  std::pair<QString, QString> stormTexts(const StormSpan& storm) const;
  // Whether `text` shows whole in the chooser.
  bool fitsChooser(const QString& text) const;
  // The text for `key` in the user's language, with %1, %2, … replaced by `args`.
  QString localized(const char* key, std::initializer_list<std::string> args = {}) const;

  const Services services_;
  QPointer<QWidget> window_;
  Ui::HistoryScreen ui_;
  // The most strikes a storm's chart shows.
  static constexpr size_t kChartStrikes = 2000;
  std::vector<StormSpan> storms_;  // oldest first, as last read
  size_t logSize_ = 0;             // the strikes of those storms
  unsigned chartAsked_ = 0;        // the chart's latest read; earlier answers are dropped
  QPointer<WindowDialog> clearDialog_;
  QPointer<WindowDialog> directionDialog_;
  bool directionRemoved_ = false;  // what the last direction chosen was
};

}  // namespace storm::qt
