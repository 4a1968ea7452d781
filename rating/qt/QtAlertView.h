#pragma once

#include <QPointer>
#include <memory>

#include "rating/AlertView.h"
#include "system/qt/WindowDialog.h"

// Alert views as dialogs inside the application's window (WindowDialog): a press closes the
// dialog and then tells the delegate.

namespace storm::qt {

class QtAlertView : public AlertView, public std::enable_shared_from_this<QtAlertView> {
 public:
  QtAlertView(QWidget* window, QString title, QString message, std::weak_ptr<AlertViewDelegate> delegate,
              QStringList buttonTitles);
  ~QtAlertView() override;

  void show() override;
  bool isVisible() const override { return dialog_ && dialog_->isVisible(); }
  void dismissWithClickedButtonIndex(long buttonIndex, bool animated) override;
  WindowDialog* dialog() const { return dialog_; }

 private:
  QPointer<WindowDialog> dialog_;
  std::weak_ptr<AlertViewDelegate> delegate_;
};

class QtAlertViewFactory : public AlertViewFactory {
 public:
  explicit QtAlertViewFactory(QWidget* window) : window_(window) {}

  std::shared_ptr<AlertView> makeAlertView(const std::string& title, const std::string& message,
                                           std::weak_ptr<AlertViewDelegate> delegate,
                                           const std::string& cancelButtonTitle,
                                           const std::vector<std::string>& otherButtonTitles) override;

 private:
  QPointer<QWidget> window_;
};

}  // namespace storm::qt
