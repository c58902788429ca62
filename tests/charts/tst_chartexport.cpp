// Chart pictures on a bare meter chart: the background, title region and
// traces of the PNG in both themes and sizes, the text of the PDF (title,
// units, legend, notes), the items and graphs marked for the pictures, the
// value tags, a chart that stays as it is while its picture is made, the
// recorded picture drawn to the pixel as QCustomPlot's own export draws it,
// pictures written on the writer's thread, and a failed write that leaves
// the previous file as it was.
#include "charttesthelpers.h"

#include "charts/chartexport.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/pictures.h"
#include "tests/support/readonlyfolder.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using chartexport::Captions;
using chartexport::Format;
using chartexport::Options;
using chartexport::Size;
using chartexport::Theme;

Q_DECLARE_METATYPE(Format)
Q_DECLARE_METATYPE(Size)
Q_DECLARE_METATYPE(Theme)
Q_DECLARE_METATYPE(Captions)

// How a write fails: the folder is not there (removed after the dialog), the
// disk fills up part way, the folder is read-only.
enum class WriteFailure { FolderGone, DiskFull, ReadOnlyFolder };
Q_DECLARE_METATYPE(WriteFailure)

namespace {

const QColor kScreenVoltage(119, 228, 255);
const QColor kPrintVoltage(0, 40, 150);
const QColor kPrintCurrent(0, 160, 60);
const QColor kPrintPower(240, 120, 0);

Captions meterCaptions()
{
    Captions captions;
    captions.title = QStringLiteral("电压电流表 M52 · 导出于 2026-12-11 14:03:22");
    captions.bottomAxis = QStringLiteral("样本序号");
    captions.valueAxes = {QStringLiteral("电压 (V)"), QStringLiteral("电流 (A)"),
                          QStringLiteral("功率 (W)")};
    return captions;
}

// A meter chart of 301 samples, flat at 5 V, 1 A and 5 W, on value axes of
// 0-6 V, 0-2 A and 0-8 W: the voltage 1/6 below the top of the axis rect,
// the current halfway, the power 3/8 below the top. The tags show the
// values.
struct MeterChart : TestChart {
    MeterChart() : TestChart(meterChartProfile())
    {
        append(301, [](int k, int) { return k == 0 ? 5.0 : k == 1 ? 1.0 : 5.0; });
        plot.xAxis->setRange(0, 300);
        plot.xAxis2->setRange(0, 300);
        settleScans();
        const double upper[3] = {6, 2, 8};
        const char *texts[3] = {"5.0000V", "1.0000A", "5.0000W"};
        for (int k = 0; k < 3; ++k) {
            rightAxis(k)->setRange(0, upper[k]);
            tool.tags[k]->setText(QLatin1String(texts[k]));
            tool.tags[k]->moveToValue(k == 1 ? 1.0 : 5.0);
        }
        plot.replot();
    }
};

bool sameHue(QRgb pixel, const QColor &colour)
{
    const QColor c = QColor(pixel).toHsv();
    if (c.hsvSaturation() < 90 || c.value() < 60)
        return false;
    const int diff = std::abs(c.hsvHue() - colour.hsvHue());
    return std::min(diff, 360 - diff) <= 15;
}

// Rows of `column` from `top` to `bottom` whose pixel has the colour's hue.
int rowsOfHue(const QImage &image, int column, int top, int bottom, const QColor &colour)
{
    int rows = 0;
    for (int y = top; y < bottom; ++y)
        rows += sameHue(image.pixel(column, y), colour);
    return rows;
}

int pixelsOfHue(const QImage &image, const QColor &colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += sameHue(image.pixel(x, y), colour);
    }
    return count;
}

int inkInRow(const QImage &image, int y, QRgb background)
{
    int ink = 0;
    for (int x = 0; x < image.width(); ++x)
        ink += image.pixel(x, y) != background;
    return ink;
}

// The first row from the top in which more than 40 % of the pixels are drawn:
// the top axis, the upper edge of the axis rect.
int axisTopRow(const QImage &image, QRgb background)
{
    for (int y = 0; y < image.height(); ++y) {
        if (inkInRow(image, y, background) * 10 > image.width() * 4)
            return y;
    }
    return -1;
}

