#pragma once

#include <QButtonGroup>
#include <QStringList>
#include <QWidget>

// A row of mutually exclusive segments; at most one is selected (-1: none).

namespace storm::qt {

class SegmentedControlWidget : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QStringList segments READ segments WRITE setSegments)
  Q_PROPERTY(int selectedIndex READ selectedIndex WRITE setSelectedIndex)

 public:
  explicit SegmentedControlWidget(QWidget* parent = nullptr);

  QStringList segments() const;
  void setSegments(const QStringList& titles);
  int selectedIndex() const;
  // Selects a segment without telling the action (as code setting the index does).
  void setSelectedIndex(int index);
  // Selects a segment (or, with -1, none) as the user does, telling the action.
  void choose(int index);

 signals:
  void valueChanged(int index);

 private:
  QButtonGroup group_;
  int pendingIndex_ = -1;
};

}  // namespace storm::qt
