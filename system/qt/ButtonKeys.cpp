#include "system/qt/ButtonKeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

namespace storm::qt {

namespace {

class ButtonKeys : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || watched != QApplication::focusWidget()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
      return false;
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (!button) return false;
    // A push button that is a dialog's default handles Return itself.
    if (auto* push = qobject_cast<QPushButton*>(button); push && (push->autoDefault() || push->isDefault()))
      return false;
    if (!key->isAutoRepeat() && button->isEnabled()) button->click();
    return true;
  }
};

}  // namespace

void installButtonKeys() {
  static ButtonKeys* keys = nullptr;
  if (keys || !qApp) return;
  keys = new ButtonKeys(qApp);
  qApp->installEventFilter(keys);
}

}  // namespace storm::qt