QImage exportedPng(const MeterChart &chart, const QString &file, Size size, Theme theme,
                   const Captions &captions = meterCaptions())
{
    if (!chartexport::exportChart(chart.plot, chart.tool, chart.profile, captions, file,
                                  Options{Format::Png, size, theme}))
        return QImage();
    return QImage(file, "PNG").convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TstChartExport : public QObject {
    Q_OBJECT

private slots:
    void pngShowsBackgroundTitleAndTraces_data();
    void pngShowsBackgroundTitleAndTraces();
    void pdfHoldsTitleUnitsAndLegend_data();
    void pdfHoldsTitleUnitsAndLegend();
    void markedExtrasAndNotesAreInThePicture();
    void pictureSharesTheDataAndLeavesTheChartAlone();
    void tagsShowTheChartsValues();
    void printColoursStayApartInGreyscale();
    void sameImageAsQCustomPlotsOwnExport_data();
    void sameImageAsQCustomPlotsOwnExport();
    void unwritableFileFails_data();
    void unwritableFileFails();
    void writerWritesInTurnOnItsOwnThread();
    void emptyRecordingIsNotWritten_data();
    void emptyRecordingIsNotWritten();

private:
    QTemporaryDir mDir;
};

void TstChartExport::pngShowsBackgroundTitleAndTraces_data()
{
    QTest::addColumn<Size>("size");
    QTest::addColumn<Theme>("theme");
    QTest::addColumn<QSize>("pixels");
    // The chart is 900 x 400; an A4 page in landscape is 842 x 595 points,
    // at 300 dpi 842 x 300 / 72 = 3508.3 and 595 x 300 / 72 = 2479.2 pixels.
    QTest::newRow("print size, light") << Size::Print << Theme::Light << QSize(3508, 2479);
    QTest::newRow("print size, dark") << Size::Print << Theme::Dark << QSize(3508, 2479);
    QTest::newRow("chart size, light") << Size::OnScreen << Theme::Light << QSize(900, 400);
    QTest::newRow("chart size, dark") << Size::OnScreen << Theme::Dark << QSize(900, 400);
}

void TstChartExport::pngShowsBackgroundTitleAndTraces()
{
    QFETCH(Size, size);
    QFETCH(Theme, theme);
    QFETCH(QSize, pixels);
    MeterChart chart;
    const QImage image = exportedPng(chart, mDir.filePath(QStringLiteral("a.png")), size, theme);
    QCOMPARE(image.size(), pixels);
    const bool light = theme == Theme::Light;
    const QRgb background = light ? qRgb(255, 255, 255) : qRgb(0, 0, 0);

    // Mostly background, from the corners on.
    QCOMPARE(image.pixel(0, 0), background);
    QCOMPARE(image.pixel(image.width() - 1, 0), background);
    QVERIFY(testbench::pixelsNear(image, QColor(background)) * 2 > image.width() * image.height());

    // The title region: blank rows at the very top, then the title's text,
    // then blank rows again above the axis rect.
    const int axisTop = axisTopRow(image, background);
    QVERIFY2(axisTop > image.height() / 20 && axisTop < image.height() / 4,
             qPrintable(QString::number(axisTop)));
    QCOMPARE(inkInRow(image, 0, background), 0);
    int titleTop = -1;
    int titleBottom = -1;
    for (int y = 0; y < axisTop; ++y) {
        if (inkInRow(image, y, background) > 0) {
            if (titleTop < 0)
                titleTop = y;
            titleBottom = y;
        } else if (titleTop >= 0 && y > titleBottom + 2) {
            break; // the gap under the title
        }
    }
    QVERIFY(titleTop > 0);
    QVERIFY(titleBottom - titleTop >= image.height() / 100); // text, not a stray line
    QVERIFY(titleBottom < axisTop - 3);
    // Centred text in the theme's title colour: black on white, near white on
    // black.
    qint64 sumX = 0;
    int ink = 0;
    int extreme = light ? 255 : 0;
    for (int y = titleTop; y <= titleBottom; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (pixel == background)
                continue;
            sumX += x;
            ++ink;
            extreme = light ? std::min(extreme, qGray(pixel)) : std::max(extreme, qGray(pixel));
        }
    }
    const double centre = double(sumX) / ink / image.width();
    QVERIFY2(centre > 0.4 && centre < 0.6, qPrintable(QString::number(centre)));
    QVERIFY2(light ? extreme < 40 : extreme > 215, qPrintable(QString::number(extreme)));

    // The traces cross a column a quarter of the way in, inside the axis
    // rect and clear of the tags, axes and legend: in the print colours on
    // white, in the screen's on black.
    const int column = image.width() / 4;
    const int bottom = image.height() * 7 / 10;
    const QColor voltage = light ? kPrintVoltage : kScreenVoltage;
    const QColor current = light ? kPrintCurrent : QColor(0, 255, 0);
    const QColor power = light ? kPrintPower : QColor(255, 0, 0);
    for (const QColor &trace : {voltage, current, power})
        QVERIFY2(rowsOfHue(image, column, axisTop, bottom, trace) > 0, qPrintable(trace.name()));
    if (light)
        QCOMPARE(pixelsOfHue(image, kScreenVoltage), 0);
}

