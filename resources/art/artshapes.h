#ifndef RESOURCES_ART_ARTSHAPES_H
#define RESOURCES_ART_ARTSHAPES_H

#include <QColor>
#include <QPainterPath>
#include <QRectF>

class QPainter;

// Shapes shared by several pictures.
namespace ArtShapes {

// The brand mark: a drop with its point up, filling box (about 2 wide by 3 high looks right).
QPainterPath drop(const QRectF &box);

// The handheld device seen from the front: body, mouthpiece, LCD window, fire button and two
// adjust buttons. body is the rectangle of the body without the mouthpiece, which sits above
// it. The LCD shows the wordmark. Returns the middle of the bottom edge, where the USB socket is.
QPointF drawDevice(QPainter &painter, const QRectF &body);

} // namespace ArtShapes

#endif // RESOURCES_ART_ARTSHAPES_H
