// Saving and opening chart data files through the real window: the six
// buttons of the three tools, with the file dialogs answered by the test and
// the instruments simulated.
#include "charts/livechart.h"
#include "tests/support/filedialogs.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/testbench.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using testbench::FileSizeLimit;
using testbench::makeWindow;
using Tool = Widget::Tool;
using Series = QVector<double>;

namespace {

// The window on the simulated bus with its file dialogs answered here, a
// closer for its message boxes and a folder for the files.
struct FilesBench {
    FilesBench() : w(makeWindow()) { dialogs.answer(*w.widget); }

    testbench::Window w;
    testbench::ModalCloser boxes;
    testbench::AnsweredDialogs dialogs;
    QTemporaryDir dir;

    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

    struct ToolParts {
        QPushButton *save;
        QPushButton *open;
        LiveChartState *state;
        QCustomPlot *chart;
        QString *fileName;
    };
    ToolParts parts(Tool tool) const
    {
        Ui_Widget &ui = w.ui();
        switch (tool) {
        case Tool::Meter:
            return {ui.vcMeterChartSaveButton, ui.vcMeterChartOpenButton, w->vcMeter.get(),
                    ui.Chart_Widget, &w->vcMeter->chartFileName};
        case Tool::PowerSupply:
            return {ui.adjPowChartSaveButton, ui.adjPowChartOpenButton, w->adjPower.get(),
                    ui.adjPowChart, &w->adjPower->chartFileName};
        case Tool::BootLine:
            break;
        }
        return {ui.oneKeyLineChartSave, ui.oneKeyLineChartOpen, w->oneKeyLine.get(),
                ui.oneKeyLineChart, &w->oneKeyLine->chartFileName};
    }
    QCPGraph *graph(Tool tool, int k) const { return parts(tool).state->graphs[k].data(); }

    void save(Tool tool, const QString &answer)
    {
        dialogs.saveAnswer = answer;
        parts(tool).save->click();
    }
    void open(Tool tool, const QString &answer)
    {
        dialogs.openAnswer = answer;
        parts(tool).open->click();
    }
    QStringList boxTexts() const { return boxes.hintTexts(); }
};

Series valuesOf(const QCPGraph *graph)
{
    Series values;
    for (const QCPGraphData &point : *graph->data())
        values << point.value;
    return values;
}

Series keysOf(const QCPGraph *graph)
{
    Series keys;
    for (const QCPGraphData &point : *graph->data())
        keys << point.key;
    return keys;
}

Series sampleNumbers(int count)
{
    Series keys;
    for (int i = 0; i < count; ++i)
        keys << i;
    return keys;
}

Series repeated(int count, double value)
{
    return Series(count, value);
}

QByteArray repeated(int count, const char *token)
{
    return QByteArray(token).repeated(count);
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(no file)");
}

bool writeContent(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Points as a chart would hold them, without the enough-data flag.
void fill(FilesBench &b, Tool tool, std::initializer_list<double> values, int times)
{
    LiveChartState &state = *b.parts(tool).state;
    for (int i = 0; i < times; ++i)
        appendSample(state, values);
}

const QByteArray kMeterFile =
    "vst,5.0120,5.0130,vend,cst,0.5000,0.2000,cend,pst,2.5060,1.0026,pend,";
const QByteArray kBootLineFile = "cst,0.500,1.235,cend,";

} // namespace

Q_DECLARE_METATYPE(Tool)

class ChartFileHandlersTest : public QObject {
    Q_OBJECT

    static void addToolRows()
    {
        QTest::addColumn<Tool>("tool");
        QTest::newRow("meter") << Tool::Meter;
        QTest::newRow("power supply") << Tool::PowerSupply;
        QTest::newRow("boot line") << Tool::BootLine;
    }

private slots:
    void cleanup() { sim::bus().reset(); }

    // Points alone (as loaded from a file) are not enough: only a recording
    // that passed 10 on the key axis may be saved.
    void saveWithoutEnoughDataIsRefused_data() { addToolRows(); }
    void saveWithoutEnoughDataIsRefused()
    {
        QFETCH(Tool, tool);
        FilesBench b;
        fill(b, tool, {1, 2, 3}, 20);
        b.save(tool, b.path("refused.cts"));
        QCOMPARE(b.boxTexts(), QStringList{QStringLiteral("数据不足，无法保存")});
        QVERIFY(b.dialogs.saves.isEmpty());
        QVERIFY(QDir(b.dir.path()).isEmpty());
    }