void TstChartExport::pdfHoldsTitleUnitsAndLegend_data()
{
    QTest::addColumn<Size>("size");
    QTest::addColumn<Theme>("theme");
    QTest::addColumn<Captions>("captions");
    QTest::addColumn<QSize>("page");
    const Captions chinese = meterCaptions();
    Captions english;
    english.title = QStringLiteral("Meter M52 · Exported 2026-12-11 14:03:22");
    english.bottomAxis = QStringLiteral("Sample number");
    english.valueAxes = {QStringLiteral("Voltage (V)"), QStringLiteral("Current (A)"),
                         QStringLiteral("Power (W)")};
    QTest::newRow("print size, light") << Size::Print << Theme::Light << chinese << QSize(842, 595);
    QTest::newRow("chart size, dark")
        << Size::OnScreen << Theme::Dark << chinese << QSize(900, 400);
    QTest::newRow("English") << Size::Print << Theme::Light << english << QSize(842, 595);
}

void TstChartExport::pdfHoldsTitleUnitsAndLegend()
{
    QFETCH(Size, size);
    QFETCH(Theme, theme);
    QFETCH(Captions, captions);
    QFETCH(QSize, page);
    MeterChart chart;
    const QString file = mDir.filePath(QStringLiteral("a.pdf"));
    QVERIFY(chartexport::exportChart(chart.plot, chart.tool, chart.profile, captions, file,
                                     Options{Format::Pdf, size, theme}));
    QCOMPARE(testbench::pdfPageSize(file), page);
    const QString text = testbench::pdfText(file);
    QVERIFY2(text.contains(captions.title), qPrintable(text));
    QVERIFY2(text.contains(captions.bottomAxis), qPrintable(text));
    // Each value axis's title, and the same text again in the legend.
    for (const QString &quantity : captions.valueAxes)
        QVERIFY2(text.count(quantity) == 2, qPrintable(quantity + QLatin1Char('\n') + text));
}

