#pragma once

#include <QPointer>
#include <QWidget>
#include <initializer_list>
#include <memory>
#include <string>

#include "storm/StormWatch.h"
#include "storm/StrikeStore.h"
#include "system/Clock.h"
#include "system/FileChooser.h"
#include "system/Locale.h"
#include "ui_HistoryWindow.h"

// The history screen: the storm's trend over the last quarter hour, every strike of the log newest
// first, the log written out as CSV, a strike deleted (the chosen one) or undone (the newest, Ctrl+Z)
// or the log cleared (after asking), and Done (or Escape), which asks whoever shows the screen to
// close it. What it removes goes through the storm's watch, so that the storm follows.

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

  // How many strikes the list holds (-1 until the log has answered), the trend line and the line
  // that reports an export.
  long strikeCount() const;
  QString trendText() const { return ui_.trend->text(); }
  QString resultText() const { return ui_.result->text(); }
  QWidget* firstFocus() const { return ui_.strikeList; }

 signals:
  void doneRequested();

 private:
  void exportTo(const std::string& path);
  // After a removal: the list, the trend and the line that reports it.
  void removed(bool ok);
  // The text for `key` in the user's language, with %1, %2, … replaced by `args`.
  QString localized(const char* key, std::initializer_list<std::string> args = {}) const;

  const Services services_;
  QPointer<QWidget> window_;
  Ui::HistoryScreen ui_;
  QPointer<WindowDialog> clearDialog_;
};

}  // namespace storm::qt
