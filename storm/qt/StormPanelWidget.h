#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
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
// undo the last strike and show the whole storm. The boxes are drawn once into a picture for each
// text, width and density and then only copied, since the map under them is repainted at every
// step of a pan; they take no clicks (the map under them still pans) unless they are cut short to
// one line each, when a click (or Space or Return, where it has the focus) opens them whole and the
// next shortens them again. Its accessible name is its text. The map places it at its top.

namespace storm::qt {

class StormPanelWidget : public MapPanel {
 public:
  explicit StormPanelWidget(QWidget* parent = nullptr);

  const StormPanel& panel() const { return panel_; }
  // Shows `panel` from the next fitInto on (nothing when it has no line).
  void setPanel(const StormPanel& panel);
  bool isEmpty() const override { return panel_ == StormPanel{}; }
  // Takes the size the panel needs within `maxWidth`. Where its boxes stack higher than
  // `maxHeight`, each box shows one line (the whole text is the tooltip) with the buttons beside
  // the last; where even that is too high, the later boxes are left out: the first (take
  // shelter, or all clear) matters most. Screen readers still hear every line.
  void fitInto(int maxWidth, int maxHeight, int roomHeight) override;

  // Whether the map's own control for the whole storm is on show.
  void setShowStormOnMap(bool shown);

  // What the buttons do.
  std::function<void()> onUndo;
  std::function<void()> onShowStorm;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct Line {
    QString text;
    QFont font;
  };
  struct Box {
    QColor ground;
    std::vector<Line> lines;
    double height = 0;
    double width = 0;
  };

  std::vector<Box> boxes() const;
  // The boxes' common width and each one's height for `maxWidth`.
  double layOut(std::vector<Box>& boxes, int maxWidth) const;
  // The same with each box on one line, the last leaving room for the buttons beside it unless
  // that would leave it too short and the room has the height for them under it.
  double layOutShort(std::vector<Box>& boxes, int maxWidth) const;
  static double stacked(const std::vector<Box>& boxes);
  // A box's lines as the one line of a short panel, `width` pixels wide at most.
  static QString shortLine(const Box& box, const QFontMetricsF& metrics, double width);
  bool wanted(const QPushButton* button) const;
  double buttonsWidth() const;
  // Places the buttons and takes the panel's size.
  void placeButtons(double width, int maxHeight);
  QImage draw(double dpr) const;
  // Opens a short panel whole, or shortens an opened one.
  void toggleOpen();

  StormPanel panel_;
  int maxWidth_ = -1;
  int maxHeight_ = std::numeric_limits<int>::max();
  int roomHeight_ = std::numeric_limits<int>::max();
  std::vector<Box> laid_;  // the boxes that fit, as laid out
  bool compact_ = false;   // each box on one line
  bool showStormOnMap_ = false;
  bool open_ = false;  // a short panel opened whole by a click, until the next
  QImage picture_;
  QPushButton* undo_ = nullptr;
  QPushButton* showStorm_ = nullptr;
};

}  // namespace storm::qt