void TstChartExport::markedExtrasAndNotesAreInThePicture()
{
    MeterChart chart;
    QCustomPlot &plot = chart.plot;
    QCPAxis *volts = chart.rightAxis(0);
    // A reference band from 4.5 to 5.5 V, filled between two graphs.
    QCPGraph *lower = plot.addGraph(plot.xAxis, volts);
    QCPGraph *upper = plot.addGraph(plot.xAxis, volts);
    for (QCPGraph *graph : {lower, upper}) {
        graph->addData(0, graph == lower ? 4.5 : 5.5);
        graph->addData(300, graph == lower ? 4.5 : 5.5);
        graph->setPen(Qt::NoPen);
    }
    chartexport::showInPictures(lower);
    chartexport::showInPictures(upper, QStringLiteral("参考带"));
    upper->setBrush(QColor(255, 200, 0, 120));
    upper->setChannelFillGraph(lower);
    // A cursor at sample 150 with its readout, in magenta and white on
    // black as on screen.
    auto *cursor = new QCPItemStraightLine(&plot);
    cursor->point1->setAxes(plot.xAxis, volts);
    cursor->point2->setAxes(plot.xAxis, volts);
    cursor->point1->setCoords(150, 0);
    cursor->point2->setCoords(150, 1);
    cursor->setPen(QPen(QColor(255, 0, 255), 2));
    auto *readout = new QCPItemText(&plot);
    readout->position->setType(QCPItemPosition::ptAxisRectRatio);
    readout->position->setCoords(0.05, 0.9);
    readout->setPositionAlignment(Qt::AlignLeft | Qt::AlignBottom);
    readout->setText(QStringLiteral("Δt 1.25 s"));
    readout->setColor(Qt::white);
    readout->setBrush(Qt::black);
    // What the picture leaves out: an item that is not marked, a marked
    // kind it does not take, and a marked item that hangs on one not copied.
    auto *unmarked = new QCPItemStraightLine(&plot);
    unmarked->point1->setAxes(plot.xAxis, volts);
    unmarked->point2->setAxes(plot.xAxis, volts);
    unmarked->point1->setCoords(0, 3);
    unmarked->point2->setCoords(1, 3);
    unmarked->setPen(QPen(QColor(0, 200, 200), 3));
    auto *ellipse = new QCPItemEllipse(&plot);
    auto *anchor = new QCPItemTracer(&plot);
    auto *hanging = new QCPItemText(&plot);
    hanging->position->setParentAnchor(anchor->position);
    hanging->setText(QStringLiteral("hanging"));
    for (QCPLayerable *item :
         std::initializer_list<QCPLayerable *>{cursor, readout, ellipse, hanging})
        chartexport::showInPictures(item);
    QVERIFY(!chartexport::shownInPictures(unmarked));
    plot.replot();

    Captions captions = meterCaptions();
    captions.notes = QStringList{QStringLiteral("光标 A：5.000 V"), QStringLiteral("判定：通过")};

    // The picture: the tool's three graphs and the band's two, the band
    // filled between its copies; the tags' three items each, the cursor and
    // its readout; in the legend the three traces and the named band.
    const auto picture = chartexport::buildPicture(plot, chart.tool, chart.profile, captions,
                                                   Theme::Light, QSize(900, 400));
    QCOMPARE(picture->graphCount(), 5);
    QCOMPARE(picture->graph(4)->channelFillGraph(), picture->graph(3));
    QCOMPARE(picture->graph(4)->name(), QStringLiteral("参考带"));
    QCOMPARE(picture->itemCount(), 3 * 3 + 2);
    QCOMPARE(picture->legend->itemCount(), 4);
    int texts = 0;
    for (int i = 0; i < picture->itemCount(); ++i) {
        if (auto *text = qobject_cast<QCPItemText *>(picture->item(i))) {
            if (text->text() == readout->text()) {
                ++texts;
                // White on black would vanish on paper: darkened text on a
                // white box.
                QVERIFY(text->color().lightness() <= 115);
                QCOMPARE(text->brush().color(), QColor(Qt::white));
            }
        }
    }
    QCOMPARE(texts, 1);

    // In the PNG: the cursor, darkened, runs down most of the axis rect; the
    // band's filling (yellow at 120/255 on white: 255, 229, 135) is there;
    // the unmarked line is not.
    const QImage image = exportedPng(chart, mDir.filePath(QStringLiteral("extras.png")),
                                     Size::OnScreen, Theme::Light, captions);
    const QRgb white = qRgb(255, 255, 255);
    const int top = axisTopRow(image, white);
    const int bottom = image.height() * 7 / 10;
    int cursorRows = 0;
    for (int x = 0; x < image.width(); ++x)
        cursorRows = std::max(cursorRows, rowsOfHue(image, x, top, bottom, QColor(255, 0, 255)));
    QVERIFY2(cursorRows > (bottom - top) * 3 / 4, qPrintable(QString::number(cursorRows)));
    QVERIFY(testbench::pixelsNear(image, QColor(255, 229, 135), 12) > 1000);
    QCOMPARE(pixelsOfHue(image, QColor(0, 200, 200)), 0);

    // In the PDF: the notes under the title, the readout and the band's name.
    const QString pdf = mDir.filePath(QStringLiteral("extras.pdf"));
    QVERIFY(chartexport::exportChart(plot, chart.tool, chart.profile, captions, pdf,
                                     Options{Format::Pdf, Size::Print, Theme::Light}));
    const QString text = testbench::pdfText(pdf);
    for (const QString &expected :
         {captions.notes[0], captions.notes[1], readout->text(), QStringLiteral("参考带")})
        QVERIFY2(text.contains(expected), qPrintable(expected + QLatin1Char('\n') + text));
    QVERIFY(!text.contains(QStringLiteral("hanging")));
}

