#include "screens/qt/SegmentedControlWidget.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace storm::qt {

SegmentedControlWidget::SegmentedControlWidget(QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  group_.setExclusive(true);
  connect(&group_, &QButtonGroup::idClicked, this, [this](int id) { emit valueChanged(id); });
  setFocusPolicy(Qt::NoFocus);
  setProperty("accessibleRole", "group");  // its layout names it
}

QStringList SegmentedControlWidget::segments() const {
  QStringList titles;
  for (auto* b : group_.buttons()) titles << b->text();
  return titles;
}

void SegmentedControlWidget::setSegments(const QStringList& titles) {
  // The index may have been set before the segments existed (layouts set it first).
  const int selected = group_.buttons().isEmpty() ? pendingIndex_ : selectedIndex();
  for (auto* b : group_.buttons()) {
    group_.removeButton(b);
    delete b;
  }
  for (int i = 0; i < titles.size(); ++i) {
    auto* b = new QToolButton(this);
    b->setProperty("accessibleRole", "radio");  // one of a group, as a screen reader should hear it
    b->setText(titles[i]);
    b->setCheckable(true);
    b->setAutoRaise(false);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    b->setMinimumHeight(30);
    b->setAccessibleName(titles[i]);
    b->setObjectName(QString("segment%1").arg(i));
    group_.addButton(b, i);
    layout()->addWidget(b);
  }
  setSelectedIndex(selected);
}

int SegmentedControlWidget::selectedIndex() const { return group_.checkedId(); }

void SegmentedControlWidget::setSelectedIndex(int index) {
  pendingIndex_ = index;
  if (auto* b = group_.button(index)) {
    b->setChecked(true);
    return;
  }
  group_.setExclusive(false);
  for (auto* b : group_.buttons()) b->setChecked(false);
  group_.setExclusive(true);
}

void SegmentedControlWidget::choose(int index) {
  if (auto* b = group_.button(index)) {
    b->click();
  } else if (index == -1) {
    setSelectedIndex(-1);
    emit valueChanged(-1);
  }
}

}  // namespace storm::qt
