#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QWidget>

#include "rating/qt/QtAlertView.h"
#include "system/qt/QtURLOpener.h"

// The in-window dialog: button order and indices, pressing, dismissing, following the window; the
// opener that its Rate answer goes through.

namespace storm::qt {
namespace {

class RecordingDelegate : public AlertViewDelegate {
 public:
  void alertViewClickedButtonAtIndex(AlertView& alert, long index) override {
    pressed.push_back(index);
    visibleWhenTold = alert.isVisible();
  }
  std::vector<long> pressed;
  bool visibleWhenTold = true;
};

class RatingAlertView : public ::testing::Test {
 protected:
  RatingAlertView() {
    window.resize(360, 640);
    window.show();
    alert = std::dynamic_pointer_cast<QtAlertView>(
        factory.makeAlertView("Rate App", "Please?", delegate, "No, Thanks", {"Rate App", "Remind me later"}));
  }
  QWidget* layer() const { return window.findChild<QWidget*>("alertLayer"); }
  QAbstractButton* button(int index) const { return alert->dialog()->button(index); }

  QWidget window;
  QtAlertViewFactory factory{&window};
  std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
  std::shared_ptr<QtAlertView> alert;
};

TEST_F(RatingAlertView, ShowsItsButtonsInIndexOrderOverTheWholeWindow) {
  ASSERT_TRUE(alert);
  EXPECT_FALSE(alert->isVisible());
  alert->show();
  EXPECT_TRUE(alert->isVisible());
  ASSERT_TRUE(layer());
  EXPECT_TRUE(layer()->isVisible());
  EXPECT_EQ(layer()->geometry(), window.rect());
  const QStringList expected{"No, Thanks", "Rate App", "Remind me later"};
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(button(i));
    EXPECT_EQ(button(i)->text(), expected[i]);
    if (i > 0) {
      EXPECT_GT(button(i)->mapTo(&window, QPoint()).y(), button(i - 1)->mapTo(&window, QPoint()).y());
    }
  }
  EXPECT_EQ(button(3), nullptr);
  QStringList labels;
  for (auto* label : layer()->findChildren<QLabel*>()) labels << label->text();
  EXPECT_EQ(labels, (QStringList{"Rate App", "Please?"}));
  // No button takes the focus (a key meant for the screen below must not answer), and screen
  // readers hear an alert.
  EXPECT_FALSE(layer()->isAncestorOf(QApplication::focusWidget()));
  QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(layer()->findChild<QWidget*>("alertPanel"));
  ASSERT_TRUE(panel);
  EXPECT_EQ(panel->role(), QAccessible::AlertMessage);
  EXPECT_EQ(panel->text(QAccessible::Name), "Rate App");
  EXPECT_EQ(panel->text(QAccessible::Description), "Please?");

  window.resize(800, 480);
  EXPECT_EQ(layer()->geometry(), window.rect());
  EXPECT_EQ(WindowDialog::newest(), alert->dialog());
}

TEST_F(RatingAlertView, PressingClosesThenTellsTheDelegateTheIndex) {
  alert->show();
  button(2)->click();
  EXPECT_EQ(delegate->pressed, std::vector<long>{2});
  EXPECT_FALSE(delegate->visibleWhenTold);
  EXPECT_FALSE(alert->isVisible());
  EXPECT_FALSE(layer()->isVisible());
  button(1)->click();
  EXPECT_EQ(delegate->pressed, std::vector<long>{2}) << "a closed dialog takes no more presses";
}

TEST_F(RatingAlertView, DismissingTellsTheDelegateNothing) {
  alert->show();
  alert->dismissWithClickedButtonIndex(-1, false);
  EXPECT_FALSE(alert->isVisible());
  EXPECT_FALSE(layer()->isVisible());
  EXPECT_TRUE(delegate->pressed.empty());
  alert->show();
  EXPECT_TRUE(alert->isVisible()) << "a dismissed dialog can be shown again";
}

TEST_F(RatingAlertView, ReleasingTheDialogRemovesItsWidgets) {
  alert->show();
  QPointer<QWidget> widgets = layer();
  alert.reset();
  EXPECT_EQ(WindowDialog::newest(), nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(widgets.isNull());
}

// A link whose scheme the desktop does not handle is refused, not handed on to fail unseen.
TEST(QtURLOpenerTest, RefusesSchemesWithoutAHandler) {
  std::vector<QString> asked, opened;
  QtURLOpener opener(
      false,
      [&](const QString& scheme) {
        asked.push_back(scheme);
        return scheme == "appstream";
      },
      [&](const QString& url) {
        opened.push_back(url);
        return true;
      });
  EXPECT_FALSE(opener.openURL("itms-apps://reviews.example.com/x"));
  EXPECT_TRUE(opener.openURL("appstream://org.stormdistance.StormDistance"));
  EXPECT_TRUE(opener.openURL("http://apps.example.com/us/app"));
  EXPECT_FALSE(opener.openURL("no scheme"));
  EXPECT_EQ(asked, (std::vector<QString>{"itms-apps", "appstream"}));
  EXPECT_EQ(opened,
            (std::vector<QString>{"appstream://org.stormdistance.StormDistance", "http://apps.example.com/us/app"}));
  EXPECT_EQ(opener.openedURLs().size(), 4u);
}

}  // namespace
}  // namespace storm::qt
