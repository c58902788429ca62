#pragma once

#include <QColor>
#include <QIcon>

// The glyphs of the title bar's minimise, maximise, restore and close buttons,
// drawn at run time at scales 1 and 2 so that their one-pixel lines stay sharp: light grey on the
// dark title strip, white while the pointer is on the button (the icon's Active mode, which
// auto-raised tool buttons use on hover).
namespace titlebaricons {

enum class Glyph { Minimize, Maximize, Restore, Close };

// Logical size of the icons; the glyph takes the middle 10 x 10 pixels.
constexpr int kIconSize = 16;
const QColor kResting(224, 224, 224);
const QColor kHovered(255, 255, 255);

QIcon icon(Glyph glyph);

} // namespace titlebaricons
