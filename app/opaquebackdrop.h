// Widgets whose style sheet paints their whole area in an opaque colour: the
// reading labels and the black backdrops behind the charts.
#pragma once

#include <initializer_list>

class QWidget;

namespace opaquebackdrop {

// Lets Qt know that each of these widgets covers its area: it fills the area
// with its palette's background (the style sheet's colour, so the picture
// stays the same), and Qt then no longer paints the widgets behind it
// whenever it repaints. A new reading repaints its label alone, a chart
// redraw its chart and backdrop alone, not the group boxes and pages behind
// them. Only for widgets whose style sheet background is opaque and covers
// the whole widget.
void mark(std::initializer_list<QWidget *> widgets);

// The same for a backdrop whose style sheet gives it a background colour and
// nothing else (the black areas behind the charts): the palette's fill, in
// that colour, is all it needs, so the style's second fill of the same area
// at every chart redraw is left out.
void markPlain(QWidget *backdrop);

} // namespace opaquebackdrop
