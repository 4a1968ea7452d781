#include "kit/qt/LayoutLoader.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeySequence>
#include <QShortcut>
#include <string_view>

#include "map/qt/MapWidget.h"
#include "system/qt/QtLogger.h"
#include "kit/qt/QtViews.h"
#include "system/qt/ScreenFit.h"
#include "kit/qt/SegmentedControlWidget.h"

namespace storm::qt {

namespace {

std::string prop(const QObject* o, const char* name) { return o->property(name).toString().toStdString(); }

void complain(const QString& layout, const std::string& what) {
  qCWarning(lcStorm, "layout %s: %s", qPrintable(layout), what.c_str());
}

// The stops Tab makes at `widget`: the widget itself, or, when it takes no focus, its descendants
// that do, in the order the focus chain has them.
QList<QWidget*> tabStops(QWidget* widget) {
  if (widget->focusPolicy() & Qt::TabFocus) return {widget};
  QList<QWidget*> stops;
  for (QWidget* w = widget->nextInFocusChain(); w && w != widget; w = w->nextInFocusChain()) {
    if (widget->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && !stops.contains(w)) stops << w;
  }
  return stops;
}

// Keys pressed anywhere on the screen (`root`) that zoom `map`: + (typed with or without Shift,
// and =, the key it shares on many keyboards) in, - out, on the main keyboard and the keypad alike.
void addZoomKeys(QWidget* root, MapWidget* map) {
  const std::pair<QKeyCombination, double> keys[] = {{Qt::Key_Plus, 1},   {Qt::ShiftModifier | Qt::Key_Plus, 1},
                                                     {Qt::Key_Equal, 1},  {Qt::KeypadModifier | Qt::Key_Plus, 1},
                                                     {Qt::Key_Minus, -1}, {Qt::KeypadModifier | Qt::Key_Minus, -1}};
  for (const auto& [key, levels] : keys) {
    auto* shortcut = new QShortcut(QKeySequence(key), root);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    auto zoom = [map, levels = levels] { map->zoomBy(levels); };
    QObject::connect(shortcut, &QShortcut::activated, map, zoom);
    // Where the keyboard's mapping lets one press match both + and Shift++, Qt hands it to one of
    // them as ambiguous: it zooms all the same, once.
    QObject::connect(shortcut, &QShortcut::activatedAmbiguously, map, zoom);
  }
}

}  // namespace

QWidget* LoadedScreen::widgetForAction(const std::string& selector) const {
  if (auto it = actionWidgets.find(selector); it != actionWidgets.end()) return it->second;
  return nullptr;
}

void LoadedScreen::takeFocus() const {
  if (firstFocus)
    firstFocus->setFocus(Qt::OtherFocusReason);
  else if (root)
    root->setFocus(Qt::OtherFocusReason);
}

std::unique_ptr<LoadedScreen> LayoutLoader::load(const QString& name, QWidget* parent, SegueHandler segues) {
  QWidget* root = layouts_ ? layouts_(name, parent) : nullptr;
  if (!root) {
    complain(name, "no such layout");
    return nullptr;
  }

  applyApplicationFontSizes(root);

  auto screen = std::make_unique<LoadedScreen>();
  screen->layoutName = name;
  screen->root = root;
  auto problem = [&](const std::string& what) {
    complain(name, what);
    screen->problems.push_back(what);
  };
  const std::string controllerClass = prop(root, "controller");
  if (controllers_) screen->controller = controllers_(controllerClass);
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
  for (QWidget* w : all) {
    // "shortcuts": keys that press this button wherever the focus is on the screen. "focusKeys":
    // keys that press the button that has the focus, or this one while the focus is on no button
    // (the map, the screen itself). Both press at once, as the key goes down (the press may be a
    // timing), and once however long the key is held.
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      for (const char* kind : {"shortcuts", "focusKeys"}) {
        const bool focused = std::string_view(kind) == "focusKeys";
        for (const QString& key : w->property(kind).toString().split(',', Qt::SkipEmptyParts)) {
          auto* shortcut = new QShortcut(QKeySequence(key.trimmed()), root);
          shortcut->setContext(Qt::WidgetWithChildrenShortcut);
          shortcut->setAutoRepeat(false);
          QObject::connect(shortcut, &QShortcut::activated, button, [button, root, focused] {
            auto* target = focused ? qobject_cast<QAbstractButton*>(QApplication::focusWidget()) : nullptr;
            if (!target || !root->isAncestorOf(target)) target = button;
            if (target->isEnabled() && target->isVisible()) target->click();
          });
        }
      }
    }
  }
  for (QWidget* w : all) {
    if (auto* map = qobject_cast<MapWidget*>(w); map && w->property("zoomKeys").toBool()) addZoomKeys(root, map);
  }

  // Tab's way through the screen, each stop set after the one before.
  QWidget* previous = nullptr;
  for (const QString& name : root->property("tabOrder").toString().split(',', Qt::SkipEmptyParts)) {
    auto* widget = root->findChild<QWidget*>(name.trimmed());
    if (!widget) {
      problem("no widget " + name.trimmed().toStdString() + " for the tab order");
      continue;
    }
    for (QWidget* stop : tabStops(widget)) {
      if (previous) QWidget::setTabOrder(previous, stop);
      previous = stop;
    }
  }
  if (const QString first = root->property("firstFocus").toString(); !first.isEmpty()) {
    screen->firstFocus = root->findChild<QWidget*>(first);
    if (!screen->firstFocus) problem("no widget " + first.toStdString() + " for the first focus");
  }

  controller->viewDidLoad();
  ScreenFit::install(root);
  if (loaded_) loaded_(name, root);
  return screen;
}

}  // namespace storm::qt
