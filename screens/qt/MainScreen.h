#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "screens/FlipsideViewController.h"
#include "screens/MainViewController.h"

// The two screens as Qt widgets over their forms (Main.ui, Flipside.ui, compiled by uic). Each
// gives its controller the form's views and connects the form's controls to the controller's
// actions with typed connects; the keys and Tab's way through the screen are set here too.

namespace Ui {
class MainScreen;
class InfoScreen;
}  // namespace Ui

namespace storm::qt {

class MainScreen : public QWidget {
  Q_OBJECT

 public:
  MainScreen(std::shared_ptr<MainViewController> controller, QWidget* parent);
  ~MainScreen() override;

  MainViewController& controller() const { return *controller_; }
  const Ui::MainScreen& form() const { return *form_; }
  // The widget with the keyboard focus whenever the screen comes to the top: the main button.
  QWidget* firstFocus() const;

 private:
  void connectViews();
  void connectControls();
  void dockQuestion();

  std::unique_ptr<Ui::MainScreen> form_;
  const std::shared_ptr<MainViewController> controller_;
  std::vector<std::shared_ptr<View>> views_;  // the controller's outlets, which it holds weakly
};

class InfoScreen : public QWidget {
  Q_OBJECT

 public:
  InfoScreen(std::shared_ptr<FlipsideViewController> controller, QWidget* parent);
  ~InfoScreen() override;

  const std::shared_ptr<FlipsideViewController>& controller() const { return controller_; }
  // The Done button.
  QWidget* firstFocus() const;

 private:
  std::unique_ptr<Ui::InfoScreen> form_;
  const std::shared_ptr<FlipsideViewController> controller_;
};

}  // namespace storm::qt
