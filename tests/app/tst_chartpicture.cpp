// The chart pictures through the real window on the simulated bench: the
// title line of each tool (the instrument, its model while connected, the
// samples' times, the export's time) and the axis titles in both languages,
// the meter exported from its chart's menu as a print-size PDF, the chart on
// screen left as it was, an export while the boot line charts at its full
// rate (the dialog and the writing), a failed write reported when the
// writing ends, and a window closed while a picture is being written.
#include "app/language.h"
#include "charts/livechart.h"
#include "charts/measurecursors.h"
#include "tests/support/filedialogs.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/pictures.h"
#include "tests/support/readonlyfolder.h"
#include "tests/support/testbench.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QMenu>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <memory>

using testbench::makeWindow;
using Tool = Widget::Tool;

Q_DECLARE_METATYPE(Tool)

namespace {

constexpr quint32 kEnglish = 1033;

// The window with the meter, the power supply and the boot line attached
// and discovered unless left out; file dialogs answered, boxes closed.
struct PictureBench {
    testbench::Window w = makeWindow();
    testbench::ModalCloser boxes;
    testbench::AnsweredDialogs dialogs;
    QTemporaryDir dir;
    std::shared_ptr<sim::MeterModel> meter = std::make_shared<sim::MeterModel>();
    std::shared_ptr<sim::PowerSupplyModel> supply = std::make_shared<sim::PowerSupplyModel>();
    std::shared_ptr<sim::BootLineModel> bootLine = std::make_shared<sim::BootLineModel>();

    explicit PictureBench(bool withSupply = true)
    {
        sim::bus().attach(meter);
        if (withSupply)
            sim::bus().attach(supply);
        sim::bus().attach(bootLine);
        dialogs.answer(*w.widget);
        w->discoverDevices();
    }

    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

    // Triggers the item of the chart's menu with that text.
    bool choose(Tool tool, const QString &text) const
    {
        QMenu *menu = w->chartMenu(tool);
        bool found = false;
        for (QAction *action : menu->actions()) {
            if (action->text() == text && action->isEnabled()) {
                action->trigger();
                found = true;
            }
        }
        menu->close();
        return found;
    }
};

// A translation installed for the test's lifetime; none for Chinese.
struct Language {
    explicit Language(quint32 lcid)
    {
        if (lcid == kEnglish)
            installed = language::installTranslation(*qApp, translator, lcid);
    }
    ~Language() { QCoreApplication::removeTranslator(&translator); }
    QTranslator translator;
    bool installed = false;
};

// A text of the window as the installed translation gives it.
QString widgetText(const char *source)
{
    return QCoreApplication::translate("Widget", source);
}

} // namespace

class ChartPictureTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { sim::bus().reset(); }

    void title_data()
    {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<bool>("withSupply");
        QTest::addColumn<quint32>("lcid");
        QTest::addColumn<QDateTime>("first");
        QTest::addColumn<QDateTime>("last");
        QTest::addColumn<QString>("title");
        const QDateTime none;
        const QDateTime first(QDate(2026, 12, 11), QTime(13, 0, 0, 250));
        const QDateTime last(QDate(2026, 12, 11), QTime(13, 59, 59, 999));
        QTest::newRow("meter, connected") << Tool::Meter << true << 0u << none << none
                                          << "电压电流表 M52 · 导出于 2026-12-11 14:03:22";
        QTest::newRow("power supply, not connected")
            << Tool::PowerSupply << false << 0u << none << none
            << "可调电源 · 导出于 2026-12-11 14:03:22";
        QTest::newRow("boot line, samples with times")
            << Tool::BootLine << true << 0u << first << last
            << "开机线 KRIV · 样本 2026-12-11 13:00:00.250 至 2026-12-11 13:59:59.999 · "
               "导出于 2026-12-11 14:03:22";
        QTest::newRow("only a first time: no span") << Tool::BootLine << true << 0u << first << none
                                                    << "开机线 KRIV · 导出于 2026-12-11 14:03:22";
        QTest::newRow("English, meter") << Tool::Meter << true << kEnglish << none << none
                                        << "Meter M52 · Exported 2026-12-11 14:03:22";
        QTest::newRow("English, power supply, samples")
            << Tool::PowerSupply << true << kEnglish << first << last
            << "Power V7204 · Samples 2026-12-11 13:00:00.250 to 2026-12-11 13:59:59.999 · "
               "Exported 2026-12-11 14:03:22";
    }
    void title()
    {
        QFETCH(Tool, tool);
        QFETCH(bool, withSupply);
        QFETCH(quint32, lcid);
        QFETCH(QDateTime, first);
        QFETCH(QDateTime, last);
        QFETCH(QString, title);
        Language language(lcid);
        PictureBench b(withSupply);
        const QDateTime exported(QDate(2026, 12, 11), QTime(14, 3, 22, 600));
        QCOMPARE(b.w->pictureTitle(tool, exported, first, last), title);
    }

    void axisTitles_data()
    {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<quint32>("lcid");
        QTest::addColumn<QStringList>("titles"); // bottom, then value axes 0, 1, 2
        QTest::newRow("meter") << Tool::Meter << 0u
                               << QStringList{"样本序号", "电压 (V)", "电流 (A)", "功率 (W)"};
        QTest::newRow("power supply")
            << Tool::PowerSupply << 0u
            << QStringList{"样本序号", "电压 (V)", "电流 (A)", "功率 (W)"};
        QTest::newRow("boot line")
            << Tool::BootLine << 0u << QStringList{"样本序号", "电流 (A)", "", ""};
        QTest::newRow("English, meter")
            << Tool::Meter << kEnglish
            << QStringList{"Sample number", "Voltage (V)", "Current (A)", "Power (W)"};
        QTest::newRow("English, boot line")
            << Tool::BootLine << kEnglish << QStringList{"Sample number", "Current (A)", "", ""};
    }
    void axisTitles()
    {
        QFETCH(Tool, tool);
        QFETCH(quint32, lcid);
        QFETCH(QStringList, titles);
        Language language(lcid);
        PictureBench b;
        const chartexport::Captions captions =
            b.w->pictureCaptions(tool, QDateTime(QDate(2026, 12, 11), QTime(14, 3, 22)));
        QCOMPARE(captions.bottomAxis, titles[0]);
        for (int k = 0; k < 3; ++k)
            QCOMPARE(captions.valueAxes[k], titles[1 + k]);
        QVERIFY(captions.notes.isEmpty());
        QVERIFY(captions.title.endsWith(QStringLiteral(" 2026-12-11 14:03:22")));
    }

    // What a user does: "Export image…" on the meter's chart, the print-size
    // PDF in the light theme. The page is A4; its text holds the title with
    // the time of the export, the axis titles and the legend.
    void meterAsPrintPdf_data()
    {
        QTest::addColumn<quint32>("lcid");
        QTest::addColumn<QString>("instrument");
        QTest::addColumn<QString>("exported");
        QTest::addColumn<QStringList>("quantities");
        QTest::addColumn<QString>("bottom");
        QTest::newRow("Chinese") << 0u << "电压电流表 M52"
                                 << "导出于" << QStringList{"电压 (V)", "电流 (A)", "功率 (W)"}
                                 << "样本序号";
        QTest::newRow("English") << kEnglish << "Meter M52"
                                 << "Exported"
                                 << QStringList{"Voltage (V)", "Current (A)", "Power (W)"}
                                 << "Sample number";
    }
    void meterAsPrintPdf()
    {
        QFETCH(quint32, lcid);
        QFETCH(QString, instrument);
        QFETCH(QString, exported);
        QFETCH(QStringList, quantities);
        QFETCH(QString, bottom);
        Language language(lcid);
        QCOMPARE(language.installed, lcid == kEnglish);
        PictureBench b;
        b.w->resize(1162, 713);
        b.w->show();
        for (int i = 0; i < 30; ++i)
            b.w.pollMeter();
        b.dialogs.saveAnswer = b.path("meter");
        b.dialogs.chosenFilter = widgetText("PDF，打印尺寸，浅色 (*.pdf)");
        const QDateTime before = QDateTime::currentDateTime();
        QVERIFY(b.choose(Tool::Meter, widgetText("导出图片…")));
        const QDateTime after = QDateTime::currentDateTime();
        QTRY_COMPARE(b.w->chartImagesPending(), 0);
        QCOMPARE(b.dialogs.saves.size(), 1);
        QVERIFY(b.dialogs.saves[0].filter.contains(b.dialogs.chosenFilter));

        const QString file = b.path("meter.pdf"); // the filter's ending added
        QCOMPARE(b.boxes.texts(), QStringList{widgetText("已导出到 %1").arg(file)});
        QCOMPARE(testbench::pdfPageSize(file), QSize(842, 595));
        const QString text = testbench::pdfText(file);
        const QRegularExpression titleLine(
            QStringLiteral("^%1 · %2 (\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d)$")
                .arg(QRegularExpression::escape(instrument), exported),
            QRegularExpression::MultilineOption);
        const QRegularExpressionMatch title = titleLine.match(text);
        QVERIFY2(title.hasMatch(), qPrintable(text));
        const QDateTime at =
            QDateTime::fromString(title.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QVERIFY(at.toSecsSinceEpoch() >= before.toSecsSinceEpoch());
        QVERIFY(at.toSecsSinceEpoch() <= after.toSecsSinceEpoch());
        QVERIFY2(text.contains(bottom), qPrintable(text));
        // Each quantity titles its axis and names its trace in the legend.
        for (const QString &quantity : quantities)
            QVERIFY2(text.count(quantity) == 2, qPrintable(quantity + QLatin1Char('\n') + text));
    }

    // With the measuring cursors shown, the picture carries them (their
    // handles A and B) and their readout, cell by cell, under the title.
    void measuredChartCarriesItsReadout()
    {
        PictureBench b;
        b.w->resize(1162, 713);
        b.w->show();
        for (int i = 0; i < 30; ++i)
            b.w.pollMeter();
        QVERIFY(b.w->toggleMeasure(Tool::Meter));
        const MeasureCursors *cursors = b.w->chartStateOf(Tool::Meter).cursors;
        QVERIFY(cursors);
        const QList<MeasureReadout::Row> rows = cursors->readout().rows;
        QVERIFY(rows.size() >= 3);
        b.dialogs.saveAnswer = b.path("measured");
        b.dialogs.chosenFilter = widgetText("PDF，打印尺寸，浅色 (*.pdf)");
        QVERIFY(b.choose(Tool::Meter, widgetText("导出图片…")));
        QTRY_COMPARE(b.w->chartImagesPending(), 0);
        const QString file = b.path("measured.pdf");
        QCOMPARE(b.boxes.texts(), QStringList{widgetText("已导出到 %1").arg(file)});
        const QString text = testbench::pdfText(file);
        for (const MeasureReadout::Row &row : rows) {
            for (const QString &cell : row.cells)
                QVERIFY2(text.contains(cell.trimmed()),
                         qPrintable(cell + QLatin1Char('\n') + text));
        }
        const QRegularExpression handle(QStringLiteral("^[AB]$"),
                                        QRegularExpression::MultilineOption);
        QCOMPARE(text.count(handle), 2);
    }

    // The export reads the chart and leaves it be: no redraw, the same
    // picture on screen, the same data.
    void chartOnScreenStaysAsItWas()
    {
        PictureBench b;
        b.w->resize(1162, 713);
        b.w->show();
        for (int i = 0; i < 30; ++i)
            b.w.pollMeter();
        b.w->flushRedraws();
        QCoreApplication::processEvents();
        QCustomPlot *chart = b.w->chartOf(Tool::Meter);
        const QImage before = chart->grab().toImage();
        const QCPRange range = chart->xAxis->range();
        int replots = 0;
        connect(chart, &QCustomPlot::afterReplot, this, [&replots] { ++replots; });

        b.dialogs.saveAnswer = b.path("a.png");
        b.dialogs.chosenFilter = widgetText("PNG，打印尺寸，浅色 (*.png)");
        QVERIFY(b.choose(Tool::Meter, widgetText("导出图片…")));
        b.dialogs.saveAnswer = b.path("a.pdf");
        b.dialogs.chosenFilter = widgetText("PDF，图表大小，深色 (*.pdf)");
        QVERIFY(b.choose(Tool::Meter, widgetText("导出图片…")));
        QTRY_COMPARE(b.w->chartImagesPending(), 0);

        QVERIFY(QFile::exists(b.path("a.png")) && QFile::exists(b.path("a.pdf")));
        QCOMPARE(replots, 0);
        QCOMPARE(chart->xAxis->range(), range);
        QCOMPARE(b.w->chartStateOf(Tool::Meter).graphs[0]->dataCount(), 30);
        QCOMPARE(chart->grab().toImage(), before);
    }

    // The boot line charts at its full rate (its 2 ms timer running) while
    // the file dialog is open, which runs an event loop as a modal dialog
    // does, and while the print-size picture is drawn and written, which
    // happens beside the event loop: the polls and the chart's redraws go
    // on, and the chart holds one sample for every answer the boot line
    // gave, during the dialog, the writing and after.
    void exportWhileTheBootLineChartsAtFullRate()
    {
        PictureBench b;
        b.w->resize(1162, 713);
        b.w->show();
        b.w.ui().ironToolButton->click();
        b.w.ui().oneKeyLineChartSwitch->click();
        QVERIFY(b.w->oneKeyLine->chartRunning);
        QCustomPlot *chart = b.w->chartOf(Tool::BootLine);
        const LiveChartState &state = b.w->chartStateOf(Tool::BootLine);
        auto samples = [&state] { return state.graphs[0]->dataCount(); };
        int replots = 0;
        connect(chart, &QCustomPlot::afterReplot, this, [&replots] { ++replots; });

        QTimer *poll = b.w->oneKeyLine->pollTimer;
        poll->start(2);
        QTest::qWait(100);
        int requestsInDialog = 0;
        int samplesInDialog = 0;
        int replotsInDialog = 0;
        b.w->fileDialogs.saveFileNameAndFilter = [&](QWidget *, const QString &, const QString &,
                                                     const QString &, QString *selected) {
            const int requests = b.bootLine->requestCount();
            const int held = samples();
            const int drawn = replots;
            // The user picks a file name: the dialog stays open until the
            // poll has run 20 times and the chart has been redrawn twice
            // meanwhile, or for 10 s (a chart held up by the dialog would
            // take none of them, however long the wait).
            QElapsedTimer open;
            open.start();
            while ((b.bootLine->requestCount() - requests <= 20 || replots - drawn <= 2) &&
                   open.elapsed() < 10000)
                QTest::qWait(10);
            requestsInDialog = b.bootLine->requestCount() - requests;
            samplesInDialog = samples() - held;
            replotsInDialog = replots - drawn;
            *selected = widgetText("PNG，打印尺寸，浅色 (*.png)");
            return b.path("line.png");
        };
        QVERIFY(b.choose(Tool::BootLine, widgetText("导出图片…")));
        // The picture is recorded; drawing the A4 page at 300 dpi and
        // compressing it is still to come, on the writer's thread.
        QVERIFY(!QFile::exists(b.path("line.png")));
        QCOMPARE(b.w->chartImagesPending(), 1);
        const int requestsBeforeWriting = b.bootLine->requestCount();
        const int samplesBeforeWriting = samples();
        const int replotsBeforeWriting = replots;
        QTRY_COMPARE_WITH_TIMEOUT(b.w->chartImagesPending(), 0, 30000);
        const int requestsInWriting = b.bootLine->requestCount() - requestsBeforeWriting;
        const int samplesInWriting = samples() - samplesBeforeWriting;
        const int replotsInWriting = replots - replotsBeforeWriting;
        QTest::qWait(100);
        poll->stop();

        QCOMPARE(b.boxes.hintTexts(),
                 QStringList{QStringLiteral("已导出到 %1").arg(b.path("line.png"))});
        QCOMPARE(QImageReader(b.path("line.png")).size(), QSize(3508, 2479));
        QVERIFY2(requestsInDialog > 20, qPrintable(QString::number(requestsInDialog)));
        QCOMPARE(samplesInDialog, requestsInDialog);
        QVERIFY2(replotsInDialog > 2, qPrintable(QString::number(replotsInDialog)));
        // Writing the page takes a good part of a second or more: the poll
        // runs all along (drawn on the GUI thread, it stopped them all).
        QVERIFY2(requestsInWriting > 20, qPrintable(QString::number(requestsInWriting)));
        QCOMPARE(samplesInWriting, requestsInWriting);
        QVERIFY2(replotsInWriting > 2, qPrintable(QString::number(replotsInWriting)));
        QVERIFY(b.bootLine->requestCount() > 0);
        QCOMPARE(samples(), b.bootLine->requestCount());
    }

    // The disk fills up while the picture is written, or its folder cannot
    // be written into: the window says so once the writing has ended, and
    // the earlier picture of that name is left as it was, with nothing else
    // beside it.
    void failedWriteIsReportedAndLeavesThePreviousFile_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("readOnlyFolder"); // else the disk is full
        QTest::newRow("PNG, disk full") << "PNG，打印尺寸，浅色 (*.png)"
                                        << "meter.png" << false;
        QTest::newRow("PDF, disk full") << "PDF，打印尺寸，浅色 (*.pdf)"
                                        << "meter.pdf" << false;
        QTest::newRow("PNG, read-only folder") << "PNG，打印尺寸，浅色 (*.png)"
                                               << "meter.png" << true;
    }
    void failedWriteIsReportedAndLeavesThePreviousFile()
    {
        QFETCH(QString, filter);
        QFETCH(QString, name);
        QFETCH(bool, readOnlyFolder);
        PictureBench b;
        for (int i = 0; i < 30; ++i)
            b.w.pollMeter();
        const QString file = b.dir.filePath(name);
        const QByteArray earlier(1000, 'e'); // far smaller than either new picture
        {
            QFile previous(file);
            QVERIFY(previous.open(QIODevice::WriteOnly));
            QCOMPARE(previous.write(earlier), qint64(earlier.size()));
        }
        b.dialogs.saveAnswer = file;
        b.dialogs.chosenFilter = widgetText(filter.toUtf8().constData());
        {
            // Made before the window's first export: the writer's thread,
            // started by it, starts without root's override as well.
            std::unique_ptr<testbench::FileSizeLimit> diskFull;
            std::unique_ptr<testbench::ReadOnlyFolder> readOnly;
            if (readOnlyFolder) {
                readOnly = std::make_unique<testbench::ReadOnlyFolder>(b.dir.path());
                QVERIFY(readOnly->ok());
            } else {
                diskFull = std::make_unique<testbench::FileSizeLimit>(4096); // room for 4 kB
                QVERIFY(diskFull->ok());
            }
            QCOMPARE(b.w->chartImagesPending(), 0);
            QVERIFY(b.choose(Tool::Meter, widgetText("导出图片…")));
            QVERIFY(b.boxes.boxes.isEmpty()); // not yet: the writing has not ended
            QTRY_COMPARE_WITH_TIMEOUT(b.w->chartImagesPending(), 0, 30000);
        }
        QCOMPARE(b.boxes.hintTexts(), QStringList{QStringLiteral("无法导出到 %1").arg(file)});
        QCOMPARE(QDir(b.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
        QFile previous(file);
        QVERIFY(previous.open(QIODevice::ReadOnly));
        QCOMPARE(previous.readAll(), earlier);
    }

    // The window goes (the program quits) while a print-size picture is
    // being written: it waits for the writing, and the file is whole.
    void closingWhileWritingLeavesAWholeFile()
    {
        PictureBench b;
        for (int i = 0; i < 30; ++i)
            b.w.pollMeter();
        b.dialogs.saveAnswer = b.path("last.png");
        b.dialogs.chosenFilter = widgetText("PNG，打印尺寸，浅色 (*.png)");
        QVERIFY(b.choose(Tool::Meter, widgetText("导出图片…")));
        QCOMPARE(b.w->chartImagesPending(), 1);
        b.w.widget.reset();

        QCOMPARE(QDir(b.dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("last.png")});
        QImageReader reader(b.path("last.png"));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), QSize(3508, 2479));
        QCOMPARE(image.pixel(0, 0), qRgb(255, 255, 255));
    }
};

QTEST_MAIN(ChartPictureTest)
#include "tst_chartpicture.moc"
