// Measuring on the window's charts: the context menu's entries, the cursors
// on a live meter chart against the recording made of the same samples, a
// recording opened back into the chart and measured against its own
// columns, refused files, copying the readout, exporting the span between
// the cursors and the time axis.
#include "charts/livechart.h"
#include "charts/measurecursors.h"
#include "tests/support/testbench.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using Tool = Widget::Tool;

namespace {

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

QAction *actionOf(QMenu *menu, const QString &text)
{
    for (QAction *action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

// Runs the chart menu's entry, as a click on it does.
bool choose(const testbench::Window &w, Tool tool, const QString &text)
{
    QMenu *menu = w->chartMenu(tool);
    QAction *action = actionOf(menu, text);
    const bool enabled = action && action->isEnabled();
    if (enabled)
        action->trigger();
    delete menu;
    return enabled;
}

bool within(double value, double expected, double relative)
{
    return std::fabs(value - expected) <= relative * std::fabs(expected);
}

// The meter's cells of a recording's last sample line.
QList<QByteArray> lastSampleOf(const QByteArray &file)
{
    QList<QByteArray> lines = file.trimmed().split('\n');
    while (!lines.isEmpty() && lines.last().endsWith("disconnected"))
        lines.removeLast();
    return lines.isEmpty() ? QList<QByteArray>() : lines.last().split(',');
}

} // namespace

class MeasureTest : public QObject {
    Q_OBJECT
private slots:
    void theMenuOffersMeasuring()
    {
        testbench::Window w = testbench::makeWindow();
        QMenu *menu = w->chartMenu(Tool::Meter);
        for (const char *text : {"测量", "复制测量", "时间轴", "打开记录…"})
            QVERIFY2(actionOf(menu, QString::fromUtf8(text)), text);
        // Nothing to measure on an empty chart, nothing to copy without cursors.
        QVERIFY(!actionOf(menu, QStringLiteral("测量"))->isEnabled());
        QVERIFY(!actionOf(menu, QStringLiteral("复制测量"))->isEnabled());
        delete menu;

        for (int i = 0; i < 20; ++i)
            appendSample(*w->vcMeter, 1000000 + i * 50000LL, {5.0, 1.0, 5.0});
        QVERIFY(choose(w, Tool::Meter, QStringLiteral("测量")));
        MeasureCursors *cursors = w->measureCursors(Tool::Meter);
        QVERIFY(cursors);
        QVERIFY(choose(w, Tool::Meter, QStringLiteral("复制测量")));
        const QString copied = QGuiApplication::clipboard()->text();
        QCOMPARE(copied, cursors->readout().clipboardText());
        QVERIFY(copied.contains(QStringLiteral("样本\t")));
        QVERIFY(copied.contains(QStringLiteral("电荷\t")));

        QVERIFY(choose(w, Tool::Meter, QStringLiteral("时间轴")));
        QVERIFY(w->showsTimeAxis(Tool::Meter));
        QVERIFY(choose(w, Tool::Meter, QStringLiteral("时间轴")));
        QVERIFY(!w->showsTimeAxis(Tool::Meter)); // sample numbers again

        QVERIFY(choose(w, Tool::Meter, QStringLiteral("测量"))); // again: removed
        QVERIFY(!w->measureCursors(Tool::Meter));
    }

    // "Export CSV…" with the cursors shown offers the span between them
    // first; the span keeps its sample numbers.
    void exportingTheSpanBetweenTheCursors()
    {
        testbench::Window w = testbench::makeWindow();
        QTemporaryDir dir;
        for (int i = 0; i < 10; ++i)
            appendSample(*w->vcMeter, 1000000 + i * 50000LL, {5.0, 0.1 * i, 0.5 * i});
        QVERIFY(w->toggleMeasure(Tool::Meter));
        w->measureCursors(Tool::Meter)->setIndex(0, 6);
        w->measureCursors(Tool::Meter)->setIndex(1, 4);
        QStringList offered;
        w->fileDialogs.saveFileNameAndFilter = [&](QWidget *, const QString &, const QString &,
                                                   const QString &filters, QString *) {
            offered = filters.split(QStringLiteral(";;"));
            return dir.filePath(QStringLiteral("span.csv"));
        };
        QVERIFY(choose(w, Tool::Meter, QStringLiteral("导出 CSV…")));
        QCOMPARE(offered, (QStringList{QStringLiteral("CSV 文件，光标之间 (*.csv)"),
                                       QStringLiteral("CSV 文件 (*.csv)")}));
        QCOMPARE(contentOf(dir.filePath(QStringLiteral("span.csv"))),
                 QByteArray("sample,voltage_V,current_A,power_W\n"
                            "4,5,0.4,2\n"
                            "5,5,0.5,2.5\n"
                            "6,5,0.6000000000000001,3\n"));
    }

    // The meter charted and recorded at once, unplugged and plugged in on
    // the way: the cursors over the whole chart read the recording's own
    // charge and energy (counted from its first sample, nothing over the
    // gap) within 0.1 %. Then the recording, opened into another window's
    // chart, reads the same, with its times and its gap.
    void aRecordingAndTheChartAgree()
    {
        testbench::ModalCloser boxes;
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("meter.csv"));
        testbench::Window w = testbench::makeWindow();
        auto meter = std::make_shared<sim::MeterModel>();
        meter->setRawSamples(4000, 2083); // 5 V, 0.99984 A
        int id = sim::bus().attach(meter);
        w->discoverDevices();
        QVERIFY(w->vcMeter->chartRunning);
        QVERIFY(w->startRecording(Tool::Meter, file));
        auto pollFor = [&](int polls) {
            for (int i = 0; i < polls; ++i) {
                QTest::qWait(20);
                w.pollMeter();
            }
        };
        pollFor(40);
        sim::bus().detach(id);
        w->discoverDevices();
        w.pollMeter(); // the chart stops: no meter
        QTest::qWait(300);
        id = sim::bus().attach(meter);
        w->discoverDevices(); // charting again
        QVERIFY(w->vcMeter->chartRunning);
        pollFor(40);
        w->stopRecording(Tool::Meter);

        const QByteArray recorded = contentOf(file);
        QCOMPARE(recorded.count("disconnected"), 1);
        const QList<QByteArray> last = lastSampleOf(recorded);
        QCOMPARE(last.size(), 12);
        const double chargeMah = last[9].toDouble();
        const double energyMwh = last[10].toDouble();
        const qint64 sampleLines = recorded.count('\n') - 2;
        QCOMPARE(w->vcMeter->series.count(), sampleLines);
        QVERIFY(chargeMah > 0.015);

        QVERIFY(w->toggleMeasure(Tool::Meter));
        MeasureCursors *live = w->measureCursors(Tool::Meter);
        live->setIndex(0, 0);
        live->setIndex(1, sampleLines - 1);
        QCOMPARE(live->measurement().samples(), sampleLines);
        QCOMPARE(live->measurement().gaps(), qint64(1));
        QVERIFY2(within(live->measurement().chargeMah(), chargeMah, 1e-3),
                 qPrintable(QStringLiteral("%1 against %2")
                                .arg(live->measurement().chargeMah())
                                .arg(chargeMah)));
        QVERIFY(within(live->measurement().energyMwh(), energyMwh, 1e-3));

        // Reopened: a point per line, the gap a point without a value.
        testbench::Window second = testbench::makeWindow();
        second->fileDialogs.openFileName = [&](QWidget *, const QString &, const QString &,
                                               const QString &) { return file; };
        appendSample(*second->vcMeter, {1.0, 2.0, 3.0}); // replaced by the recording
        QVERIFY(choose(second, Tool::Meter, QStringLiteral("打开记录…")));
        QVERIFY(boxes.texts().size() <= 1); // the unplugged chart's box alone
        const LiveChartState &opened = *second->vcMeter;
        QCOMPARE(opened.series.count(), sampleLines + 1);
        QCOMPARE(qint64(opened.graphs[1]->dataCount()), sampleLines + 1);
        int gapPoints = 0;
        for (qint64 i = 0; i < opened.series.count(); ++i) {
            if (opened.series.isGapPoint(i)) {
                ++gapPoints;
                QVERIFY(std::isnan((opened.graphs[0]->data()->constBegin() + int(i))->value));
            }
        }
        QCOMPARE(gapPoints, 1);
        QVERIFY(!opened.series.isNominal(0));
        // Times as the file has them.
        const QList<QByteArray> first = recorded.split('\n')[1].split(',');
        QCOMPARE(opened.series.timeUs(0), qint64(std::llround(first[1].toDouble() * 1e6)));
        QCOMPARE(opened.series.timeUs(opened.series.count() - 1),
                 qint64(std::llround(last[1].toDouble() * 1e6)));
        QVERIFY(second->toggleMeasure(Tool::Meter));
        MeasureCursors *reopened = second->measureCursors(Tool::Meter);
        reopened->setIndex(0, 0);
        reopened->setIndex(1, opened.series.count() - 1);
        QCOMPARE(reopened->measurement().samples(), sampleLines);
        QVERIFY(within(reopened->measurement().chargeMah(), chargeMah, 1e-3));
        QVERIFY(within(reopened->measurement().energyMwh(), energyMwh, 1e-3));
        QVERIFY(!second->vcMeter->chartRunning);
    }

    void refusedRecordingsLeaveTheChartAsItWas_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QByteArray header = "time_utc,elapsed_s,voltage_V,current_A,power_W,dplus_V,dminus_V,"
                                  "cc1_V,cc2_V,charge_mAh,energy_mWh,event\n";
        const QByteArray line = "2024-05-01T12:00:00.000Z,0.050,5.00000,1.00000,5.00000,0.6000,"
                                "0.6000,1.6000,0.0000,0.0000,0.0000,\n";
        QTest::newRow("the power supply's")
            << QByteArray(
                   "time_utc,elapsed_s,voltage_V,current_A,power_W,set_voltage_V,"
                   "set_current_A,preset,output,mode,event\n"
                   "2024-05-01T12:00:00.048Z,0.048,12.00,0.600,7.20000,12.00,1.000,4,1,CV,\n")
            << "%1 是可调电源的记录，请在可调电源的图表上打开。";
        QTest::newRow("damaged on line 3")
            << QByteArray(header + line + QByteArray(line).replace("1.00000", "x") + line)
            << "%1 已损坏（第 3 行），未载入任何数据。";
        QTest::newRow("a chart data file")
            << QByteArray("vst,5.0,vend,cst,1.0,cend,pst,5.0,pend,") << "%1 不是记录文件。";
        QTest::newRow("no such file") << QByteArray() << "文件打开失败";
    }
    void refusedRecordingsLeaveTheChartAsItWas()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        testbench::ModalCloser boxes;
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("other.csv"));
        if (!bytes.isEmpty())
            write(file, bytes);
        testbench::Window w = testbench::makeWindow();
        for (int i = 0; i < 5; ++i)
            appendSample(*w->vcMeter, 1000000 + i * 50000LL, {5.0, 2.0, 10.0});
        QVERIFY(!w->openRecording(Tool::Meter, file));
        QCOMPARE(boxes.texts(), QStringList{message.arg(file)});
        QCOMPARE(w->vcMeter->graphs[1]->dataCount(), 5);
        QCOMPARE(w->vcMeter->series.count(), qint64(5));
        QCOMPARE((w->vcMeter->graphs[1]->data()->constEnd() - 1)->value, 2.0);
    }

    // A chart data file's samples take the meter's rate: their times are
    // nominal.
    void aChartDataFileMeasuresWithNominalTimes()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("chart.cts"));
        write(file, "vst,5.0000,5.0000,5.0000,vend,cst,1.0000,1.0000,1.0000,cend,"
                    "pst,5.0000,5.0000,5.0000,pend,");
        testbench::Window w = testbench::makeWindow();
        w.ui().vcMeter_fpsComboBox->setCurrentIndex(6); // 100 Sa/s
        w->fileDialogs.openFileName = [&](QWidget *, const QString &, const QString &,
                                          const QString &) { return file; };
        w.ui().vcMeterChartOpenButton->click();
        QCOMPARE(w->vcMeter->series.count(), qint64(3));
        QVERIFY(w->toggleMeasure(Tool::Meter));
        MeasureCursors *cursors = w->measureCursors(Tool::Meter);
        cursors->setIndex(0, 0);
        cursors->setIndex(1, 2);
        QCOMPARE(cursors->readout().rows[1].cells.value(1), QStringLiteral("≈0.020 s"));
        QVERIFY(within(cursors->measurement().chargeMah(), 0.02 / 3.6, 1e-9));
    }
};

QTEST_MAIN(MeasureTest)
#include "tst_measure.moc"
