#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

#include "map/qt/MapLayer.h"

// The question for the direction of the last flash, at the foot of the map: the question, how to
// answer it, a field for its degrees and a button that lets it go. The map places it.

namespace storm::qt {

class BearingPanel : public MapPanel {
 public:
  explicit BearingPanel(QWidget* parent = nullptr);

  // Shows `question` and `hint`; empty ones hide the panel.
  void setQuestion(const QString& question, const QString& hint);
  QLineEdit* field() const { return field_; }
  // What "Not now" does.
  std::function<void()> onDismiss;

  bool isEmpty() const override { return question_->text().isEmpty(); }
  void fitInto(int maxWidth, int maxHeight, int roomHeight) override;

 private:
  QLabel* question_ = nullptr;
  QLabel* hint_ = nullptr;
  QLineEdit* field_ = nullptr;
  QPushButton* dismiss_ = nullptr;
};

}  // namespace storm::qt
