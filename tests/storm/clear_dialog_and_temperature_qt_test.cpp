#include <gtest/gtest.h>
#include <QPointer>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "storm/SpeedOfSound.h"
#include "storm/StormWatch.h"
#include "storm/qt/HistoryWindow.h"
#include "storm/qt/TemperatureSetting.h"
#include "support/FakeServices.h"
#include "support/FakeStorm.h"
#include "system/qt/WindowDialog.h"

// From the keyboard: the history's Clear dialog, which keeps the focus among its buttons, has
// Cancel as its default and on Escape, clears only on Clear, and says that a call to shelter stays;
// and the temperature field's error state, which says what is wrong and which temperature stays in
// use.

namespace storm::qt {
namespace {

void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

TEST(HistoryKeys, TheClearDialogKeepsTheFocusAndCancelsUnlessClearIsPressed) {
  fakes::FakeServices fake;
  auto log = std::make_shared<fakes::MemoryStrikeLog>();
  for (double ago : {120.0, 60.0}) {  // close thunder: a call to shelter
    Strike strike;
    strike.time = fake.clock->now() - ago;
    strike.delay = 6;
    strike.km = 2;
    log->strikes.push_back(strike);
  }
  auto watch =
      std::make_shared<StormWatch>(StormWatch::Services{log, fake.clock, fake.clock, nullptr, fake.bundle, nullptr});
  watch->start();
  ASSERT_TRUE(watch->shelter().shelter);
  QWidget window;
  window.resize(360, 640);
  auto* history = new HistoryWindow({watch, log, fake.clock, fake.bundle, nullptr}, &window, &window);
  history->resize(window.size());
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  auto* clearButton = history->findChild<QAbstractButton*>("clearButton");
  clearButton->setFocus();

  auto open = [&] {
    clearButton->click();
    WindowDialog* dialog = WindowDialog::newest();
    EXPECT_TRUE(dialog && dialog->isVisible());
    return dialog;
  };
  // A dialog that closed may be gone already: each is watched through a guard.
  QPointer<WindowDialog> dialog = open();
  EXPECT_TRUE(dialog->message().endsWith("The call to take shelter stays until the all-clear."))
      << dialog->message().toStdString();
  QAbstractButton *cancel = dialog->button(0), *clear = dialog->button(1);
  EXPECT_EQ(cancel->mapToGlobal(QPoint()).y(), clear->mapToGlobal(QPoint()).y()) << "in one row";
  EXPECT_LT(cancel->mapToGlobal(QPoint()).x(), clear->mapToGlobal(QPoint()).x());
  EXPECT_TRUE(clear->property("destructive").toBool());
  EXPECT_EQ(QApplication::focusWidget(), cancel);
  for (QAbstractButton* next : {clear, cancel, clear}) {
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next) << "Tab stays in the dialog";
  }
  press(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), cancel);

  auto closed = [](const QPointer<WindowDialog>& shown) { return !shown || !shown->isVisible(); };
  press(Qt::Key_Escape);
  EXPECT_TRUE(closed(dialog));
  EXPECT_EQ(QApplication::focusWidget(), clearButton) << "back where it was";
  dialog = open();
  press(Qt::Key_Return);  // on Cancel, the default
  EXPECT_TRUE(closed(dialog));
  EXPECT_EQ(log->strikes.size(), 2u);

  dialog = open();
  press(Qt::Key_Tab);
  press(Qt::Key_Return);
  EXPECT_TRUE(closed(dialog));
  EXPECT_TRUE(log->strikes.empty());
  EXPECT_TRUE(watch->shelter().shelter) << "as the dialog said";
}

TEST(TemperatureField, AnEntryThatCannotBeKeptShowsAnErrorOnTheFieldAndTheTemperatureInUse) {
  fakes::FakeServices fake;
  ASSERT_TRUE(setAirTemperature(*fake.settings, 20.0));
  QWidget page;
  auto* field = new QLineEdit(&page);
  auto* note = new QLabel(&page);
  auto* layout = new QVBoxLayout(&page);
  layout->addWidget(field);
  layout->addWidget(note);
  new TemperatureSetting(field, note, fake.settings, fake.bundle);
  page.show();
  page.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
  field->setFocus();
  const QString plainNote = note->text();

  for (const char* entry : {"warm", "60"}) {
    field->selectAll();
    QTest::keyClicks(field, entry);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(field->property("error").toBool()) << entry;
    EXPECT_TRUE(note->property("error").toBool()) << entry;
    EXPECT_TRUE(note->text().endsWith("Still using 20 \u00b0C.")) << note->text().toStdString();
    EXPECT_EQ(field->accessibleDescription(), note->text());
    EXPECT_EQ(field->text(), entry) << "the entry stays to be mended";
    EXPECT_EQ(fake.settings->doubleForKey(kAirTemperatureKey), 20.0);
  }
  field->selectAll();
  QTest::keyClicks(field, "25");
  EXPECT_FALSE(field->property("error").toBool()) << "a valid entry ends the error at once";
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_EQ(fake.settings->doubleForKey(kAirTemperatureKey), 25.0);
  EXPECT_TRUE(field->accessibleDescription().isEmpty());
  EXPECT_NE(note->text(), plainNote) << "the note tells the new speed";
  EXPECT_FALSE(note->property("error").toBool());
}

}  // namespace
}  // namespace storm::qt
