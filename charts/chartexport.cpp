#include "chartexport.h"

#include <qcustomplot.h>

namespace chartexport {

bool exportChart(QCustomPlot *plot, const QString &fileName, Format format, Size size)
{
    // Grey on transparent reads only on the page's black: paint that behind
    // the export, and give the chart its own background back afterwards.
    const QBrush background = plot->background();
    plot->setBackground(QBrush(Qt::black));

    bool written = false;
    if (format == Format::Pdf) {
        // The page is as large as the layout, in points; 0 x 0 takes the
        // chart's size on screen.
        if (size == Size::Print)
            written = plot->savePdf(fileName, kPrintWidthPt, kPrintHeightPt);
        else
            written = plot->savePdf(fileName, 0, 0);
    } else if (size == Size::Print) {
        // Laid out on the A4 page and drawn at 300 dpi, so text and lines
        // keep their size on paper.
        written = plot->savePng(fileName, kPrintWidthPt, kPrintHeightPt, kPrintDpi / 72.0, -1,
                                kPrintDpi, QCP::ruDotsPerInch);
    } else {
        written = plot->savePng(fileName, 0, 0, 1.0);
    }

    plot->setBackground(background);
    // The export laid the chart out at its own size; lay it out for the
    // screen again.
    plot->replot(QCustomPlot::rpQueuedReplot);
    return written;
}

} // namespace chartexport
