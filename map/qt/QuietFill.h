#pragma once

class QColor;
class QPainter;
class QPainterPath;
class QPen;

// Fills and strokes shapes in colours that let what is below show through, pixel for pixel as
// QPainter does, without waking the painter's helper threads: the raster painter shares a large
// fill in such a colour out among threads of its own. The shape is drawn in opaque white, which the
// painter does alone, and its coverage (the white's alpha) is laid on here in the colour.
//
// `painter` draws on a QImage of premultiplied ARGB, without clip, composing over (the default) at
// full opacity; otherwise it simply draws.

namespace storm::qt {

// As QPainter::fillPath(path, colour).
void fillPathQuietly(QPainter& painter, const QPainterPath& path, const QColor& colour);

// As QPainter::strokePath(path, pen) with a solid pen. A pen no wider than a device pixel the
// painter draws its own way (line by line), which this cannot match: the painter draws it.
void strokePathQuietly(QPainter& painter, const QPainterPath& path, const QPen& pen);

}  // namespace storm::qt
