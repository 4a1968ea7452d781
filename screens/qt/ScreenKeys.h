#pragma once

#include <QAbstractButton>
#include <QStringList>
#include <QWidget>

// The keys of a screen that Qt's widgets do not give by themselves: keys that press a button
// wherever the focus is on the screen, the map's zoom keys, and Tab's way through the screen.

namespace storm::qt {

class MapWidget;

// Each of `keys`, pressed anywhere on `screen`, presses `button`, at once as the key goes down (the
// press may be a timing) and once however long it is held. With `focused`, the key presses the
// button of the screen that has the focus instead, while one has.
void addButtonKeys(QWidget* screen, QAbstractButton* button, const QStringList& keys, bool focused = false);

// + (typed with or without Shift, and =, the key it shares on many keyboards) zooms `map` in and -
// out, on the main keyboard and the keypad alike, wherever the focus is on `screen`.
void addZoomKeys(QWidget* screen, MapWidget* map);

// Tab's way through a screen, in reading order: each stop after the one before; a widget that
// takes no focus stands for its children that do.
void setTabWay(const QList<QWidget*>& stops);

}  // namespace storm::qt
