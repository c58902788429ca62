#include "resources/artwork/appicon.h"

#include <QBuffer>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QtMath>

namespace artwork {

void drawMark(QPainter &p, const QRectF &box, bool small)
{
    const qreal s = qMin(box.width(), box.height());
    const QPointF c = box.center();
    const qreal R = s * 0.355;
    const qreal w = s * (small ? 0.15 : 0.125);

    QLinearGradient ringGrad(c + QPointF(-R, -R), c + QPointF(R, R));
    ringGrad.setColorAt(0, kAccentLight);
    ringGrad.setColorAt(1, kAccent);

    // Tail of the Q: a short bar across the ring at the bottom right
    // (drawn first so the ring sits on it).
    const qreal ta = qDegreesToRadians(45.0);
    const QPointF dir(qCos(ta), qSin(ta));
    p.setPen(QPen(QBrush(kCyan), w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(c + dir * (R * 0.74), c + dir * (R + s * 0.085));
    // Ring with a small gap where the tail leaves it (bottom right). It is
    // filled as the outline of its stroke: an SVG keeps a gradient fill, but
    // QSvgGenerator writes a gradient pen as plain black.
    const QRectF ringRect(c.x() - R, c.y() - R, 2 * R, 2 * R);
    QPainterPath arc;
    arc.arcMoveTo(ringRect, -45 + 17);
    arc.arcTo(ringRect, -45 + 17, 360 - 34);
    QPainterPathStroker ring;
    ring.setWidth(w);
    ring.setCapStyle(Qt::FlatCap);
    p.setPen(Qt::NoPen);
    p.setBrush(ringGrad);
    p.drawPath(ring.createStroke(arc));

    // Lightning bolt inside the ring.
    QPolygonF bolt;
    bolt << QPointF(0.070, -0.245) << QPointF(-0.115, 0.035) << QPointF(-0.005, 0.035)
         << QPointF(-0.055, 0.235) << QPointF(0.120, -0.040) << QPointF(0.010, -0.040);
    const qreal u = s * (small ? 1.12 : 1.0);
    for (QPointF &pt : bolt)
        pt = c + QPointF(pt.x() * u, pt.y() * u);
    p.setPen(QPen(QBrush(kCyan), s * 0.012, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(kCyan);
    p.drawPolygon(bolt);
}

void paintAppIcon(QPainter &p, int size)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal s = size;
    const qreal m = s <= 16 ? 0.0 : s * 0.03;
    const QRectF tile(m, m, s - 2 * m, s - 2 * m);
    QLinearGradient g(tile.topLeft(), tile.bottomLeft());
    g.setColorAt(0, QColor(0x3a, 0x3c, 0x3f));
    g.setColorAt(1, QColor(0x17, 0x18, 0x19));
    p.setPen(s >= 32 ? QPen(QColor(255, 255, 255, 40), qMax<qreal>(1.0, s / 64.0))
                     : QPen(Qt::NoPen));
    p.setBrush(g);
    const qreal r = tile.width() * 0.22;
    p.drawRoundedRect(tile.adjusted(0.5, 0.5, -0.5, -0.5), r, r);
    const qreal pad = s <= 16 ? s * 0.02 : s * 0.08;
    drawMark(p, tile.adjusted(pad, pad, -pad, -pad), s <= 32);
}

QImage appIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    paintAppIcon(p, size);
    return img;
}

bool writeAppIconSvg(const QString &path)
{
    constexpr int size = 256;
    QByteArray svg;
    {
        QBuffer buffer(&svg);
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(QSize(size, size));
        generator.setViewBox(QRect(0, 0, size, size));
        generator.setTitle(QStringLiteral("QUORVALINE"));
        generator.setDescription(QStringLiteral("The QUORVALINE icon"));
        QPainter p;
        if (!p.begin(&generator))
            return false;
        paintAppIcon(p, size);
        if (!p.end())
            return false;
    }
    // The generator gives the size in millimetres at its resolution, which
    // renderers turn into pixels each at their own; the icon theme wants the
    // size in pixels.
    QString text = QString::fromUtf8(svg);
    const QString pixels = QString::number(size);
    text.replace(
        QRegularExpression(QStringLiteral("<svg width=\"[0-9.]+mm\" height=\"[0-9.]+mm\"")),
        QStringLiteral("<svg width=\"%1\" height=\"%1\"").arg(pixels));
    if (!text.contains(QStringLiteral("<svg width=\"%1\" height=\"%1\"").arg(pixels)))
        return false;
    svg = text.toUtf8();
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(svg) == svg.size() && file.commit();
}

bool writeAppIconPng(const QString &path, int size)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&file, "png");
    return writer.write(appIcon(size).convertToFormat(QImage::Format_ARGB32)) && file.commit();
}

} // namespace artwork
