#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <vector>

class QAbstractButton;

// A dialog drawn inside the application's window: a dimmed layer over the whole window with a
// panel holding the title, the message and one button per row, in index order. Showing it starts
// no event loop of its own; a press closes it and then reports the button. While it is on show,
// Escape closes it without an answer, whatever has the focus. Main thread only.

namespace storm::qt {

class WindowDialog : public QObject {
  Q_OBJECT

 public:
  WindowDialog(QWidget* window, QString title, QString message, QStringList buttonTitles);
  ~WindowDialog() override;

  void show();
  void close();
  bool isVisible() const { return visible_; }

  const QString& title() const { return title_; }
  const QString& message() const { return message_; }
  const QStringList& buttonTitles() const { return buttonTitles_; }
  // The widget of button `index`, or null.
  QAbstractButton* button(int index) const;

  // The dialog made last, while it exists.
  static WindowDialog* newest();

 signals:
  // Button `index` was pressed; the dialog has closed.
  void answered(int index);

 private:
  void build();

  QPointer<QWidget> window_;
  QPointer<QWidget> layer_;  // made on the first show; the window owns it
  std::vector<QPointer<QAbstractButton>> buttons_;
  QString title_, message_;
  QStringList buttonTitles_;
  bool visible_ = false;
};

}  // namespace storm::qt
