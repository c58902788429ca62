// A chart as an image file that stands on its own: PNG or PDF, at the
// chart's size on screen or at a print size (an A4 page in landscape; a PNG
// of it at 300 dots per inch), in the screen's dark theme or in a light print
// theme. The picture is built on a separate QCustomPlot that is never shown:
// the chart's axes and ranges, its graphs (sharing their data, nothing is
// copied), its value tags, a title line with notes under it, axis titles with
// units and a legend. The chart on screen is only read, so a live chart goes
// on polling and redrawing as before. QCustomPlot's own export writes the
// file.
//
// What else is on a chart (measurement cursors, a reference band) goes into
// its pictures when it is marked with showInPictures(); text that belongs to
// it (a cursor readout, a verdict) comes as note lines under the title.
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>

class QCPLayerable;
class QCustomPlot;
struct ChartProfile;
struct LiveChartState;

namespace chartexport {

enum class Format { Png, Pdf };
enum class Size { OnScreen, Print };
// Dark: the screen's look, black background, grey grid and axes. Light: for
// printing, white background, dark grid and text, the traces in the
// profile's print colours.
enum class Theme { Dark, Light };

struct Options {
    Format format = Format::Png;
    Size size = Size::OnScreen;
    Theme theme = Theme::Dark;
};

// The print size: an A4 page in landscape, in points (1/72 inch).
constexpr int kPrintWidthPt = 842;
constexpr int kPrintHeightPt = 595;
// Dots per inch of a PNG at the print size.
constexpr int kPrintDpi = 300;

// What a picture says besides the chart's own axes and graphs. Graph k of
// the tool is named in the legend by valueAxes[k], the title of its value
// axis, in its colour.
struct Captions {
    QString title;                    // the title line
    QStringList notes;                // lines under the title (cursor readouts, verdicts)
    QString bottomAxis;               // the bottom axis's title, with its unit
    std::array<QString, 3> valueAxes; // graph k's value axis title, with its unit
};

// Marks a graph or an item of a chart for its pictures (the tool's own graphs
// and value tags always are). Graphs (QCPGraph) are copied sharing their data,
// with their filling towards another marked graph; one given a legend name is
// listed in the legend under it, in its colour. Of the items, lines, straight
// lines, texts, rectangles and tracers are copied, anchored as on the chart
// where their anchor is copied too (an item hanging on one that is not is
// left out). In the light theme, pens and texts too light to read on white
// are darkened, and a dark box behind a text becomes white.
void showInPictures(QCPLayerable *layerable, const QString &legendName = QString());
bool shownInPictures(const QCPLayerable *layerable);

// The picture of the chart, laid out at `layoutSize` (for the print size the
// page in points), never shown.
std::unique_ptr<QCustomPlot> buildPicture(const QCustomPlot &chart, const LiveChartState &state,
                                          const ChartProfile &profile, const Captions &captions,
                                          Theme theme, const QSize &layoutSize);

// The size a picture is laid out at: the chart's own, or the A4 page.
QSize layoutSize(const QCustomPlot &chart, Size size);

// Writes the chart's picture to `fileName`; false when the file cannot be
// written. The chart is not changed.
bool exportChart(const QCustomPlot &chart, const LiveChartState &state, const ChartProfile &profile,
                 const Captions &captions, const QString &fileName, const Options &options);

} // namespace chartexport