void TstChartExport::pictureSharesTheDataAndLeavesTheChartAlone()
{
    MeterChart chart;
    TestPlot &plot = chart.plot;
    const QImage before = plot.grab().toImage();
    const int items = plot.itemCount();
    int replots = 0;
    connect(&plot, &QCustomPlot::afterReplot, this, [&replots] { ++replots; });

    {
        const auto picture = chartexport::buildPicture(
            plot, chart.tool, chart.profile, meterCaptions(), Theme::Light, QSize(842, 595));
        // The same data containers: nothing copied.
        for (int k = 0; k < 3; ++k)
            QCOMPARE(picture->graph(k)->data().data(), chart.tool.graphs[k]->data().data());
        QVERIFY(chartexport::exportChart(plot, chart.tool, chart.profile, meterCaptions(),
                                         mDir.filePath(QStringLiteral("b.pdf")),
                                         Options{Format::Pdf, Size::Print, Theme::Light}));
        QVERIFY(chartexport::exportChart(plot, chart.tool, chart.profile, meterCaptions(),
                                         mDir.filePath(QStringLiteral("b.png")),
                                         Options{Format::Png, Size::Print, Theme::Dark}));
    }
    QCoreApplication::processEvents(); // a queued replot would run here

    QCOMPARE(replots, 0);
    QCOMPARE(plot.backgroundBrushForTest().style(), Qt::NoBrush);
    QVERIFY(!plot.legend->visible());
    QCOMPARE(plot.plotLayout()->elementCount(), 1);
    QCOMPARE(plot.itemCount(), items);
    QCOMPARE(plot.graphCount(), 3);
    QCOMPARE(chart.tool.graphs[0]->data()->size(), 301);
    QVERIFY(chart.rightAxis(0)->label().isEmpty());
    QCOMPARE(plot.grab().toImage(), before);
}

void TstChartExport::tagsShowTheChartsValues()
{
    MeterChart chart;
    const auto picture = chartexport::buildPicture(chart.plot, chart.tool, chart.profile,
                                                   meterCaptions(), Theme::Light, QSize(842, 595));
    // Each value axis of the picture has one tag, with the chart's text, at
    // the chart's value, in the trace's print colour.
    const QString texts[3] = {"5.0000V", "1.0000A", "5.0000W"};
    const double values[3] = {5.0, 1.0, 5.0};
    const QColor colours[3] = {kPrintVoltage, kPrintCurrent, kPrintPower};
    for (int k = 0; k < 3; ++k) {
        QCPAxis *axis = picture->axisRect()->axis(QCPAxis::atRight, k);
        const QList<AxisTag *> tags = axis->findChildren<AxisTag *>();
        QCOMPARE(tags.size(), 1);
        QCOMPARE(tags[0]->label()->text(), texts[k]);
        QCOMPARE(tags[0]->tracer()->position->value(), values[k]);
        QCOMPARE(tags[0]->label()->pen().color(), colours[k]);
    }
}

