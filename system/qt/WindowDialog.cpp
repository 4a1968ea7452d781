#include "system/qt/WindowDialog.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
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

// The dimmed layer; it keeps covering the window as the window is resized. While it is on show and
// the topmost of the window's dialogs, Escape closes it whatever has the focus, Tab and Shift+Tab
// go round its own controls only, and Return presses the button that has the focus or, from its
// content, its default button.
class AlertLayer : public QWidget {
 public:
  AlertLayer(QWidget* window, std::function<void()> escape, std::function<void()> enter)
      : QWidget(window), escape_(std::move(escape)), enter_(std::move(enter)) {
    setObjectName("alertLayer");
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(withApplicationFontSizes(
        "QWidget#alertLayer { background: rgba(0, 0, 0, 140); }"
        "QFrame#alertPanel { background: #323f4b; border: 1px solid #52606d; border-radius: 12px; }"
        "QLabel#alertTitle { color: #f5f7fa; font-size: 17px; font-weight: 600; }"
        "QLabel#alertMessage { color: #e4e7eb; font-size: 13px; }"
        "QLabel#alertError { color: #fca5a5; font-size: 13px; }"
        "QLineEdit { color: #f5f7fa; background: #1f2933; border: 1px solid #9aa5b1; border-radius: 6px;"
        " padding: 6px; font-size: 15px; }"
        "QLineEdit:focus { border: 2px solid #fcd34d; padding: 5px; }"
        "QPushButton { color: #7dd3fc; background: transparent; border: none; border-top: 1px solid #52606d;"
        " padding: 10px; font-size: 16px; outline: none; }"
        "QPushButton:focus { font-weight: 600; border: 2px solid #fcd34d; border-radius: 6px; padding: 9px 8px 8px "
        "8px; }"
        "QPushButton:pressed { background: #3e4c59; }"
        "QFrame#alertPanel[row=\"true\"] QPushButton { border: 1px solid #9aa5b1; border-radius: 8px;"
        " padding: 8px 14px; }"
        "QFrame#alertPanel[row=\"true\"] QPushButton:focus { border: 2px solid #fcd34d; padding: 7px 13px; }"
        "QPushButton[default=\"true\"] { font-weight: 600; }"
        "QFrame#alertPanel QPushButton[destructive=\"true\"] { color: #ffffff; background: #c53030;"
        " border: 1px solid #c53030; }"
        "QFrame#alertPanel QPushButton[destructive=\"true\"]:focus { border: 2px solid #fcd34d; }"
        "QFrame#alertPanel QPushButton[destructive=\"true\"]:pressed { background: #9b1c1c; }"));
    window->installEventFilter(this);
    qApp->installEventFilter(this);
    setGeometry(window->rect());
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == parent() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    const QEvent::Type type = event->type();
    if (!isVisible() || (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) || !onTop()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    QWidget* focus = QApplication::focusWidget();
    switch (key->key()) {
      case Qt::Key_Escape:
        // Taken before any shortcut of the screens below sees it.
        if (type == QEvent::KeyPress && escape_) escape_();
        event->accept();
        return true;
      case Qt::Key_Tab:
      case Qt::Key_Backtab:
        if (type != QEvent::KeyPress) return false;
        moveFocus(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
        return true;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        // Only once the focus is in the dialog: until then the key is the screen's.
        if (!focus || !isAncestorOf(focus)) return false;
        if (type == QEvent::KeyPress) {
          if (auto* button = qobject_cast<QAbstractButton*>(focus))
            button->click();
          else if (enter_)
            enter_();
        }
        event->accept();
        return true;
      default: return false;
    }
  }

 private:
  // Whether this is the frontmost of the window's dialogs on show (raising one puts it last).
  bool onTop() const {
    const auto layers = parentWidget()->findChildren<QWidget*>("alertLayer", Qt::FindDirectChildrenOnly);
    for (auto it = layers.rbegin(); it != layers.rend(); ++it)
      if ((*it)->isVisible()) return *it == this;
    return false;
  }

  void moveFocus(bool forward) {
    QList<QWidget*> stops;
    for (QWidget* w : findChildren<QWidget*>())
      if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) stops << w;
    if (stops.isEmpty()) return;
    const qsizetype at = stops.indexOf(QApplication::focusWidget());
    const qsizetype next =
        at < 0 ? (forward ? 0 : stops.size() - 1) : (at + (forward ? 1 : -1) + stops.size()) % stops.size();
    stops[next]->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
  }

  std::function<void()> escape_, enter_;
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
  const QPointer<WindowDialog> self(this);
  auto* layer = new AlertLayer(
      window_,
      [self] {
        if (!self) return;
        if (self->manner_.escapeButton >= 0)
          self->press(self->manner_.escapeButton);
        else
          self->close();
      },
      [self] {
        if (self && self->manner_.defaultButton >= 0) self->press(self->manner_.defaultButton);
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
  if (content_) {
    content_->setParent(panel);
    content_->setContentsMargins(16, 0, 16, 8);
    column->addWidget(content_);
  }
  addButtons(panel, column);
  layer->hide();
}

void WindowDialog::addButtons(QFrame* panel, QVBoxLayout* column) {
  // Side by side, as desktop dialogs have them, or one per row, as the alerts of phones do.
  QBoxLayout* buttons = column;
  if (manner_.buttonsInRow) {
    panel->setProperty("row", true);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(16, 4, 16, 16);
    row->setSpacing(8);
    row->addStretch(1);
    column->addLayout(row);
    buttons = row;
  }
  for (int index = 0; index < buttonTitles_.size(); ++index) {
    auto* button = new QPushButton(buttonTitles_[index], panel);
    button->setObjectName(QString("alertButton%1").arg(index));
    button->setCursor(Qt::PointingHandCursor);
    // Return is handled by the layer, for the button that has the focus.
    button->setAutoDefault(false);
    button->setProperty("default", index == manner_.defaultButton);
    button->setProperty("destructive", index == manner_.destructiveButton);
    buttons->addWidget(button);
    buttons_.emplace_back(button);
    connect(button, &QPushButton::clicked, this, [this, index] { press(index); });
  }
}

WindowDialog::Field WindowDialog::setField(const QString& objectName, const QString& accessibleName,
                                           const QString& placeholder) {
  auto* content = new QWidget;
  auto* column = new QVBoxLayout(content);
  column->setSpacing(4);
  Field field;
  field.edit = new QLineEdit(content);
  field.edit->setObjectName(objectName);
  field.edit->setAccessibleName(accessibleName);
  field.edit->setPlaceholderText(placeholder);
  field.problem = new QLabel(content);
  field.problem->setObjectName("alertError");
  field.problem->setWordWrap(true);
  field.problem->setTextFormat(Qt::PlainText);
  field.problem->hide();
  column->addWidget(field.edit);
  column->addWidget(field.problem);
  setContent(content);
  return field;
}

void WindowDialog::showProblem(const Field& field, const QString& problem) {
  field.problem->setText(problem);
  field.problem->show();
  field.edit->setAccessibleDescription(problem);
  field.edit->setFocus(Qt::OtherFocusReason);
  field.edit->selectAll();
}

void WindowDialog::show() {
  build();
  visible_ = true;
  if (!layer_) return;
  QWidget* focus = QApplication::focusWidget();
  focusBefore_ = focus && !layer_->isAncestorOf(focus) ? focus : nullptr;
  layer_->show();
  layer_->raise();
  // An alert leaves the focus where it was: a key meant for the screen below (a press of the
  // stopwatch, say) must not answer it. A dialog the user asked for takes it.
  if (manner_.defaultButton < 0) return;
  QWidget* first = button(manner_.defaultButton);
  if (content_)
    for (QWidget* w : content_->findChildren<QWidget*>())
      if (w->focusPolicy() & Qt::TabFocus) {
        first = w;
        break;
      }
  if (first) first->setFocus(Qt::OtherFocusReason);
}

void WindowDialog::press(int index) {
  if (!visible_ || (check_ && !check_(index))) return;
  close();
  emit answered(index);
}

void WindowDialog::close() {
  visible_ = false;
  if (!layer_) return;
  // Back where it was before the dialog, if the dialog has it.
  QWidget* focus = QApplication::focusWidget();
  if (focusBefore_ && (!focus || layer_->isAncestorOf(focus))) focusBefore_->setFocus(Qt::OtherFocusReason);
  layer_->hide();
}

QAbstractButton* WindowDialog::button(int index) const {
  return index >= 0 && index < static_cast<int>(buttons_.size()) ? buttons_[index].data() : nullptr;
}

}  // namespace storm::qt
