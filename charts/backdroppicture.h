// A chart drawn onto the opaque colour behind it, rather than onto
// transparency.
#pragma once

class QColor;
class QCustomPlot;

// QCustomPlot draws its layers into a picture cleared to transparency and
// paints that picture over whatever lies behind the chart, so each redraw
// also repaints the backdrop under the chart and blends the whole picture onto
// it. For a chart on a backdrop of one opaque colour (the tool charts sit on
// black) and with no background of its own, this clears the chart's bottom
// picture to that colour instead and lets the chart cover its area itself:
// the picture is copied onto the screen, not blended, and the backdrop under
// the chart is no longer painted. On black what is drawn is the same to the
// pixel; on another colour antialiased edges may round one level apart.
//
// The plot keeps its bottom picture for the whole of its life (QCustomPlot
// only resizes it); every layer up to the first one with a picture of its own
// is drawn into it. A colour that is not opaque (or an invalid one) gives the
// chart QCustomPlot's own transparent picture back. Takes effect at the next
// redraw.
void drawOnBackdrop(QCustomPlot *plot, const QColor &backdrop);