void TstChartExport::printColoursStayApartInGreyscale()
{
    // Luminance 0.299 R + 0.587 G + 0.114 B: dark blue 23.5 + 17.1 = 40.6,
    // green 93.9 + 6.8 = 100.7, orange 71.8 + 70.4 = 142.2: each darker than
    // 150, so it shows on white, and each at least 40 apart from the next.
    const ChartProfile *profiles[] = {&meterChartProfile(), &powerChartProfile()};
    for (const ChartProfile *profile : profiles) {
        QCOMPARE(profile->printGraphColor[0], kPrintVoltage);
        QCOMPARE(profile->printGraphColor[1], kPrintCurrent);
        QCOMPARE(profile->printGraphColor[2], kPrintPower);
    }
    QCOMPARE(bootLineChartProfile().printGraphColor[0], kPrintCurrent);
    auto luminance = [](const QColor &c) {
        return 0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue();
    };
    QVERIFY(luminance(kPrintPower) < 150);
    QVERIFY(luminance(kPrintCurrent) - luminance(kPrintVoltage) >= 40);
    QVERIFY(luminance(kPrintPower) - luminance(kPrintCurrent) >= 40);
}

void TstChartExport::sameImageAsQCustomPlotsOwnExport_data()
{
    QTest::addColumn<Size>("size");
    QTest::addColumn<Theme>("theme");
    QTest::addColumn<bool>("extras");
    QTest::newRow("print size, light") << Size::Print << Theme::Light << false;
    QTest::newRow("print size, dark") << Size::Print << Theme::Dark << false;
    QTest::newRow("chart size, light") << Size::OnScreen << Theme::Light << false;
    QTest::newRow("chart size, dark") << Size::OnScreen << Theme::Dark << false;
    QTest::newRow("print size, light, band, cursor and notes")
        << Size::Print << Theme::Light << true;
}

