#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kit/Application.h"
#include "kit/ViewController.h"

// Builds a screen from its Qt Designer layout and connects it to its controller. The layout declares, as dynamic properties:
//   on the root widget   controller = "MainViewController"   (the controller's class)
//   on any widget        outlet = "time"                     (the controller's outlet it fills)
//                        action = "button:"                  (the action its click or change sends)
//                        segue = "showAlternate", destination = "Flipside"   (a modal segue)
//                        shortcuts = "Space,Return"          (keys that click it on this screen)
//                        autoresizingMask = 18
//   on the root widget   tabOrder = "paid,history,buttonP"     (Tab's way through the screen, in reading
//                                                         order; a widget that takes no focus stands for
//                                                         its children that do)
//                        firstFocus = "buttonP"          (the widget with the focus whenever the screen
//                                                         comes to the top)
//   on a map             zoomKeys = true                 (+ and - zoom it wherever the focus is on its screen)

namespace storm::qt {

struct LoadedScreen {
  QString layoutName;
  QPointer<QWidget> root;
  std::shared_ptr<ViewController> controller;
  std::shared_ptr<View> rootView;
  // The wrappers of the layout's views; the screen's view hierarchy owns them.
  std::vector<std::shared_ptr<View>> views;
  std::map<std::string, QPointer<QWidget>> actionWidgets;  // by selector
  QPointer<QWidget> firstFocus;                            // null: the root itself

  // Gives the keyboard focus to the screen's first focus.
  void takeFocus() const;

  // What the layout declares that the controller could not take (an outlet it lacks or of
  // another kind, an action it does not answer); empty for a layout and controller that match.
  std::vector<std::string> problems;

  // The widget that sends `selector`.
  QWidget* widgetForAction(const std::string& selector) const;
};

// Asked to perform a segue the layout declares.
using SegueHandler = std::function<void(LoadedScreen& source, const std::string& identifier,
                                        const QString& destinationLayout, View* sender)>;

class LayoutLoader {
 public:
  // Told of each screen built, once its controller has loaded it.
  using Loaded = std::function<void(const QString& name, QWidget* root)>;

  // Builds the widgets of the layout `name` under `parent`; nothing for an unknown name.
  using Layouts = std::function<QWidget*(const QString& name, QWidget* parent)>;

  // Layouts come from `layouts`, controllers from `controllers`.
  LayoutLoader(Layouts layouts, ViewControllerFactory controllers, Loaded loaded = {})
      : layouts_(std::move(layouts)), controllers_(std::move(controllers)), loaded_(std::move(loaded)) {}
  // Builds the layout `name` under `parent`; nothing for an unknown layout. What does not match
  // between layout and controller is reported, one line each, and listed in `problems`.
  std::unique_ptr<LoadedScreen> load(const QString& name, QWidget* parent, SegueHandler segues);

 private:
  Layouts layouts_;
  ViewControllerFactory controllers_;
  Loaded loaded_;
};

}  // namespace storm::qt
