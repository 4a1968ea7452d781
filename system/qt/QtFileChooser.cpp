#include "system/qt/QtFileChooser.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <utility>

namespace storm::qt {

namespace {

QString tr(const char* text) { return QCoreApplication::translate("storm::qt::QtFileChooser", text); }

}  // namespace

QtFileChooser::~QtFileChooser() {
  if (dialog_) delete dialog_.data();
}

QString QtFileChooser::startFolder() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

void QtFileChooser::chooseSaveFile(const std::string& suggestedName,
                                   std::function<void(std::optional<std::string>)> done) {
  if (dialog_) {
    dialog_->raise();
    dialog_->activateWindow();
    if (done) done(std::nullopt);
    return;
  }
  offered_ = QDir(startFolder()).filePath(QString::fromStdString(suggestedName));
  done_ = std::move(done);
  auto* dialog = new QFileDialog(window_, tr("Export strikes"));
  dialog->setObjectName("fileDialog");
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setNameFilters({tr("CSV files (*.csv)"), tr("All files (*)")});
  dialog->setDefaultSuffix("csv");
  dialog->selectFile(offered_);
  dialog->setWindowModality(Qt::WindowModal);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(dialog, &QFileDialog::finished, dialog, [this, dialog](int result) {
    const QStringList chosen = dialog->selectedFiles();
    finish(result == QDialog::Accepted && !chosen.isEmpty() ? std::optional(chosen.first().toStdString())
                                                            : std::nullopt);
  });
  dialog_ = dialog;
  dialog->open();
}

std::optional<QString> QtFileChooser::offeredPath() const {
  if (!dialog_) return std::nullopt;
  return offered_;
}

bool QtFileChooser::answer(std::optional<QString> path) {
  if (!dialog_) return false;
  // The dialog goes first, unheard; then the answer is given.
  auto done = std::exchange(done_, nullptr);
  dialog_->reject();
  if (done) done(path ? std::optional(path->toStdString()) : std::nullopt);
  return true;
}

void QtFileChooser::finish(std::optional<std::string> path) {
  dialog_ = nullptr;
  // The keys go back to the window, and to the screen's shortcuts (Escape, say), at once.
  if (window_) window_->activateWindow();
  if (auto done = std::exchange(done_, nullptr)) done(std::move(path));
}

}  // namespace storm::qt