    void dialogsAskAsTheToolsDo_data() { addToolRows(); }
    void dialogsAskAsTheToolsDo()
    {
        QFETCH(Tool, tool);
        FilesBench b;
        fill(b, tool, {1, 2, 3}, 12);
        b.parts(tool).state->enoughData = true;
        b.save(tool, b.path("chart.cts"));
        QCOMPARE(b.dialogs.saves.size(), 1);
        QCOMPARE(b.dialogs.saves[0].parent, static_cast<QWidget *>(b.w.widget.get()));
        QCOMPARE(b.dialogs.saves[0].caption, QStringLiteral("保存图表"));
        QCOMPARE(b.dialogs.saves[0].directory, QString());
        QCOMPARE(b.dialogs.saves[0].filter, QStringLiteral("*.cts"));

        b.open(tool, b.path("chart.cts"));
        QCOMPARE(b.dialogs.opens.size(), 1);
        QCOMPARE(b.dialogs.opens[0].parent, static_cast<QWidget *>(b.w.widget.get()));
        QCOMPARE(b.dialogs.opens[0].caption, QStringLiteral("open"));
        QCOMPARE(b.dialogs.opens[0].directory, QStringLiteral("../"));
        QCOMPARE(b.dialogs.opens[0].filter, QStringLiteral("CTS(*.cts)"));
        QCOMPARE(*b.parts(tool).fileName, b.path("chart.cts"));
        QCOMPARE(b.boxTexts(), QStringList()); // success is not announced
    }

    // ---- round trips: recorded, saved, cleared, opened ---------------------

    void meterRoundTrip()
    {
        FilesBench b;
        auto meter = std::make_shared<sim::MeterModel>();
        sim::bus().attach(meter);
        b.w->discoverDevices(); // opens the meter and starts recording
        // 4000 x 1.25 mV = 5 V, 1250 x 0.48 mA = 0.6 A; then 5.005 V, 1.2 A.
        meter->setRawSamples(4000, 1250);
        for (int i = 0; i < 6; ++i)
            b.w.pollMeter();
        meter->setRawSamples(4004, 2500);
        while (!b.w->vcMeter->enoughData && b.graph(Tool::Meter, 0)->dataCount() < 100)
            b.w.pollMeter();
        const int later = b.graph(Tool::Meter, 0)->dataCount() - 6;
        QVERIFY(b.w->vcMeter->enoughData && later > 0);

        b.save(Tool::Meter, b.path("meter.cts"));
        QCOMPARE(contentOf(b.path("meter.cts")),
                 "vst," + repeated(6, "5.0000,") + repeated(later, "5.0050,") + "vend,cst," +
                     repeated(6, "0.6000,") + repeated(later, "1.2000,") + "cend,pst," +
                     repeated(6, "3.0000,") + repeated(later, "6.0060,") + "pend,");

        b.w.ui().vcMeterClrPushButton->click();
        b.w.ui().vcMeter_chartStart->click(); // pause, so only the file adds points
        b.open(Tool::Meter, b.path("meter.cts"));
        QCOMPARE(valuesOf(b.graph(Tool::Meter, 0)), repeated(6, 5.0) + repeated(later, 5.005));
        QCOMPARE(valuesOf(b.graph(Tool::Meter, 1)), repeated(6, 0.6) + repeated(later, 1.2));
        QCOMPARE(valuesOf(b.graph(Tool::Meter, 2)), repeated(6, 3.0) + repeated(later, 6.006));
        for (int k = 0; k < 3; ++k)
            QCOMPARE(keysOf(b.graph(Tool::Meter, k)), sampleNumbers(6 + later));
        QCOMPARE(b.boxTexts(), QStringList());
    }

