#include "rating/qt/QtAlertView.h"

namespace storm::qt {

QtAlertView::QtAlertView(QWidget* window, QString title, QString message, std::weak_ptr<AlertViewDelegate> delegate,
                         QStringList buttonTitles)
    : dialog_(new WindowDialog(window, std::move(title), std::move(message), std::move(buttonTitles))),
      delegate_(std::move(delegate)) {
  QObject::connect(dialog_, &WindowDialog::answered, dialog_, [this](int index) {
    // The delegate may drop the last reference to this alert.
    auto self = shared_from_this();
    if (auto delegate = delegate_.lock()) delegate->alertViewClickedButtonAtIndex(*this, index);
  });
}

QtAlertView::~QtAlertView() { delete dialog_.data(); }

void QtAlertView::show() {
  if (dialog_) dialog_->show();
}

void QtAlertView::dismissWithClickedButtonIndex(long, bool) {
  if (dialog_) dialog_->close();
}

std::shared_ptr<AlertView> QtAlertViewFactory::makeAlertView(const std::string& title, const std::string& message,
                                                             std::weak_ptr<AlertViewDelegate> delegate,
                                                             const std::string& cancelButtonTitle,
                                                             const std::vector<std::string>& otherButtonTitles) {
  QStringList buttons{QString::fromStdString(cancelButtonTitle)};
  for (const auto& other : otherButtonTitles) buttons << QString::fromStdString(other);
  return std::make_shared<QtAlertView>(window_, QString::fromStdString(title), QString::fromStdString(message),
                                       std::move(delegate), buttons);
}

}  // namespace storm::qt
