// A chart as an image file, through QCustomPlot's own export: PNG or PDF,
// either at the chart's size on screen or at a print size (an A4 page in
// landscape; a PNG of it at 300 dots per inch). The image shows what the
// chart shows, axes, graphs and value tags, on the black the page puts
// behind the chart (the chart's own background is transparent).
#ifndef QUORVALINE_CHARTS_CHARTEXPORT_H
#define QUORVALINE_CHARTS_CHARTEXPORT_H

#include <QSize>
#include <QString>

class QCustomPlot;

namespace chartexport {

enum class Format { Png, Pdf };
enum class Size { OnScreen, Print };

// The print size: an A4 page in landscape, in points (1/72 inch).
constexpr int kPrintWidthPt = 842;
constexpr int kPrintHeightPt = 595;
// Dots per inch of a PNG at the print size.
constexpr int kPrintDpi = 300;

// Writes the chart to `fileName`; false when the file cannot be written.
bool exportChart(QCustomPlot *plot, const QString &fileName, Format format, Size size);

} // namespace chartexport

#endif // QUORVALINE_CHARTS_CHARTEXPORT_H
