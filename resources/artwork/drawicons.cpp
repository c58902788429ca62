// quorvaline-drawicons — draws QUORVALINE's own artwork with QPainter.
//
//   quorvaline-drawicons OUTDIR [--preview SHEET.png]
//
// Writes OUTDIR/image/{usb,subway,hammer_and_wrench,house,arrow_wave}.png (128x128),
// OUTDIR/image/ZEL_logo.png (300x64), OUTDIR/image/logo_union_zel.png (800x90)
// and OUTDIR/logo.ico (16, 32, 48 and 256 px). With --preview it also writes a
// sheet with every picture on the window colour (#2a2b2c) and on black, at the
// size the program shows them.
//
// Only QtGui is used; it runs with QT_QPA_PLATFORM=offscreen (set here if unset).
// Text is rendered as paths from DejaVu Sans, which the build machines have.
// The mark and the window icon are drawn by appicon.cpp, which also makes
// the icons installed for the desktop.

#include "resources/artwork/appicon.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <QTransform>
#include <QVector>
#include <QtMath>

#include <cstdio>
#include <functional>

namespace {

// ---- palette (matches the interface) --------------------------------------
const QColor kWindow(0x2a, 0x2b, 0x2c);
const QColor kText(192, 192, 192);   // outlines, light grey text
const QColor kBright(232, 234, 236); // wordmark
using artwork::kAccent;
using artwork::kAccentLight;
using artwork::kCyan;
const QColor kGreen(0, 255, 0);
const QColor kRed(255, 90, 90);
const QColor kScreen(0x06, 0x12, 0x1a); // instrument display glass
const QColor kBodyTop(0x4b, 0x4f, 0x54);
const QColor kBodyBottom(0x30, 0x33, 0x37);
const QColor kMetalTop(0xe2, 0xe5, 0xe8);
const QColor kMetalBottom(0x8e, 0x94, 0x9a);

// Stroke widths at 128 px (shown at 50 px: 5 -> ~2 px, 2.5 -> ~1 px).
const qreal kOutline = 5.0;
const qreal kThin = 2.5;

QImage canvas(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void prepare(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QPen pen(const QColor &c, qreal w)
{
    return QPen(QBrush(c), w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QBrush vgrad(const QRectF &r, const QColor &top, const QColor &bottom)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return QBrush(g);
}

QBrush bodyBrush(const QRectF &r)
{
    return vgrad(r, kBodyTop, kBodyBottom);
}
QBrush metalBrush(const QRectF &r)
{
    return vgrad(r, kMetalTop, kMetalBottom);
}

// Instrument body: rounded, gradient filled, light outline.
void body(QPainter &p, const QRectF &r, qreal radius)
{
    p.setPen(pen(kText, kOutline));
    p.setBrush(bodyBrush(r));
    p.drawRoundedRect(r, radius, radius);
}

// Display glass with a thin accent frame.
void screen(QPainter &p, const QRectF &r, qreal radius = 5)
{
    p.setPen(pen(kAccent, kThin));
    p.setBrush(kScreen);
    p.drawRoundedRect(r, radius, radius);
}

QFont dejavu(qreal px, bool bold, int stretch = QFont::Unstretched)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(qRound(px));
    f.setBold(bold);
    f.setStretch(stretch);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

// Text as a path; letterSpacing in pixels between glyphs.
QPainterPath textPath(const QString &s, const QFont &f, qreal letterSpacing = 0)
{
    QPainterPath path;
    if (letterSpacing == 0) {
        path.addText(0, 0, f, s);
        return path;
    }
    qreal x = 0;
    QFontMetricsF fm(f);
    for (int i = 0; i < s.size(); ++i) {
        path.addText(x, 0, f, QString(s.at(i)));
        x += fm.horizontalAdvance(s.at(i)) + letterSpacing;
    }
    return path;
}

// Moves a path so that its bounding box is centred on c.
QPainterPath centredOn(const QPainterPath &path, const QPointF &c)
{
    const QRectF b = path.boundingRect();
    return path.translated(c - b.center());
}

void fillPath(QPainter &p, const QPainterPath &path, const QBrush &b)
{
    p.setPen(Qt::NoPen);
    p.setBrush(b);
    p.drawPath(path);
}

// Power symbol (IEC 5009): an open ring and a bar, centred on c.
void powerSymbol(QPainter &p, const QPointF &c, qreal radius, qreal width, const QColor &col)
{
    p.setPen(pen(col, width));
    p.setBrush(Qt::NoBrush);
    const QRectF r(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius);
    // Qt angles: 1/16 degree, counter-clockwise from 3 o'clock. Gap at the top.
    p.drawArc(r, (90 + 40) * 16, (360 - 80) * 16);
    p.drawLine(QPointF(c.x(), c.y() - radius * 1.25), QPointF(c.x(), c.y() - radius * 0.15));
}

// Gear shape with n teeth.
QPainterPath gearPath(const QPointF &c, qreal rOuter, qreal rInner, int teeth, qreal rHole)
{
    QPainterPath path;
    const int steps = teeth * 4;
    for (int i = 0; i < steps; ++i) {
        // tooth pattern: outer, outer, inner, inner (with slight taper)
        const qreal base = 2 * M_PI * i / steps;
        const int phase = i % 4;
        const qreal r = (phase == 0 || phase == 1) ? rOuter : rInner;
        const qreal taper = (phase == 0)   ? 0.12
                            : (phase == 1) ? -0.12
                                           : (phase == 2 ? 0.05 : -0.05);
        const qreal a = base + taper * (2 * M_PI / steps);
        const QPointF pt(c.x() + r * qCos(a), c.y() + r * qSin(a));
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    if (rHole > 0)
        path.addEllipse(c, rHole, rHole);
    path.setFillRule(Qt::OddEvenFill);
    return path;
}

using artwork::drawMark;

// ---- 128x128 device icons ----------------------------------------------------

// USB voltage/current meter: a plug, a body and a V/A readout.
QImage drawUsbMeter()
{
    QImage img = canvas(128, 128);
    QPainter p(&img);
    prepare(p);

    // USB-A plug on the left.
    const QRectF shell(6, 48, 28, 32);
    p.setPen(pen(kText, kThin));
    p.setBrush(metalBrush(shell));
    p.drawRoundedRect(shell, 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3a, 0x3e, 0x42));
    p.drawRect(QRectF(13, 55, 7, 6));
    p.drawRect(QRectF(13, 67, 7, 6));

    // Body.
    const QRectF b(30, 28, 92, 72);
    body(p, b, 12);

    // Display.
    const QRectF scr(41, 39, 70, 50);
    screen(p, scr);

    // "V/A" readout.
    const QFont f = dejavu(31, true);
    QPainterPath v = textPath(QStringLiteral("V"), f);
    QPainterPath slash = textPath(QStringLiteral("/"), f);
    QPainterPath a = textPath(QStringLiteral("A"), f);
    QFontMetricsF fm(f);
    const qreal wv = fm.horizontalAdvance(QStringLiteral("V")) - 1;
    const qreal ws = fm.horizontalAdvance(QStringLiteral("/")) - 1;
    slash.translate(wv, 0);
    a.translate(wv + ws, 0);
    QPainterPath all = v;
    all.addPath(slash);
    all.addPath(a);
    const QPointF off = scr.center() - all.boundingRect().center();
    fillPath(p, v.translated(off), kCyan);
    fillPath(p, slash.translated(off), kText);
    fillPath(p, a.translated(off), kGreen);

    // USB receptacle on the right end.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x14, 0x16, 0x18));
    p.drawRoundedRect(QRectF(116.5, 52, 4, 24), 1.5, 1.5);
    return img;
}

// Adjustable bench power supply: display, knob, red + and black - terminals.
QImage drawPowerSupply()
{
    QImage img = canvas(128, 128);
    QPainter p(&img);
    prepare(p);

    // Feet.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x8a, 0x8f, 0x94));
    p.drawRoundedRect(QRectF(20, 100, 18, 10), 3, 3);
    p.drawRoundedRect(QRectF(90, 100, 18, 10), 3, 3);

    const QRectF b(8, 20, 112, 84);
    body(p, b, 12);

    // Display.
    const QRectF scr(20, 32, 58, 32);
    screen(p, scr);
    fillPath(p,
             centredOn(textPath(QStringLiteral("12.0"), dejavu(22, true, QFont::SemiCondensed)),
                       scr.center()),
             kCyan);

    // Adjust knob.
    const QPointF k(98, 48);
    const qreal kr = 13;
    QRadialGradient kg(k + QPointF(-4, -5), kr * 1.6);
    kg.setColorAt(0, QColor(0x6a, 0x70, 0x76));
    kg.setColorAt(1, QColor(0x22, 0x25, 0x28));
    p.setPen(pen(kText, kThin));
    p.setBrush(kg);
    p.drawEllipse(k, kr, kr);
    p.setPen(pen(kCyan, 4));
    const qreal ka = qDegreesToRadians(-50.0);
    p.drawLine(k + QPointF(qCos(ka) * 3, qSin(ka) * 3),
               k + QPointF(qCos(ka) * (kr - 3.5), qSin(ka) * (kr - 3.5)));

    // Terminals: red +, black -.
    const qreal tr = 11;
    const QPointF tp(34, 84), tn(64, 84);
    QRadialGradient rg(tp + QPointF(-3, -4), tr * 1.5);
    rg.setColorAt(0, QColor(255, 150, 150));
    rg.setColorAt(1, QColor(200, 40, 40));
    p.setPen(pen(kRed.lighter(120), kThin));
    p.setBrush(rg);
    p.drawEllipse(tp, tr, tr);
    p.setPen(pen(Qt::white, 3.5));
    p.drawLine(tp + QPointF(-5, 0), tp + QPointF(5, 0));
    p.drawLine(tp + QPointF(0, -5), tp + QPointF(0, 5));

    QRadialGradient bg(tn + QPointF(-3, -4), tr * 1.5);
    bg.setColorAt(0, QColor(0x4a, 0x4a, 0x4a));
    bg.setColorAt(1, QColor(0x0a, 0x0a, 0x0a));
    p.setPen(pen(kText, kThin));
    p.setBrush(bg);
    p.drawEllipse(tn, tr, tr);
    p.setPen(pen(kText, 3.5));
    p.drawLine(tn + QPointF(-5, 0), tn + QPointF(5, 0));

    // Power button (green).
    powerSymbol(p, QPointF(98, 85), 7, 3, kGreen);
    return img;
}

// One-key power-on boot line: a cable, a push-button housing with ⏻, a connector.
QImage drawBootLine()
{
    QImage img = canvas(128, 128);
    QPainter p(&img);
    prepare(p);

    const QPointF bc(72, 44); // button centre
    const qreal br = 30;

    // Cable: in from the top left, out of the button down to the connector.
    QPainterPath cable;
    cable.moveTo(-8, 102);
    cable.cubicTo(22, 100, 18, 44, bc.x() - br + 2, bc.y());
    QPainterPath down;
    down.moveTo(bc.x(), bc.y() + br - 2);
    down.lineTo(bc.x(), 90);
    p.setBrush(Qt::NoBrush);
    p.setPen(pen(kText, 11));
    p.drawPath(cable);
    p.drawPath(down);
    p.setPen(pen(QColor(0x3c, 0x40, 0x44), 4.5));
    p.drawPath(cable);
    p.drawPath(down);

    // Connector: strain relief, blue body, metal tip.
    p.setPen(pen(kText, kThin));
    p.setBrush(bodyBrush(QRectF(bc.x() - 8, 84, 16, 8)));
    p.drawRoundedRect(QRectF(bc.x() - 7, 84, 14, 8), 2, 2);
    const QRectF cb(bc.x() - 14, 91, 28, 20);
    p.setPen(pen(kText, kThin));
    p.setBrush(vgrad(cb, kAccentLight, kAccent));
    p.drawRoundedRect(cb, 5, 5);
    const QRectF tip(bc.x() - 9, 111, 18, 12);
    p.setBrush(metalBrush(tip));
    p.drawRoundedRect(tip, 2, 2);

    // Button housing.
    p.setPen(pen(kText, kOutline));
    QRadialGradient hg(bc + QPointF(-8, -10), br * 1.6);
    hg.setColorAt(0, kBodyTop.lighter(115));
    hg.setColorAt(1, kBodyBottom);
    p.setBrush(hg);
    p.drawEllipse(bc, br, br);
    // Inner button ring.
    p.setPen(pen(QColor(0, 255, 0, 70), 2));
    p.setBrush(QColor(0x1c, 0x1f, 0x22));
    p.drawEllipse(bc, br - 8, br - 8);
    powerSymbol(p, bc + QPointF(0, 1.5), 12, 6, kGreen);
    return img;
}

// Soldering iron station: a base with temperature display, an iron in a coil stand.
QImage drawSolderingStation()
{
    QImage img = canvas(128, 128);
    QPainter p(&img);
    prepare(p);

    // Pen geometry: tip at T, pointing down-left; x runs along the pen.
    const QPointF T(14, 64);
    const qreal ang = -35.0;
    QTransform t;
    t.translate(T.x(), T.y());
    t.rotate(ang);

    // Cable from the handle end to the back of the base (behind everything).
    {
        const QPointF end = t.map(QPointF(112, 0));
        QPainterPath cable;
        cable.moveTo(end);
        cable.cubicTo(end + QPointF(12, 6), QPointF(122, 58), QPointF(110, 82));
        p.setBrush(Qt::NoBrush);
        p.setPen(pen(kText, 7));
        p.drawPath(cable);
        p.setPen(pen(QColor(0x3c, 0x40, 0x44), 2.5));
        p.drawPath(cable);
    }

    // Stand post under the coil.
    const QPointF coilC = t.map(QPointF(30, 0));
    p.setPen(pen(kText, 9));
    p.drawLine(QPointF(coilC.x(), coilC.y() + 10), QPointF(coilC.x(), 84));
    p.setPen(pen(QColor(0x6a, 0x70, 0x76), 3.5));
    p.drawLine(QPointF(coilC.x(), coilC.y() + 10), QPointF(coilC.x(), 84));

    // Base.
    const QRectF b(6, 80, 116, 38);
    body(p, b, 10);
    const QRectF scr(15, 88, 58, 22);
    screen(p, scr, 4);
    fillPath(p,
             centredOn(textPath(QStringLiteral("350°"), dejavu(18, true, QFont::SemiCondensed)),
                       scr.center() + QPointF(0, 0.5)),
             kRed);
    // Knob on the base.
    const QPointF kc(98, 99);
    p.setPen(pen(kText, kThin));
    p.setBrush(QColor(0x1c, 0x1f, 0x22));
    p.drawEllipse(kc, 9, 9);
    p.setPen(pen(kCyan, 3));
    p.drawLine(kc, kc + QPointF(4.5, -4.5));

    // The iron.
    p.save();
    p.setTransform(t);
    // Heat glow at the tip.
    QRadialGradient glow(QPointF(1, 0), 11);
    glow.setColorAt(0, QColor(255, 90, 90, 220));
    glow.setColorAt(1, QColor(255, 90, 90, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(1, 0), 11, 11);
    // Tip.
    QPolygonF tipPoly;
    tipPoly << QPointF(0, -1.5) << QPointF(16, -4) << QPointF(16, 4) << QPointF(0, 1.5);
    p.setPen(pen(kText, 1.5));
    p.setBrush(QColor(0xa8, 0xae, 0xb4));
    p.drawPolygon(tipPoly);
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(QPointF(1.5, 0), 3, 3);
    // Sleeve.
    const QRectF sleeve(15, -5.5, 30, 11);
    p.setPen(pen(kText, 1.5));
    p.setBrush(metalBrush(sleeve));
    p.drawRoundedRect(sleeve, 2, 2);
    // Coil holder: a spring around the sleeve.
    {
        QPainterPath back, front;
        const qreal x0 = 18, x1 = 44, ry = 12.5;
        const int turns = 3;
        for (int i = 0; i <= turns * 40; ++i) {
            const qreal u = qreal(i) / (turns * 40);
            const qreal phi = u * turns * 2 * M_PI;
            const QPointF pt(x0 + (x1 - x0) * u + 3.0 * qSin(phi), ry * qCos(phi));
            const bool isFront = qSin(phi) < 0; // towards the viewer
            QPainterPath &pp = isFront ? front : back;
            if (pp.elementCount() == 0 ||
                (i > 0 && ((qSin((u - 1.0 / (turns * 40)) * turns * 2 * M_PI) < 0) != isFront)))
                pp.moveTo(pt);
            else
                pp.lineTo(pt);
        }
        p.setBrush(Qt::NoBrush);
        p.setPen(pen(QColor(0x80, 0x86, 0x8c), 3.5));
        p.drawPath(back);
        p.restore();
        p.save();
        p.setTransform(t);
        p.setPen(pen(kText, 3.5));
        p.drawPath(front);
    }
    // Grip (accent blue) with grooves.
    const QRectF grip(46, -10, 42, 20);
    p.setPen(pen(kText, kThin));
    p.setBrush(vgrad(grip, kAccentLight, kAccent));
    p.drawRoundedRect(grip, 8, 8);
    p.setPen(pen(QColor(0x04, 0x4f, 0x75), 2.2));
    for (qreal x : {57.0, 65.0, 73.0})
        p.drawLine(QPointF(x, -5.5), QPointF(x, 5.5));
    // Rear handle and strain relief.
    const QRectF rear(87, -7, 20, 14);
    p.setPen(pen(kText, kThin));
    p.setBrush(vgrad(rear, kBodyTop.lighter(130), kBodyBottom));
    p.drawRoundedRect(rear, 4, 4);
    p.restore();
    return img;
}

// "Other": a waveform on a grid with a small gear.
QImage drawOther()
{
    QImage img = canvas(128, 128);
    QPainter p(&img);
    prepare(p);

    const QRectF scr(8, 14, 104, 82);
    p.setPen(pen(kText, kOutline));
    p.setBrush(kScreen);
    p.drawRoundedRect(scr, 11, 11);

    // Grid.
    p.save();
    p.setClipRect(scr.adjusted(4, 4, -4, -4));
    p.setPen(QPen(QColor(119, 228, 255, 55), 1.5));
    for (qreal x = scr.left() + 18; x < scr.right() - 4; x += 17)
        p.drawLine(QPointF(x, scr.top() + 4), QPointF(x, scr.bottom() - 4));
    for (qreal y = scr.top() + 13.5; y < scr.bottom() - 4; y += 18)
        p.drawLine(QPointF(scr.left() + 4, y), QPointF(scr.right() - 4, y));
    p.restore();

    // Waveform.
    QPainterPath wave;
    const qreal x0 = scr.left() + 9, x1 = scr.right() - 9, cy = scr.center().y(), amp = 23;
    for (int i = 0; i <= 200; ++i) {
        const qreal x = x0 + (x1 - x0) * i / 200.0;
        const qreal y = cy - amp * qSin(2 * M_PI * 1.5 * (x - x0) / (x1 - x0));
        if (i == 0)
            wave.moveTo(x, y);
        else
            wave.lineTo(x, y);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(pen(QColor(119, 228, 255, 70), 11));
    p.drawPath(wave);
    p.setPen(pen(kCyan, 5.5));
    p.drawPath(wave);

    // Gear, with a transparent gap around it so it separates from the screen.
    const QPointF gc(98, 96);
    const QPainterPath gear = gearPath(gc, 26, 19.5, 8, 0);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(pen(Qt::black, 9));
    p.setBrush(Qt::black);
    p.drawPath(gear);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    QPainterPath gearHoled = gearPath(gc, 26, 19.5, 8, 8);
    p.setPen(pen(kText, kThin));
    p.setBrush(vgrad(QRectF(gc.x() - 26, gc.y() - 26, 52, 52), kAccentLight, kAccent));
    p.drawPath(gearHoled);
    return img;
}

// ---- wordmark and banner -------------------------------------------------------

QPainterPath wordmarkPath(qreal capHeight)
{
    // Measure once at 100 px and scale to the wanted cap height.
    const QFont f = dejavu(100, true);
    QPainterPath path = textPath(QStringLiteral("QUORVALINE"), f, 9);
    const QRectF capBox = textPath(QStringLiteral("E"), f).boundingRect();
    const qreal k = capHeight / capBox.height();
    QTransform t;
    t.scale(k, k);
    path = t.map(path);
    const QRectF bb = path.boundingRect();
    // Origin: left edge of the first glyph, baseline at y=0.
    return path.translated(-bb.left(), 0);
}

QImage drawTitleLogo()
{
    QImage img = canvas(300, 64);
    QPainter p(&img);
    prepare(p);
    drawMark(p, QRectF(2, 2, 60, 60));
    QPainterPath word = wordmarkPath(30);
    const qreal maxW = 300 - 74 - 2;
    if (word.boundingRect().width() > maxW) {
        const qreal k = maxW / word.boundingRect().width();
        QTransform t;
        t.scale(k, k);
        word = t.map(word);
    }
    const QRectF bb = word.boundingRect();
    word.translate(74, 32 + bb.height() / 2.0 - bb.bottom() + 0.0);
    // Keep the cap line/base line vertically centred.
    fillPath(p, word, kBright);
    return img;
}

QImage drawBanner()
{
    const int W = 800, H = 90;
    QImage img = canvas(W, H);
    QPainter p(&img);
    prepare(p);

    // Background: dark vertical gradient around the window colour.
    QLinearGradient bg(0, 0, 0, H);
    bg.setColorAt(0, QColor(0x35, 0x37, 0x39));
    bg.setColorAt(1, QColor(0x1c, 0x1d, 0x1e));
    p.fillRect(QRect(0, 0, W, H), bg);
    // Soft blue glow behind the mark.
    QRadialGradient glow(QPointF(50, 45), 160);
    glow.setColorAt(0, QColor(6, 125, 184, 70));
    glow.setColorAt(1, QColor(6, 125, 184, 0));
    p.fillRect(QRect(0, 0, W, H), glow);

    // Decoration on the right: faint grid and waveform.
    p.save();
    QLinearGradient fade(540, 0, W, 0);
    fade.setColorAt(0, QColor(119, 228, 255, 0));
    fade.setColorAt(1, QColor(119, 228, 255, 45));
    p.setPen(QPen(QBrush(fade), 1));
    for (int x = 560; x < W; x += 20)
        p.drawLine(QPointF(x + 0.5, 0), QPointF(x + 0.5, H));
    for (int y = 5; y < H; y += 20)
        p.drawLine(QPointF(540, y + 0.5), QPointF(W, y + 0.5));
    QLinearGradient fade2(520, 0, W, 0);
    fade2.setColorAt(0, QColor(119, 228, 255, 0));
    fade2.setColorAt(1, QColor(119, 228, 255, 150));
    QPainterPath wave;
    for (int i = 0; i <= 280; ++i) {
        const qreal x = 520 + i;
        const qreal y =
            45 - 20 * qSin((x - 520) / 280.0 * 2 * M_PI * 2.0) * (0.4 + 0.6 * i / 280.0);
        if (i == 0)
            wave.moveTo(x, y);
        else
            wave.lineTo(x, y);
    }
    p.setPen(QPen(QBrush(fade2), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(wave);
    p.restore();

    // Mark.
    drawMark(p, QRectF(14, 9, 72, 72));

    // Wordmark and tagline.
    QPainterPath word = wordmarkPath(34);
    word.translate(102, 50);
    fillPath(p, word, kBright);
    QPainterPath tag = textPath(
        QStringLiteral("USB bench instruments  \u00b7  meter  \u00b7  power  \u00b7  boot line"),
        dejavu(16, false), 0.6);
    tag.translate(103 - tag.boundingRect().left(), 75);
    fillPath(p, tag, kText);

    // Accent line along the bottom.
    QLinearGradient line(0, 0, W, 0);
    line.setColorAt(0, kAccent);
    line.setColorAt(0.5, kCyan);
    line.setColorAt(1, QColor(119, 228, 255, 0));
    p.fillRect(QRectF(0, H - 2, W, 2), line);
    return img;
}

// ---- window icon (artwork::appIcon) -------------------------------------------

// Qt's ico plugin writes one image per file; to get several sizes in one
// logo.ico, each size is encoded by the plugin and the directory entries are
// merged into a single ICONDIR.
bool writeIco(const QString &path, const QVector<QImage> &images, QString *how)
{
    if (!QImageWriter::supportedImageFormats().contains("ico")) {
        *how = QStringLiteral("no ico plugin");
        return false;
    }
    struct Entry {
        QByteArray dir;
        QByteArray data;
    };
    QVector<Entry> entries;
    for (const QImage &im : images) {
        QByteArray single;
        QBuffer buf(&single);
        buf.open(QIODevice::WriteOnly);
        QImageWriter w(&buf, "ico");
        if (!w.write(im.convertToFormat(QImage::Format_ARGB32))) {
            *how = QStringLiteral("plugin write failed: ") + w.errorString();
            return false;
        }
        buf.close();
        // ICONDIR (6) + ICONDIRENTRY (16) + data.
        if (single.size() < 22)
            return false;
        QDataStream ds(single);
        ds.setByteOrder(QDataStream::LittleEndian);
        quint16 reserved, type, count;
        ds >> reserved >> type >> count;
        if (type != 1 || count != 1)
            return false;
        const QByteArray dir = single.mid(6, 16);
        QDataStream de(dir);
        de.setByteOrder(QDataStream::LittleEndian);
        quint8 bw, bh, colors, res;
        quint16 planes, bpp;
        quint32 bytes, offset;
        de >> bw >> bh >> colors >> res >> planes >> bpp >> bytes >> offset;
        QByteArray data = single.mid(int(offset), int(bytes));
        // The plugin leaves the row padding of the 1-bit AND mask uninitialised;
        // zero it so that the file is the same on every run.
        const int iw = im.width(), ih = im.height();
        const int maskStart = 40 + iw * ih * 4;
        const int stride = ((iw + 31) / 32) * 4, used = (iw + 7) / 8;
        if (bpp == 32 && data.size() >= maskStart + stride * ih) {
            for (int y = 0; y < ih; ++y)
                for (int x = used; x < stride; ++x)
                    data[maskStart + y * stride + x] = 0;
        }
        entries.push_back({dir, data});
    }
    QByteArray out;
    QDataStream os(&out, QIODevice::WriteOnly);
    os.setByteOrder(QDataStream::LittleEndian);
    os << quint16(0) << quint16(1) << quint16(entries.size());
    quint32 offset = 6 + 16 * quint32(entries.size());
    for (const Entry &e : entries) {
        os.writeRawData(e.dir.constData(), 12); // all but the offset
        os << offset;
        offset += quint32(e.data.size());
    }
    for (const Entry &e : entries)
        os.writeRawData(e.data.constData(), e.data.size());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size())
        return false;
    f.close();

    // Read it back.
    QImageReader r(path, "ico");
    const int n = r.imageCount();
    QStringList sizes;
    for (int i = 0; i < n; ++i) {
        r.jumpToImage(i);
        const QImage im = r.read();
        sizes << QString::number(im.width()) + "x" + QString::number(im.height());
    }
    *how = QStringLiteral("%1 images: %2").arg(n).arg(sizes.join(", "));
    return n == images.size();
}

bool save(const QImage &img, const QString &path)
{
    QImage out = img.convertToFormat(QImage::Format_ARGB32);
    QImageWriter w(path, "png");
    w.setQuality(0); // png: 0 = smallest file (strongest zlib level)
    if (!w.write(out)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path),
                     qPrintable(w.errorString()));
        return false;
    }
    std::printf("wrote %s (%dx%d)\n", qPrintable(path), img.width(), img.height());
    return true;
}

// Preview sheet: icons at 50x50 and 128 on the window colour and on black,
// title logo at 150x32, banner at full size, ico sizes.
QImage previewSheet(const QVector<QImage> &icons, const QImage &title, const QImage &banner,
                    const QVector<QImage> &ico)
{
    const int W = 860, H = 960;
    QImage sheet(W, H, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(0x50, 0x50, 0x50));
    QPainter p(&sheet);
    prepare(p);
    auto scaled = [](const QImage &im, int w, int h) {
        return im.scaled(w, h, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    };
    const QColor bgs[2] = {kWindow, Qt::black};
    for (int row = 0; row < 2; ++row) {
        const int y0 = 10 + row * 250;
        p.fillRect(QRect(10, y0, W - 20, 240), bgs[row]);
        for (int i = 0; i < icons.size(); ++i) {
            p.drawImage(QPoint(30 + i * 80, y0 + 20), scaled(icons[i], 50, 50));
            p.drawImage(QPoint(30 + i * 160, y0 + 90), icons[i]);
        }
        p.drawImage(QPoint(450, y0 + 20), scaled(title, 150, 32));
        p.drawImage(QPoint(620, y0 + 16), title);
        int x = 450;
        for (const QImage &im : ico) {
            if (im.width() > 48)
                continue;
            p.drawImage(QPoint(x, y0 + 60), im);
            x += im.width() + 12;
        }
    }
    p.drawImage(QPoint(30, 520), banner);
    p.drawImage(QPoint(30, 620), scaled(banner, 400, 45));
    p.drawImage(QPoint(450, 600), scaled(ico.last(), 64, 64));
    p.fillRect(QRect(10, 680, W - 20, H - 690), kWindow);
    p.drawImage(QPoint(560, 690), ico.last());
    p.drawImage(QPoint(430, 825), ico[2].scaled(128, 128));
    p.drawImage(QPoint(300, 690), ico[0].scaled(128, 128));
    p.drawImage(QPoint(300, 825), ico[1].scaled(128, 128));
    for (int i = 0; i < icons.size(); ++i)
        p.drawImage(QPoint(30 + (i % 2) * 130, 690 + (i / 2) * 90), scaled(icons[i], 80, 80));
    return sheet;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList args = app.arguments();
    if (args.size() < 2 || args.at(1).startsWith('-')) {
        std::fprintf(stderr, "usage: quorvaline-drawicons OUTDIR [--preview SHEET.png]\n");
        return 2;
    }
    const QString outDir = args.at(1);
    QString preview;
    const int pi = args.indexOf(QStringLiteral("--preview"));
    if (pi > 0 && pi + 1 < args.size())
        preview = args.at(pi + 1);

    const QFontInfo fi(dejavu(20, true));
    std::printf("font: %s\n", qPrintable(fi.family()));
    if (!fi.family().startsWith(QLatin1String("DejaVu Sans")))
        std::fprintf(stderr, "warning: DejaVu Sans not found, got %s\n", qPrintable(fi.family()));

    QDir().mkpath(outDir + QStringLiteral("/image"));
    bool ok = true;
    const QVector<QImage> icons = {drawUsbMeter(), drawPowerSupply(), drawBootLine(),
                                   drawSolderingStation(), drawOther()};
    const char *names[] = {"usb", "subway", "hammer_and_wrench", "house", "arrow_wave"};
    for (int i = 0; i < icons.size(); ++i)
        ok &= save(icons[i], outDir + QStringLiteral("/image/%1.png").arg(QLatin1String(names[i])));
    const QImage title = drawTitleLogo();
    const QImage banner = drawBanner();
    ok &= save(title, outDir + QStringLiteral("/image/ZEL_logo.png"));
    ok &= save(banner, outDir + QStringLiteral("/image/logo_union_zel.png"));

    const QVector<QImage> ico = {artwork::appIcon(16), artwork::appIcon(32), artwork::appIcon(48),
                                 artwork::appIcon(256)};
    QString how;
    const QString icoPath = outDir + QStringLiteral("/logo.ico");
    if (writeIco(icoPath, ico, &how)) {
        std::printf("wrote %s (%s)\n", qPrintable(icoPath), qPrintable(how));
    } else {
        // Fall back to the largest single image the plugin writes.
        std::fprintf(stderr, "multi-size ico failed (%s); writing 256 px only\n", qPrintable(how));
        QImageWriter w(icoPath, "ico");
        if (!w.write(ico.last().convertToFormat(QImage::Format_ARGB32))) {
            std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(icoPath),
                         qPrintable(w.errorString()));
            ok = false;
        }
    }

    if (!preview.isEmpty())
        ok &= save(previewSheet(icons, title, banner, ico), preview);
    return ok ? 0 : 1;
}