// The picture recorded on the GUI thread, then drawn and written on the
// writer's thread, is the one QCustomPlot's savePng draws from the same
// picture at once on the GUI thread (as the export did before it was split
// in two): the same size, pixel format and stated resolution, and the same
// pixels but for the rounding of antialiased edges.
void TstChartExport::sameImageAsQCustomPlotsOwnExport()
{
    QFETCH(Size, size);
    QFETCH(Theme, theme);
    QFETCH(bool, extras);
    MeterChart chart;
    Captions captions = meterCaptions();
    if (extras) {
        QCustomPlot &plot = chart.plot;
        QCPAxis *volts = chart.rightAxis(0);
        QCPGraph *lower = plot.addGraph(plot.xAxis, volts);
        QCPGraph *upper = plot.addGraph(plot.xAxis, volts);
        for (QCPGraph *graph : {lower, upper}) {
            graph->addData(0, graph == lower ? 4.5 : 5.5);
            graph->addData(300, graph == lower ? 4.5 : 5.5);
            graph->setPen(QPen(QColor(255, 200, 0), 0, Qt::DashLine)); // cosmetic
        }
        upper->setBrush(QColor(255, 200, 0, 120));
        upper->setChannelFillGraph(lower);
        chartexport::showInPictures(lower);
        chartexport::showInPictures(upper, QStringLiteral("参考带"));
        auto *cursor = new QCPItemStraightLine(&plot);
        cursor->point1->setAxes(plot.xAxis, volts);
        cursor->point2->setAxes(plot.xAxis, volts);
        cursor->point1->setCoords(150.5, 0);
        cursor->point2->setCoords(150.5, 1);
        cursor->setPen(QPen(QColor(255, 0, 255), 2));
        auto *readout = new QCPItemText(&plot);
        readout->position->setType(QCPItemPosition::ptAxisRectRatio);
        readout->position->setCoords(0.05, 0.9);
        readout->setText(QStringLiteral("Δt 1.25 s"));
        readout->setBrush(Qt::black);
        readout->setColor(Qt::white);
        for (QCPLayerable *item : std::initializer_list<QCPLayerable *>{cursor, readout})
            chartexport::showInPictures(item);
        captions.notes =
            QStringList{QStringLiteral("光标 A：5.000 V"), QStringLiteral("判定：通过")};
        plot.replot();
    }

    // Recorded here, drawn and written on the writer's thread.
    const QString recorded = mDir.filePath(QStringLiteral("recorded.png"));
    chartexport::PictureWriter writer;
    QSignalSpy reports(&writer, &chartexport::PictureWriter::finished);
    writer.write(chartexport::recordPicture(chart.plot, chart.tool, chart.profile, captions,
                                            Options{Format::Png, size, theme}),
                 recorded);
    QTRY_COMPARE_WITH_TIMEOUT(reports.size(), 1, 30000);
    QCOMPARE(reports[0], (QList<QVariant>{recorded, true}));
    const QSize layout = chartexport::layoutSize(chart.plot, size);
    const auto picture =
        chartexport::buildPicture(chart.plot, chart.tool, chart.profile, captions, theme, layout);
    const QString direct = mDir.filePath(QStringLiteral("direct.png"));
    if (size == Size::Print)
        QVERIFY(picture->savePng(direct, layout.width(), layout.height(), 300 / 72.0, -1, 300,
                                 QCP::ruDotsPerInch));
    else
        QVERIFY(picture->savePng(direct, layout.width(), layout.height(), 1.0));

    const QImage fromRecording(recorded, "PNG");
    const QImage drawnAtOnce(direct, "PNG");
    QCOMPARE(fromRecording.size(), drawnAtOnce.size());
    QCOMPARE(fromRecording.format(), drawnAtOnce.format());
    // Replayed from the recording, the antialiased edges of a few lines and
    // letters round a level or so differently; nothing moves or changes
    // colour. Allowed: at most 3 levels of 255 in any channel, on at most one
    // pixel in a thousand (a trace drawn a pixel off, a missing tag or a
    // wrong background differs by far more, on far more pixels).
    int differing = 0;
    int largest = 0;
    for (int y = 0; y < fromRecording.height(); ++y) {
        for (int x = 0; x < fromRecording.width(); ++x) {
            const QRgb a = fromRecording.pixel(x, y);
            const QRgb b = drawnAtOnce.pixel(x, y);
            if (a == b)
                continue;
            ++differing;
            largest = std::max({largest, std::abs(qRed(a) - qRed(b)),
                                std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
        }
    }
    QVERIFY2(largest <= 3, qPrintable(QString::number(largest)));
    const int pixels = fromRecording.width() * fromRecording.height();
    QVERIFY2(differing <= pixels / 1000,
             qPrintable(QStringLiteral("%1 of %2").arg(differing).arg(pixels)));
    if (size == Size::Print) {
        // 300 dots per inch: 300 / 0.0254 = 11811 per metre.
        QCOMPARE(fromRecording.dotsPerMeterX(), 11811);
        QCOMPARE(fromRecording.dotsPerMeterY(), 11811);
    }
}

void TstChartExport::unwritableFileFails_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<WriteFailure>("failure");
    QTest::newRow("PNG, folder gone") << Format::Png << WriteFailure::FolderGone;
    QTest::newRow("PDF, folder gone") << Format::Pdf << WriteFailure::FolderGone;
    QTest::newRow("PNG, disk full") << Format::Png << WriteFailure::DiskFull;
    QTest::newRow("PDF, disk full") << Format::Pdf << WriteFailure::DiskFull;
    QTest::newRow("PNG, read-only folder") << Format::Png << WriteFailure::ReadOnlyFolder;
    QTest::newRow("PDF, read-only folder") << Format::Pdf << WriteFailure::ReadOnlyFolder;
}

// A write that fails reports it and leaves the folder as it was: an earlier
// file of that name keeps its bytes, and no part of the new one stays behind
// (under its name or any other).
void TstChartExport::unwritableFileFails()
{
    QFETCH(Format, format);
    QFETCH(WriteFailure, failure);
    MeterChart chart;
    const QString folder = mDir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(folder));
    const QString file =
        QDir(folder).filePath(failure == WriteFailure::FolderGone ? QStringLiteral("missing/a.file")
                                                                  : QStringLiteral("a.file"));
    // The earlier picture: 1000 bytes, far less than either new file (a
    // print-size PDF, a print-size PNG, both over 10 kB).
    const QByteArray earlier(1000, 'e');
    if (failure != WriteFailure::FolderGone) {
        QFile previous(file);
        QVERIFY(previous.open(QIODevice::WriteOnly));
        QCOMPARE(previous.write(earlier), qint64(earlier.size()));
    }
    {
        std::unique_ptr<testbench::FileSizeLimit> diskFull;
        std::unique_ptr<testbench::ReadOnlyFolder> readOnly;
        if (failure == WriteFailure::DiskFull) {
            // Room for 4 kB of the new file.
            diskFull = std::make_unique<testbench::FileSizeLimit>(4096);
            QVERIFY(diskFull->ok());
        } else if (failure == WriteFailure::ReadOnlyFolder) {
            readOnly = std::make_unique<testbench::ReadOnlyFolder>(folder);
            QVERIFY(readOnly->ok());
        }
        QVERIFY(!chartexport::exportChart(chart.plot, chart.tool, chart.profile, meterCaptions(),
                                          file, Options{format, Size::Print, Theme::Light}));
    }
    const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    if (failure == WriteFailure::FolderGone) {
        QVERIFY(!QFile::exists(file));
        QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char(' '))));
    } else {
        QCOMPARE(left, QStringList{QStringLiteral("a.file")});
        QFile previous(file);
        QVERIFY(previous.open(QIODevice::ReadOnly));
        QCOMPARE(previous.readAll(), earlier);
    }
}