    void powerSupplyRoundTrip()
    {
        FilesBench b;
        fill(b, Tool::PowerSupply, {12.34, 1.234, 15.2276}, 7);
        fill(b, Tool::PowerSupply, {5.0, 0.4996, 2.498}, 5);
        b.w->adjPower->enoughData = true; // as its poll sets it after 11 points

        b.save(Tool::PowerSupply, b.path("power.cts"));
        QCOMPARE(contentOf(b.path("power.cts")),
                 "vst," + repeated(7, "12.34,") + repeated(5, "5.00,") + "vend,cst," +
                     repeated(7, "1.234,") + repeated(5, "0.500,") + "cend,pst," +
                     repeated(7, "15.23,") + repeated(5, "2.50,") + "pend,");

        b.w.ui().adjPowChartClearButton->click();
        b.open(Tool::PowerSupply, b.path("power.cts"));
        QCOMPARE(valuesOf(b.graph(Tool::PowerSupply, 0)), repeated(7, 12.34) + repeated(5, 5.0));
        QCOMPARE(valuesOf(b.graph(Tool::PowerSupply, 1)), repeated(7, 1.234) + repeated(5, 0.5));
        QCOMPARE(valuesOf(b.graph(Tool::PowerSupply, 2)), repeated(7, 15.23) + repeated(5, 2.5));
        QCOMPARE(keysOf(b.graph(Tool::PowerSupply, 2)), sampleNumbers(12));
        QCOMPARE(b.boxTexts(), QStringList());
    }

    void bootLineRoundTrip()
    {
        FilesBench b;
        auto line = std::make_shared<sim::BootLineModel>();
        sim::bus().attach(line);
        b.w->discoverDevices();
        b.w.ui().ironToolButton->click();
        b.w.ui().oneKeyLineChartSwitch->click();
        line->setRaw(4000, 500, 500, 0);
        for (int i = 0; i < 5; ++i)
            b.w.pollBootLine();
        line->setRaw(4000, 1250, 1250, 3);
        for (int i = 0; i < 7; ++i)
            b.w.pollBootLine();
        QVERIFY(b.w->oneKeyLine->enoughData); // the twelfth point

        b.save(Tool::BootLine, b.path("line.cts"));
        QCOMPARE(contentOf(b.path("line.cts")),
                 "cst," + repeated(5, "0.500,") + repeated(7, "1.250,") + "cend,");

        b.w.ui().oneKeyLineChartSwitch->click(); // pause
        b.w.ui().oneKeyLineClearButton->click();
        b.open(Tool::BootLine, b.path("line.cts"));
        QCOMPARE(valuesOf(b.graph(Tool::BootLine, 0)), repeated(5, 0.5) + repeated(7, 1.25));
        QCOMPARE(keysOf(b.graph(Tool::BootLine, 0)), sampleNumbers(12));
        QVERIFY(!b.w->oneKeyLine->enoughData); // loaded points never raise it
        QCOMPARE(b.boxTexts(), QStringList());
    }

    void bootLineWritesThreeDecimals()
    {
        FilesBench b;
        fill(b, Tool::BootLine, {0.5}, 1);
        fill(b, Tool::BootLine, {1.2346}, 1);
        b.w->oneKeyLine->enoughData = true;
        b.save(Tool::BootLine, b.path("line.cts"));
        QCOMPARE(contentOf(b.path("line.cts")), QByteArray("cst,0.500,1.235,cend,"));
    }

    // ---- opening -----------------------------------------------------------

    void openingTwiceAppendsTwice()
    {
        FilesBench b;
        QVERIFY(writeContent(b.path("m.cts"), "vst,1,2,vend,cst,3,4,cend,pst,5,6,pend,"));
        QCustomPlot *chart = b.w.ui().Chart_Widget;
        chart->xAxis->setRange(-3, 40);
        const QCPRange valueRange = b.graph(Tool::Meter, 1)->valueAxis()->range();
        const bool recording = b.w->vcMeter->chartRunning;

        b.open(Tool::Meter, b.path("m.cts"));
        b.open(Tool::Meter, b.path("m.cts"));
        QCOMPARE(valuesOf(b.graph(Tool::Meter, 0)), (Series{1, 2, 1, 2}));
        QCOMPARE(valuesOf(b.graph(Tool::Meter, 1)), (Series{3, 4, 3, 4}));
        QCOMPARE(valuesOf(b.graph(Tool::Meter, 2)), (Series{5, 6, 5, 6}));
        for (int k = 0; k < 3; ++k)
            QCOMPARE(keysOf(b.graph(Tool::Meter, k)), (Series{0, 1, 2, 3}));
        // Axes, recording and the enough-data flag stay as they were.
        QCOMPARE(chart->xAxis->range().lower, -3.0);
        QCOMPARE(chart->xAxis->range().upper, 40.0);
        QCOMPARE(b.graph(Tool::Meter, 1)->valueAxis()->range(), valueRange);
        QCOMPARE(b.w->vcMeter->chartRunning, recording);
        QVERIFY(!b.w->vcMeter->enoughData);
        QCOMPARE(b.boxTexts(), QStringList());
    }

