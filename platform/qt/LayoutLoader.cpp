#include "platform/qt/LayoutLoader.h"

#include <QAbstractButton>
#include <QKeySequence>
#include <QLineEdit>
#include <QShortcut>

#include "platform/qt/CompiledLayouts.h"
#include "platform/qt/MapWidget.h"
#include "platform/qt/QtLogger.h"
#include "platform/qt/QtViews.h"
#include "platform/qt/ScreenFit.h"
#include "platform/qt/SegmentedControlWidget.h"

namespace storm::qt {

namespace {

std::string prop(const QObject* o, const char* name) { return o->property(name).toString().toStdString(); }

void complain(const QString& layout, const std::string& what) {
  qCWarning(lcStorm, "layout %s: %s", qPrintable(layout), what.c_str());
}

}  // namespace

QWidget* LoadedScreen::widgetForAction(const std::string& selector) const {
  if (auto it = actionWidgets.find(selector); it != actionWidgets.end()) return it->second;
  return nullptr;
}

std::shared_ptr<View> LoadedScreen::outlet(const std::string& name) const {
  auto it = outlets.find(name);
  return it != outlets.end() ? it->second : nullptr;
}

std::unique_ptr<LoadedScreen> LayoutLoader::load(const QString& name, QWidget* parent, SegueHandler segues) {
  QWidget* root = buildCompiledLayout(name, parent);
  if (!root) {
    complain(name, "no such layout");
    return nullptr;
  }

  auto screen = std::make_unique<LoadedScreen>();
  screen->layoutName = name;
  screen->root = root;
  auto problem = [&](const std::string& what) {
    complain(name, what);
    screen->problems.push_back(what);
  };
  const std::string controllerClass = prop(root, "controller");
  screen->controller = delegate_.makeViewController(controllerClass);
  if (!screen->controller) {
    if (!controllerClass.empty()) problem("no controller class " + controllerClass);
    screen->controller = std::make_shared<ViewController>();
  }

  // Wrap the root, its direct children and every widget the layout connects; each wrapper is a
  // subview of the nearest wrapped ancestor.
  std::map<QWidget*, std::shared_ptr<View>> wrappers;
  screen->rootView = wrapWidget(root);
  wrappers[root] = screen->rootView;
  screen->views.push_back(screen->rootView);
  const auto all = root->findChildren<QWidget*>();
  for (QWidget* w : all) {
    const bool connected = !prop(w, "outlet").empty() || !prop(w, "action").empty() || !prop(w, "segue").empty();
    if (!connected && w->parentWidget() != root) continue;
    auto view = wrapWidget(w);
    wrappers[w] = view;
    screen->views.push_back(view);
  }
  for (auto& [w, view] : wrappers) {
    if (auto mask = w->property("autoresizingMask"); mask.isValid()) view->setAutoresizingMask(mask.toUInt());
    if (w == root) continue;
    for (QWidget* up = w->parentWidget(); up; up = up->parentWidget()) {
      if (auto it = wrappers.find(up); it != wrappers.end()) {
        if (auto* base = dynamic_cast<QtViewBase*>(it->second.get())) base->adopt(view);
        break;
      }
    }
  }

  auto& controller = screen->controller;
  controller->setView(screen->rootView);
  for (auto& [w, view] : wrappers) {
    const std::string outlet = prop(w, "outlet");
    if (!outlet.empty()) {
      screen->outlets[outlet] = view;
      if (!controller->setOutlet(outlet, view)) problem("outlet " + outlet + " cannot be connected");
    }
    const std::string action = prop(w, "action");
    View* sender = view.get();
    std::weak_ptr<ViewController> weakController = controller;
    if (!action.empty()) {
      if (!controller->respondsToAction(action)) problem("no action " + action);
      screen->actionWidgets[action] = w;
      auto fire = [weakController, action, sender, name] {
        if (auto c = weakController.lock(); c && !c->performAction(action, sender))
          complain(name, "no action " + action);
      };
      if (auto* button = qobject_cast<QAbstractButton*>(w))
        QObject::connect(button, &QAbstractButton::clicked, root, fire);
      else if (auto* seg = qobject_cast<SegmentedControlWidget*>(w))
        QObject::connect(seg, &SegmentedControlWidget::valueChanged, root, fire);
      else if (auto* field = qobject_cast<QLineEdit*>(w))
        QObject::connect(field, &QLineEdit::editingFinished, root, fire);
    }
    const std::string segue = prop(w, "segue");
    if (!segue.empty()) {
      const QString destination = w->property("destination").toString();
      LoadedScreen* self = screen.get();
      if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        QObject::connect(button, &QAbstractButton::clicked, root, [self, segue, destination, sender, segues] {
          if (segues) segues(*self, segue, destination, sender);
        });
      }
    }
    if (w->property("initialFocus").toBool()) screen->initialFocus = w;
    const QString keys = w->property("shortcuts").toString();
    if (auto* button = qobject_cast<QAbstractButton*>(w); button && !keys.isEmpty()) {
      for (const QString& key : keys.split(',', Qt::SkipEmptyParts)) {
        auto* shortcut = new QShortcut(QKeySequence(key.trimmed()), root);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        QObject::connect(shortcut, &QShortcut::activated, button, [button] {
          if (button->isEnabled() && button->isVisible()) button->click();  // at once: the press is a timing
        });
      }
    }
    // "KEY=selector" pairs: a key that performs an action of the controller without a button of its own.
    for (const QString& pair : w->property("keyActions").toString().split(',', Qt::SkipEmptyParts)) {
      const QString key = pair.section('=', 0, 0).trimmed();
      const std::string selector = pair.section('=', 1).trimmed().toStdString();
      if (key.isEmpty() || !controller->respondsToAction(selector)) {
        problem("no action for the key " + pair.toStdString());
        continue;
      }
      auto* shortcut = new QShortcut(QKeySequence(key), root);
      shortcut->setContext(Qt::WidgetWithChildrenShortcut);
      QObject::connect(shortcut, &QShortcut::activated, root, [weakController, selector, sender] {
        if (auto c = weakController.lock()) c->performAction(selector, sender);
      });
    }
  }
  controller->viewDidLoad();
  ScreenFit::install(root);
  return screen;
}

}  // namespace storm::qt
