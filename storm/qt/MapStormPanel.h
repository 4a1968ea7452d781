#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QWidget>
#include <limits>
#include <vector>

#include "kit/Map.h"

// The storm's panel over the map: the call to shelter with its countdown on a red box, the
// all-clear on a green one and the trend on a dark one, stacked and centred. It is drawn once into
// a picture for each text, width and density and then only copied, since the map under it is
// repainted at every step of a pan. It takes no clicks (the map under it still pans), and its
// accessible name is its text.

namespace storm::qt {

class MapStormPanel : public QWidget {
 public:
  explicit MapStormPanel(QWidget* parent);

  const StormPanel& panel() const { return panel_; }
  int maxWidth() const { return maxWidth_; }
  // Shows `panel` (hidden when it has no line) and takes the size it needs within `maxWidth`. Where
  // its boxes stack higher than `maxHeight`, the later ones are left out: the first (take shelter,
  // or all clear) matters most. Screen readers still hear every line.
  void setPanel(const StormPanel& panel, int maxWidth, int maxHeight = std::numeric_limits<int>::max());

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
  int maxWidth_ = 0;
  int maxHeight_ = std::numeric_limits<int>::max();
  size_t shown_ = 0;  // how many of the boxes fit
  QImage picture_;
};

}  // namespace storm::qt