    void openingWhileRecordingContinuesTheKeys()
    {
        FilesBench b;
        auto line = std::make_shared<sim::BootLineModel>();
        sim::bus().attach(line);
        b.w->discoverDevices();
        b.w.ui().ironToolButton->click();
        b.w.ui().oneKeyLineChartSwitch->click();
        line->setRaw(4000, 500, 500, 0);
        for (int i = 0; i < 3; ++i)
            b.w.pollBootLine();
        QVERIFY(writeContent(b.path("l.cts"), "cst,7,8,cend,"));

        b.open(Tool::BootLine, b.path("l.cts"));
        QVERIFY(b.w->oneKeyLine->chartRunning);
        line->setRaw(4000, 250, 500, 1);
        b.w.pollBootLine();
        QCOMPARE(valuesOf(b.graph(Tool::BootLine, 0)), (Series{0.5, 0.5, 0.5, 7, 8, 0.25}));
        QCOMPARE(keysOf(b.graph(Tool::BootLine, 0)), sampleNumbers(6));
        QCOMPARE(b.w.ui().oneKeyLineChartSwitch->text(), QStringLiteral("暂停"));
    }

    // A file of one tool opens in another: each takes the series it knows.
    void filesOpenInOtherTools_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<Series>("voltages");
        QTest::addColumn<Series>("currents");
        QTest::addColumn<Series>("powers");
        QTest::newRow("meter file on the power supply")
            << kMeterFile << Tool::PowerSupply << Series{5.012, 5.013} << Series{0.5, 0.2}
            << Series{2.506, 1.0026};
        QTest::newRow("meter file on the boot line")
            << kMeterFile << Tool::BootLine << Series{} << Series{0.5, 0.2} << Series{};
        QTest::newRow("boot line file on the meter")
            << kBootLineFile << Tool::Meter << Series{} << Series{0.5, 1.235} << Series{};
        QTest::newRow("boot line file on the power supply")
            << kBootLineFile << Tool::PowerSupply << Series{} << Series{0.5, 1.235} << Series{};
    }
    void filesOpenInOtherTools()
    {
        QFETCH(QByteArray, file);
        QFETCH(Tool, tool);
        QFETCH(Series, voltages);
        QFETCH(Series, currents);
        QFETCH(Series, powers);
        FilesBench b;
        QVERIFY(writeContent(b.path("other.cts"), file));
        b.open(tool, b.path("other.cts"));
        if (tool == Tool::BootLine) {
            QCOMPARE(valuesOf(b.graph(tool, 0)), currents);
        } else {
            QCOMPARE(valuesOf(b.graph(tool, 0)), voltages);
            QCOMPARE(valuesOf(b.graph(tool, 1)), currents);
            QCOMPARE(valuesOf(b.graph(tool, 2)), powers);
        }
        QCOMPARE(b.boxTexts(), QStringList());
    }

    // A cancelled dialog too shows the failure; the chart keeps its points.
    void openFailuresShowTheMessage_data()
    {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<QString>("answer");
        QTest::newRow("cancelled, meter") << Tool::Meter << QString();
        QTest::newRow("cancelled, boot line") << Tool::BootLine << QString();
        QTest::newRow("missing file, power supply") << Tool::PowerSupply << "missing.cts";
    }
    void openFailuresShowTheMessage()
    {
        QFETCH(Tool, tool);
        QFETCH(QString, answer);
        FilesBench b;
        fill(b, tool, {1, 2, 3}, 4);
        const QString name = answer.isEmpty() ? answer : b.dir.filePath(answer);
        b.open(tool, name);
        QCOMPARE(b.boxTexts(), QStringList{QStringLiteral("文件打开失败")});
        QCOMPARE(*b.parts(tool).fileName, name);
        QCOMPARE(valuesOf(b.graph(tool, 0)), (Series{1, 1, 1, 1}));
    }

