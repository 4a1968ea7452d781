#include "system/qt/DarkPalette.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace storm::qt {

void useDarkPalette() {
  // Fusion draws every control from the palette (the platform's styles may not).
  if (QApplication::style()->name().compare("fusion", Qt::CaseInsensitive) != 0)
    if (QStyle* fusion = QStyleFactory::create("Fusion")) QApplication::setStyle(fusion);
  const QColor ground(0x1f, 0x29, 0x33), raised(0x32, 0x3f, 0x4b), field(0x29, 0x34, 0x3f);
  const QColor ink(0xf5, 0xf7, 0xfa), quiet(0x9a, 0xa5, 0xb1), faded(0x7b, 0x87, 0x94);
  QPalette palette;
  palette.setColor(QPalette::Window, ground);
  palette.setColor(QPalette::WindowText, ink);
  palette.setColor(QPalette::Base, field);
  palette.setColor(QPalette::AlternateBase, raised);
  palette.setColor(QPalette::Text, ink);
  palette.setColor(QPalette::PlaceholderText, quiet);
  palette.setColor(QPalette::Button, raised);
  palette.setColor(QPalette::ButtonText, ink);
  palette.setColor(QPalette::BrightText, QColor(0xfc, 0xd3, 0x4d));
  palette.setColor(QPalette::Highlight, QColor(0x0b, 0x6b, 0xcb));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::ToolTipBase, raised);
  palette.setColor(QPalette::ToolTipText, ink);
  palette.setColor(QPalette::Link, QColor(0x7d, 0xd3, 0xfc));
  palette.setColor(QPalette::LinkVisited, QColor(0xc4, 0xb5, 0xfd));
  palette.setColor(QPalette::Light, QColor(0x52, 0x60, 0x6d));
  palette.setColor(QPalette::Midlight, QColor(0x3e, 0x4c, 0x59));
  palette.setColor(QPalette::Mid, QColor(0x2a, 0x35, 0x40));
  palette.setColor(QPalette::Dark, QColor(0x17, 0x1f, 0x27));
  palette.setColor(QPalette::Shadow, QColor(0x0b, 0x10, 0x15));
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    palette.setColor(QPalette::Disabled, role, faded);
  QApplication::setPalette(palette);
}

}  // namespace storm::qt