// The writer draws and writes each picture on a thread that is not the GUI
// thread, one after the other in the order given (the same file written
// twice ends with the second picture), and reports each on the GUI thread:
// written, or not when the file cannot be.
void TstChartExport::writerWritesInTurnOnItsOwnThread()
{
    MeterChart chart;
    const QString file = mDir.filePath(QStringLiteral("turns.png"));
    const QString failing = mDir.filePath(QStringLiteral("missing/turns.png"));
    chartexport::PictureWriter writer;
    QSignalSpy reports(&writer, &chartexport::PictureWriter::finished);
    QThread *reportedOn = nullptr;
    connect(&writer, &chartexport::PictureWriter::finished, this,
            [&reportedOn] { reportedOn = QThread::currentThread(); });

    auto record = [&chart](Size size) {
        return chartexport::recordPicture(chart.plot, chart.tool, chart.profile, meterCaptions(),
                                          Options{Format::Png, size, Theme::Light});
    };
    writer.write(record(Size::Print), file);
    // Back at once: drawing an A4 page at 300 dpi takes far longer than the
    // return from write().
    QVERIFY(!QFile::exists(file));
    writer.write(record(Size::Print), failing);
    writer.write(record(Size::OnScreen), file);
    QCOMPARE(writer.pending(), 3);
    QTRY_COMPARE_WITH_TIMEOUT(reports.size(), 3, 60000);
    QCOMPARE(writer.pending(), 0);
    QCOMPARE(reportedOn, QThread::currentThread());
    const QList<QVariant> expected[3] = {{file, true}, {failing, false}, {file, true}};
    for (int i = 0; i < 3; ++i)
        QCOMPARE(reports[i], expected[i]);
    // The chart's size, written last.
    QCOMPARE(QImage(file, "PNG").size(), QSize(900, 400));
}

void TstChartExport::emptyRecordingIsNotWritten_data()
{
    QTest::addColumn<Format>("format");
    QTest::newRow("PNG") << Format::Png;
    QTest::newRow("PDF") << Format::Pdf;
}

// A recording that holds nothing (its painter could not start) writes no
// blank picture over an earlier file and is not reported as written.
void TstChartExport::emptyRecordingIsNotWritten()
{
    QFETCH(Format, format);
    const QString file = mDir.filePath(QStringLiteral("empty.file"));
    const QByteArray earlier(1000, 'e');
    {
        QFile previous(file);
        QVERIFY(previous.open(QIODevice::WriteOnly));
        QCOMPARE(previous.write(earlier), qint64(earlier.size()));
    }
    chartexport::RecordedPicture empty;
    empty.format = format;
    empty.layoutSize = QSize(842, 595);
    QVERIFY(!chartexport::writePicture(empty, file));
    QFile previous(file);
    QVERIFY(previous.open(QIODevice::ReadOnly));
    QCOMPARE(previous.readAll(), earlier);
}

QTEST_MAIN(TstChartExport)
#include "tst_chartexport.moc"
