#pragma once

// The program's mark and icon, drawn with QPainter: the pictures compiled into
// the program (drawicons.cpp) and the icons installed for the desktop
// (desktopicons.cpp) are made by this one piece of code.

#include <QColor>
#include <QImage>
#include <QString>

class QPainter;
class QRectF;

namespace artwork {

// The colours the mark shares with the other pictures.
inline const QColor kAccent(0x06, 0x7D, 0xB8); // accent blue
inline const QColor kAccentLight(0x3a, 0xa8, 0xe0);
inline const QColor kCyan(119, 228, 255);

// The mark, a stylised Q (a ring with a tail) around a lightning bolt, in the
// square centred in box. small: bolder strokes for pictures of 32 px or less.
void drawMark(QPainter &p, const QRectF &box, bool small = false);

// The program's icon at size × size pixels: the mark on a dark rounded tile.
// Drawn for that size: up to 16 px the tile fills the square, up to 32 px
// the mark is bolder.
void paintAppIcon(QPainter &p, int size);
QImage appIcon(int size);

// The pixel sizes of the icons installed for the desktop's icon theme.
inline constexpr int kDesktopIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// The icon as a scalable SVG file (the 256 px drawing, whose size it
// declares), and as a PNG of the given size. False when the file cannot be
// written.
bool writeAppIconSvg(const QString &path);
bool writeAppIconPng(const QString &path, int size);

} // namespace artwork