    // A file that was read is drawn at once, on its own tool's chart only,
    // once; a file that could not be opened leaves every chart undrawn.
    void openRedrawsTheChart_data()
    {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<QByteArray>("file"); // empty: no file of that name
        QTest::addColumn<int>("redraws");
        QTest::newRow("meter file on the meter") << Tool::Meter << kMeterFile << 1;
        QTest::newRow("meter file on the power supply") << Tool::PowerSupply << kMeterFile << 1;
        QTest::newRow("boot line file on the boot line") << Tool::BootLine << kBootLineFile << 1;
        QTest::newRow("a file without markers") << Tool::Meter << QByteArray("1,2,3,") << 1;
        QTest::newRow("missing file, power supply") << Tool::PowerSupply << QByteArray() << 0;
        QTest::newRow("missing file, boot line") << Tool::BootLine << QByteArray() << 0;
    }
    void openRedrawsTheChart()
    {
        QFETCH(Tool, tool);
        QFETCH(QByteArray, file);
        QFETCH(int, redraws);
        FilesBench b;
        if (!file.isEmpty())
            QVERIFY(writeContent(b.path("chart.cts"), file));
        QCoreApplication::processEvents(); // nothing left over from the start
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (Tool each : {Tool::Meter, Tool::PowerSupply, Tool::BootLine})
            spies.push_back(
                std::make_unique<QSignalSpy>(b.parts(each).chart, &QCustomPlot::afterReplot));
        b.open(tool, b.path("chart.cts"));
        for (Tool each : {Tool::Meter, Tool::PowerSupply, Tool::BootLine})
            QCOMPARE(spies[size_t(each)]->count(), each == tool ? redraws : 0);
        QCOMPARE(b.boxTexts().isEmpty(), redraws == 1);
    }

    void aFileWithoutMarkersAddsNothingAndCountsAsRead()
    {
        FilesBench b;
        QVERIFY(writeContent(b.path("plain.cts"), "1,2,3,4,"));
        b.open(Tool::Meter, b.path("plain.cts"));
        QCOMPARE(b.boxTexts(), QStringList());
        QCOMPARE(b.graph(Tool::Meter, 0)->dataCount(), 0);
    }

    // ---- saving failures ---------------------------------------------------

    void cancelledSaveShowsNothing()
    {
        FilesBench b;
        fill(b, Tool::Meter, {1, 2, 3}, 12);
        b.w->vcMeter->enoughData = true;
        b.save(Tool::Meter, QString());
        QCOMPARE(b.dialogs.saves.size(), 1);
        QCOMPARE(b.boxTexts(), QStringList());
        QVERIFY(QDir(b.dir.path()).isEmpty());
    }

    void unopenableTargetIsReported()
    {
        FilesBench b;
        fill(b, Tool::BootLine, {0.5}, 12);
        b.w->oneKeyLine->enoughData = true;
        b.save(Tool::BootLine, b.path("no/such/folder/line.cts"));
        QCOMPARE(b.boxTexts(), QStringList{QStringLiteral("文件打开失败")});
    }

    // A write that fails part way (the disk full) is reported and leaves the
    // file that was there as it was, with no partial file beside it.
    void failedWriteKeepsTheExistingFile()
    {
        FilesBench b;
        const QString target = b.path("kept.cts");
        const QByteArray previous = "vst,1,vend,cst,2,cend,pst,3,pend,";
        QVERIFY(writeContent(target, previous));
        fill(b, Tool::Meter, {5.0, 1.0, 5.0}, 3000); // about 63 kB
        b.w->vcMeter->enoughData = true;
        {
            FileSizeLimit limit(16 * 1024);
            QVERIFY(limit.ok());
            b.save(Tool::Meter, target);
        }
        QCOMPARE(b.boxTexts(), QStringList{QStringLiteral("文件打开失败")});
        QCOMPARE(contentOf(target), previous);
        QCOMPARE(QDir(b.dir.path()).entryList(QDir::Files),
                 QStringList{QStringLiteral("kept.cts")});

        // With room, the same save replaces the file.
        b.save(Tool::Meter, target);
        QCOMPARE(contentOf(target), "vst," + repeated(3000, "5.0000,") + "vend,cst," +
                                        repeated(3000, "1.0000,") + "cend,pst," +
                                        repeated(3000, "5.0000,") + "pend,");
        QCOMPARE(b.boxTexts().size(), 1);
    }
};

QTEST_MAIN(ChartFileHandlersTest)
#include "tst_chartfilehandlers.moc"
