#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <functional>
#include <limits>
#include <vector>

#include "map/qt/MapLayer.h"
#include "storm/StormPicture.h"

// The storm's panel over the map: the call to shelter with its countdown on a red box, the
// all-clear on a green one, a stop that was not logged on an amber one and the trend and the track
// with the last strike's age on a dark one, stacked and centred, and under them the buttons that
// undo the last strike and show the whole storm. The boxes are drawn once into a picture for each text, width and
// density and then only copied, since the map under them is repainted at every step of a pan; they
// take no clicks (the map under them still pans). Its accessible name is its text. The map places
// it at its top.

namespace storm::qt {

class StormPanelWidget : public MapPanel {
 public:
  explicit StormPanelWidget(QWidget* parent = nullptr);

  const StormPanel& panel() const { return panel_; }
  // Shows `panel` from the next fitInto on (nothing when it has no line).
  void setPanel(const StormPanel& panel);
  bool isEmpty() const override { return panel_ == StormPanel{}; }
  // Takes the size the panel needs within `maxWidth`. Where its boxes stack higher than
  // `maxHeight`, the later ones are left out: the first (take shelter, or all clear) matters most.
  // Screen readers still hear every line.
  void fitInto(int maxWidth, int maxHeight) override;

  // What the buttons do.
  std::function<void()> onUndo;
  std::function<void()> onShowStorm;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Line {
    QString text;
    QFont font;
  };
  struct Box {
    QColor ground;
    std::vector<Line> lines;
    double height = 0;
  };

  std::vector<Box> boxes() const;
  // The boxes' common width and each one's height for `maxWidth`.
  double layOut(std::vector<Box>& boxes, int maxWidth) const;
  QImage draw(double dpr) const;

  StormPanel panel_;
  int maxWidth_ = -1;
  int maxHeight_ = std::numeric_limits<int>::max();
  size_t shown_ = 0;  // how many of the boxes fit
  QImage picture_;
  QPushButton* undo_ = nullptr;
  QPushButton* showStorm_ = nullptr;
};

}  // namespace storm::qt
