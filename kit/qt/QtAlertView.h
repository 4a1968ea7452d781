#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <vector>

#include "kit/AlertView.h"

class QAbstractButton;

// Dialogs drawn inside the application's window: a dimmed layer over the whole window with a
// panel holding the title, the message and one button per row, in index order. Showing one does
// not start an event loop of its own; a press closes it and then tells the delegate.

namespace storm::qt {

class QtAlertView : public AlertView, public std::enable_shared_from_this<QtAlertView> {
 public:
  QtAlertView(QWidget* window, QString title, QString message, std::weak_ptr<AlertViewDelegate> delegate,
              QStringList buttonTitles);
  ~QtAlertView() override;

  void show() override;
  bool isVisible() const override { return visible_; }
  void dismissWithClickedButtonIndex(long buttonIndex, bool animated) override;

  const QString& title() const { return title_; }
  const QString& message() const { return message_; }
  const QStringList& buttonTitles() const { return buttonTitles_; }
  // The widget of button `index`, or null.
  QAbstractButton* button(int index) const;

 private:
  void build();
  void pressed(int index);
  void close();

  QPointer<QWidget> window_;
  QPointer<QWidget> layer_;  // made on the first show; the window owns it
  std::vector<QPointer<QAbstractButton>> buttons_;
  QString title_, message_;
  QStringList buttonTitles_;
  std::weak_ptr<AlertViewDelegate> delegate_;
  bool visible_ = false;
};

class QtAlertViewFactory : public AlertViewFactory {
 public:
  explicit QtAlertViewFactory(QWidget* window) : window_(window) {}

  std::shared_ptr<AlertView> makeAlertView(const std::string& title, const std::string& message,
                                           std::weak_ptr<AlertViewDelegate> delegate,
                                           const std::string& cancelButtonTitle,
                                           const std::vector<std::string>& otherButtonTitles) override;

  // The dialog made last, while someone still holds it.
  std::shared_ptr<QtAlertView> lastAlert() const { return last_.lock(); }

 private:
  QPointer<QWidget> window_;
  std::weak_ptr<QtAlertView> last_;
};

}  // namespace storm::qt
