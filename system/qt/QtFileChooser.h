#pragma once

#include <QFileDialog>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "system/FileChooser.h"

// The file chooser on Qt: Qt's own file dialog (the same on every desktop), modal to the window
// but without an event loop of its own, so the application, and the automation mode's commands,
// keep running while it is open. One dialog at a time.

namespace storm::qt {

class QtFileChooser : public FileChooser {
 public:
  explicit QtFileChooser(QWidget* window) : window_(window) {}
  ~QtFileChooser() override;
  QtFileChooser(const QtFileChooser&) = delete;
  QtFileChooser& operator=(const QtFileChooser&) = delete;

  // A second request while the dialog is open brings that dialog forward and is answered with
  // nothing.
  void chooseSaveFile(const std::string& suggestedName,
                      std::function<void(std::optional<std::string> path)> done) override;

  // The path the open dialog offered; nothing while none is open.
  std::optional<QString> offeredPath() const;
  // Closes the open dialog with `path` as the answer (nothing: cancelled), as if the user had
  // chosen it. False when no dialog is open.
  bool answer(std::optional<QString> path);

  // The folder offered: the user's documents folder, or the home folder without one.
  static QString startFolder();

 private:
  void finish(std::optional<std::string> path);

  QPointer<QWidget> window_;
  QPointer<QFileDialog> dialog_;
  QString offered_;
  std::function<void(std::optional<std::string>)> done_;
};

}  // namespace storm::qt
