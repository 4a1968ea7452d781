#include "storm/qt/BearingPanel.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>

#include "system/qt/ScreenFit.h"

namespace storm::qt {

namespace {

constexpr int kFieldWidth = 96;
constexpr int kRowHeight = 30;
constexpr int kPreferredWidth = 400;

QString translated(const char* text) { return QCoreApplication::translate("Localizable", text); }

}  // namespace

BearingPanel::BearingPanel(QWidget* parent) : MapPanel(parent) {
  setObjectName("bearingPanel");
  // An opaque ground: the map under it is repainted at every step of a pan, and a translucent one
  // would be blended again each time.
  setAttribute(Qt::WA_StyledBackground);
  setStyleSheet(withApplicationFontSizes(
      "#bearingPanel { background: #1e3a8a; border-radius: 6px; }"
      "QLabel { color: #ffffff; background: transparent; }"
      "QLabel#bearingQuestion { font-size: 15px; font-weight: bold; }"
      "QLabel#bearingHint { font-size: 12px; }"
      "QLineEdit, QPushButton { color: #ffffff; background: #1f2933; border: 1px solid #9aa5b1;"
      " border-radius: 6px; padding: 3px 8px; font-size: 13px; }"
      "QLineEdit:focus, QPushButton:focus { border: 2px solid #fcd34d; padding: 2px 7px; }"
      "QLineEdit[invalid=\"true\"] { border: 2px solid #f87171; padding: 2px 7px; }"
      "QPushButton:pressed { background: #3e4c59; }"));
  question_ = new QLabel(this);
  question_->setObjectName("bearingQuestion");
  question_->setAlignment(Qt::AlignHCenter);
  question_->setWordWrap(true);
  hint_ = new QLabel(this);
  hint_->setObjectName("bearingHint");
  hint_->setAlignment(Qt::AlignHCenter);
  hint_->setWordWrap(true);
  field_ = new QLineEdit(this);
  field_->setObjectName("flashBearingField");
  field_->setPlaceholderText(translated("Degrees"));
  field_->setAccessibleName(translated("Direction of the flash in degrees"));
  field_->setMaxLength(8);
  field_->setFixedSize(kFieldWidth, kRowHeight);
  field_->setFocusPolicy(Qt::StrongFocus);
  dismiss_ = new QPushButton(translated("Not now"), this);
  dismiss_->setObjectName("bearingDismiss");
  dismiss_->setCursor(Qt::PointingHandCursor);
  dismiss_->setFixedHeight(kRowHeight);
  // Reached by Tab only: a click must leave the focus where Space times.
  dismiss_->setFocusPolicy(Qt::TabFocus);
  connect(dismiss_, &QPushButton::clicked, this, [this] {
    if (onDismiss) onDismiss();
  });
  auto* row = new QHBoxLayout;
  row->setSpacing(6);
  row->addStretch();
  row->addWidget(field_);
  row->addWidget(dismiss_);
  row->addStretch();
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(10, 6, 10, 8);
  column->setSpacing(4);
  column->addWidget(question_);
  column->addWidget(hint_);
  column->addLayout(row);
  hide();
}

void BearingPanel::setQuestion(const QString& question, const QString& hint) {
  if (question == question_->text() && hint == hint_->text()) return;
  question_->setText(question);
  hint_->setText(hint);
  hint_->setVisible(!hint.isEmpty());
  setAccessibleName(question);
  setAccessibleDescription(hint);
  field_->setAccessibleDescription(hint);
}

void BearingPanel::fitInto(int maxWidth, int maxHeight, int) {
  // Wide enough for the hint on two lines where there is the room; where the height is short, the
  // hint is left out (the field still describes it to screen readers, and shows it as its tooltip).
  auto heightFor = [this](int width) {
    layout()->activate();
    return layout()->hasHeightForWidth() ? layout()->heightForWidth(width) : layout()->sizeHint().height();
  };
  hint_->setVisible(!hint_->text().isEmpty());
  layout()->setContentsMargins(10, 6, 10, 8);
  layout()->setSpacing(4);
  int width = std::clamp(std::max(layout()->sizeHint().width(), kPreferredWidth), 1, std::max(1, maxWidth));
  if (heightFor(width) > maxHeight && hint_->isVisibleTo(this)) {
    hint_->hide();
    layout()->setContentsMargins(8, 2, 8, 2);
    layout()->setSpacing(2);
  }
  setToolTip(hint_->isVisibleTo(this) ? QString() : hint_->text());
  resize(width, heightFor(width));
}

}  // namespace storm::qt
