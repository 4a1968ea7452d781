#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

class QAbstractButton;
class QFrame;
class QLabel;
class QLineEdit;
class QVBoxLayout;

// A dialog drawn inside the application's window: a dimmed layer over the whole window with a
// panel holding the title, the message, any content and the buttons in index order, one per row
// or all in one. Showing it starts no event loop of its own; a press closes it and then reports
// the button. While it is on show, Escape closes it (without an answer, or as its escape button),
// whatever has the focus, and Tab moves the focus only among its own controls. Main thread only.

namespace storm::qt {

class WindowDialog : public QObject {
  Q_OBJECT

 public:
  WindowDialog(QWidget* window, QString title, QString message, QStringList buttonTitles);
  ~WindowDialog() override;

  // How the dialog asks. By default as an alert that comes unasked: buttons one per row, and the
  // focus left where it was (a key meant for the screen below must not answer it) until Tab.
  struct Manner {
    bool buttonsInRow = false;
    // Has the focus when the dialog shows (the content's first field before it), and Return in
    // the content presses it; the focus goes back where it was when the dialog closes. -1: none.
    int defaultButton = -1;
    int escapeButton = -1;       // what Escape presses; -1: Escape closes without an answer
    int destructiveButton = -1;  // drawn in red
  };
  // Before the first show.
  void setManner(const Manner& manner) { manner_ = manner; }
  // A widget between the message and the buttons (the dialog takes it over); before the first show.
  void setContent(QWidget* content) { content_ = content; }
  // A field to type into as the content, with a line under it, hidden until an entry is wrong.
  struct Field {
    QLineEdit* edit = nullptr;
    QLabel* problem = nullptr;
  };
  Field setField(const QString& objectName, const QString& accessibleName, const QString& placeholder);
  // Says under the field (and to screen readers) what is wrong, and gives it the focus to mend it.
  static void showProblem(const Field& field, const QString& problem);
  // Asked before a press of button `index` closes the dialog; false keeps it open.
  void setCheck(std::function<bool(int index)> check) { check_ = std::move(check); }

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
  // The dialog's buttons under its texts, in a row or one per row as its manner says.
  void addButtons(QFrame* panel, QVBoxLayout* column);
  void press(int index);

  QPointer<QWidget> window_;
  QPointer<QWidget> content_;
  QPointer<QWidget> focusBefore_;  // where the focus was when the dialog took it
  Manner manner_;
  std::function<bool(int)> check_;
  QPointer<QWidget> layer_;  // made on the first show; the window owns it
  std::vector<QPointer<QAbstractButton>> buttons_;
  QString title_, message_;
  QStringList buttonTitles_;
  bool visible_ = false;
};

}  // namespace storm::qt
