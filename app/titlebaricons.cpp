#include "titlebaricons.h"

#include <QPainter>
#include <QPixmap>

namespace titlebaricons {

namespace {

// One-pixel outline of a rectangle, as four filled strips: whole pixels at
// scale 1 and whole pixel pairs at scale 2, with full corners.
void outline(QPainter &painter, const QRect &rect, const QColor &colour)
{
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), colour);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), colour);
    painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), colour);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), colour);
}

// Draws one glyph in logical pixels, inside the 10 x 10 square from (3, 3).
void drawGlyph(QPainter &painter, Glyph glyph, const QColor &colour)
{
    switch (glyph) {
    case Glyph::Minimize:
        painter.fillRect(QRect(3, 8, 10, 1), colour);
        break;
    case Glyph::Maximize:
        outline(painter, QRect(3, 3, 10, 10), colour);
        break;
    case Glyph::Restore:
        // The window in front, and the top and right sides of the one behind.
        outline(painter, QRect(3, 5, 8, 8), colour);
        painter.fillRect(QRect(5, 3, 8, 1), colour);
        painter.fillRect(QRect(5, 3, 1, 2), colour);
        painter.fillRect(QRect(12, 3, 1, 8), colour);
        painter.fillRect(QRect(11, 10, 1, 1), colour);
        break;
    case Glyph::Close:
        // Antialiased diagonals, a little heavier than one pixel so that they
        // look as strong as the straight lines of the others.
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(colour, 1.25, Qt::SolidLine, Qt::SquareCap));
        painter.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        painter.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    }
}

QPixmap render(Glyph glyph, const QColor &colour, int scale)
{
    QPixmap pixmap(kIconSize * scale, kIconSize * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    drawGlyph(painter, glyph, colour);
    return pixmap;
}

} // namespace

QIcon icon(Glyph glyph)
{
    QIcon result;
    for (int scale : {1, 2}) {
        result.addPixmap(render(glyph, kResting, scale), QIcon::Normal);
        result.addPixmap(render(glyph, kHovered, scale), QIcon::Active);
    }
    return result;
}

} // namespace titlebaricons
