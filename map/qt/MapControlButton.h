#pragma once

#include <QAbstractButton>
#include <QImage>
#include <functional>

class QPainter;

// A control on the map: a rounded white square with a dark glyph (at night a dark square with a
// light glyph), drawn once per look (up, pressed) and density and then only copied, since it is
// repainted with every frame of the map under it; a yellow ring while it has the keyboard's focus.

namespace storm::qt {

class MapControlButton : public QAbstractButton {
 public:
  // Draws the glyph around `centre` in `ink`.
  using Glyph = std::function<void(QPainter& painter, QPointF centre, QColor ink)>;

  MapControlButton(QWidget* parent, Glyph glyph);
  void setNight(bool night);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Glyph glyph_;
  QImage up_, down_;
  bool night_ = false;
};

}  // namespace storm::qt
