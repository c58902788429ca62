// A chart as an image file that stands on its own: PNG or PDF, at the
// chart's size on screen or at a print size (an A4 page in landscape; a PNG
// of it at 300 dots per inch), in the screen's dark theme or in a light print
// theme. The picture is built on a separate QCustomPlot that is never shown:
// the chart's axes and ranges, its graphs (sharing their data, nothing is
// copied), its value tags, a title line with notes under it, axis titles with
// units and a legend. The chart on screen is only read, so a live chart goes
// on polling and redrawing as before.
//
// Exporting takes two steps. On the GUI thread the picture is recorded as
// paint commands (QCustomPlot's toPainter on a QPicture; cheap, nothing is
// drawn yet). Anywhere else the recording is drawn (onto an image at the
// print scale, or onto a PDF page) and written through a QSaveFile: the
// drawing and the PNG compression of a print-size page, about a second, no
// longer hold up the polls and redraws, and a failed write leaves the
// previous file as it was. PictureWriter does the second step on a thread of
// its own.
//
// What else is on a chart (measurement cursors, a reference band) goes into
// its pictures when it is marked with showInPictures(); text that belongs to
// it (a cursor readout, a verdict) comes as note lines under the title.
#pragma once

#include <QColor>
#include <QObject>
#include <QPicture>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QThreadPool>

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

// A chart's picture recorded as paint commands, with what its file needs.
// It refers to nothing of the chart (no graph, no data, no QCustomPlot), so
// it may be drawn and written on any thread while the chart goes on.
struct RecordedPicture {
    Format format = Format::Png;
    QSize layoutSize;    // what the picture is laid out at (for a PDF, the page in points)
    double scale = 1.0;  // PNG: pixels per unit of the layout
    int dotsPerInch = 0; // PNG: the resolution the file states; 0 for the default
    QColor background;   // PNG: what the image is cleared to before the drawing
    QString title;       // PDF: the document's title
    QPicture drawing;    // at the PNG's pixels, or the page's points
};

// Records the chart's picture as the options ask; on the GUI thread, with
// the chart. The chart is not changed.
RecordedPicture recordPicture(const QCustomPlot &chart, const LiveChartState &state,
                              const ChartProfile &profile, const Captions &captions,
                              const Options &options);

// Draws a recorded picture and writes it to `fileName` through a QSaveFile,
// on the calling thread, which may be any: false when the file cannot be
// written or the recording holds nothing, and then an earlier file of that
// name is left as it was. The
// picture must not be drawn by another thread meanwhile (QPicture's playback
// is not reentrant on one shared picture).
bool writePicture(const RecordedPicture &picture, const QString &fileName);

// Both steps at once on the calling thread: writes the chart's picture to
// `fileName`; false when the file cannot be written. The chart is not
// changed.
bool exportChart(const QCustomPlot &chart, const LiveChartState &state, const ChartProfile &profile,
                 const Captions &captions, const QString &fileName, const Options &options);

// Writes recorded pictures on a thread of its own, one after the other in
// the order they were given, and says on its own thread (the GUI thread)
// when each is done. Its destructor waits for the pictures still to be
// written, so that the program never quits from under a half-written file.
class PictureWriter : public QObject {
    Q_OBJECT
public:
    explicit PictureWriter(QObject *parent = nullptr);
    ~PictureWriter() override;

    // Queues the picture for writing to `fileName` and returns at once.
    void write(RecordedPicture picture, const QString &fileName);
    // Pictures given and not yet reported by finished().
    int pending() const { return mPending; }
    // Waits until every picture given is written (without reporting them).
    void waitForDone();

signals:
    // A picture is written (`written`), or its file could not be.
    void finished(const QString &fileName, bool written);

private:
    QThreadPool mPool; // one thread: one picture at a time
    int mPending = 0;
};

} // namespace chartexport
