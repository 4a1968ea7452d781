#include "system/qt/WindowDialog.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "system/qt/ScreenFit.h"

namespace storm::qt {

namespace {

// Screen readers hear the dialog as an alert.
QAccessibleInterface* alertAccessibility(const QString& className, QObject* object) {
  if (className != "QFrame" || object->objectName() != "alertPanel") return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::AlertMessage);
}

// The dimmed layer; it keeps covering the window as the window is resized. While it is on show,
// Escape closes it without an answer, whatever has the focus.
class AlertLayer : public QWidget {
 public:
  explicit AlertLayer(QWidget* window, std::function<void()> escape) : QWidget(window), escape_(std::move(escape)) {
    setObjectName("alertLayer");
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(withApplicationFontSizes(
        "QWidget#alertLayer { background: rgba(0, 0, 0, 110); }"
        "QFrame#alertPanel { background: #f5f7fa; border-radius: 12px; }"
        "QLabel#alertTitle { color: #1f2933; font-size: 17px; font-weight: 600; }"
        "QLabel#alertMessage { color: #1f2933; font-size: 13px; }"
        "QPushButton { color: #0b6bcb; background: transparent; border: none; border-top: 1px solid #cbd2d9;"
        " padding: 10px; font-size: 16px; }"
        "QPushButton:focus { font-weight: 600; border: 2px solid #0b6bcb; border-radius: 6px; padding: 9px 8px 8px "
        "8px; }"
        "QPushButton:pressed { background: #e4e7eb; }"));
    window->installEventFilter(this);
    qApp->installEventFilter(this);
    setGeometry(window->rect());
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == parent() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    if (!isVisible() || (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)) return false;
    if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) return false;
    // Taken before any shortcut of the screens below sees it.
    if (event->type() == QEvent::ShortcutOverride) {
      event->accept();
      return true;
    }
    if (escape_) escape_();
    return true;
  }

 private:
  std::function<void()> escape_;
};

}  // namespace

QPointer<WindowDialog>& newestDialog() {
  static QPointer<WindowDialog> newest;
  return newest;
}

WindowDialog::WindowDialog(QWidget* window, QString title, QString message, QStringList buttonTitles)
    : window_(window), title_(std::move(title)), message_(std::move(message)), buttonTitles_(std::move(buttonTitles)) {
  newestDialog() = this;
}

WindowDialog::~WindowDialog() {
  if (layer_) layer_->deleteLater();
}

WindowDialog* WindowDialog::newest() { return newestDialog(); }

void WindowDialog::build() {
  if (layer_ || !window_) return;
  static const bool accessibility = (QAccessible::installFactory(alertAccessibility), true);
  (void)accessibility;
  auto* layer = new AlertLayer(window_, [self = QPointer<WindowDialog>(this)] {
    if (self) self->close();
  });
  layer_ = layer;
  auto* outer = new QVBoxLayout(layer);
  outer->setContentsMargins(24, 24, 24, 24);
  auto* panel = new QFrame(layer);
  panel->setObjectName("alertPanel");
  panel->setAccessibleName(title_);
  panel->setAccessibleDescription(message_);
  panel->setMaximumWidth(300);
  outer->addWidget(panel, 0, Qt::AlignCenter);
  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(0, 16, 0, 0);
  column->setSpacing(0);
  auto* title = new QLabel(title_, panel);
  title->setObjectName("alertTitle");
  title->setAlignment(Qt::AlignCenter);
  title->setWordWrap(true);
  title->setTextFormat(Qt::PlainText);
  auto* message = new QLabel(message_, panel);
  message->setObjectName("alertMessage");
  message->setAlignment(Qt::AlignCenter);
  message->setWordWrap(true);
  message->setTextFormat(Qt::PlainText);
  title->setContentsMargins(16, 0, 16, 0);
  message->setContentsMargins(16, 0, 16, 8);
  column->addWidget(title);
  column->addWidget(message);
  for (int index = 0; index < buttonTitles_.size(); ++index) {
    auto* button = new QPushButton(buttonTitles_[index], panel);
    button->setObjectName(QString("alertButton%1").arg(index));
    button->setCursor(Qt::PointingHandCursor);
    // Space and Return reach a button only once the user moves the focus there.
    button->setAutoDefault(false);
    column->addWidget(button);
    buttons_.emplace_back(button);
    connect(button, &QPushButton::clicked, this, [this, index] {
      if (!visible_) return;
      close();
      emit answered(index);
    });
  }
  layer->hide();
}

void WindowDialog::show() {
  build();
  visible_ = true;
  if (!layer_) return;
  layer_->show();
  layer_->raise();
  // The focus stays where it was: a key meant for the screen below (a press of the stopwatch, say)
  // must not answer the dialog.
}

void WindowDialog::close() {
  visible_ = false;
  if (layer_) layer_->hide();
}

QAbstractButton* WindowDialog::button(int index) const {
  return index >= 0 && index < static_cast<int>(buttons_.size()) ? buttons_[index].data() : nullptr;
}

}  // namespace storm::qt
