// Recording to CSV files and the chart context menu through the real window
// on the simulated bench: the menu on a right click, recording from it with
// the file dialog answered here, known simulator answers as lines, polls that
// go on while a recording tool's page is hidden (and only then), a supply
// that is only read meanwhile, gap lines on unplugging, a full disk and a
// removed file, several tools at once, and the image and CSV exports.
#include "tests/support/filesizelimit.h"
#include "charts/livechart.h"
#include "recording/toolrecording.h"
#include "tests/support/pictures.h"
#include "tests/support/testbench.h"

#include <QContextMenuEvent>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using testbench::makeWindow;
using Tool = Widget::Tool;

Q_DECLARE_METATYPE(Tool)

using testbench::FileSizeLimit;

namespace {

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(no file)");
}

QByteArrayList linesOf(const QString &path)
{
    QByteArrayList lines = contentOf(path).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The window on a fresh simulated bench: meter, power supply and boot line
// with fixed answers, discovered; file dialogs answered here, message boxes
// closed and recorded.
struct RecordingBench {
    testbench::Window w = makeWindow();
    testbench::ModalCloser boxes;
    QTemporaryDir dir;
    std::shared_ptr<sim::MeterModel> meter = std::make_shared<sim::MeterModel>();
    std::shared_ptr<sim::PowerSupplyModel> supply = std::make_shared<sim::PowerSupplyModel>();
    std::shared_ptr<sim::BootLineModel> bootLine = std::make_shared<sim::BootLineModel>();
    int ids[3] = {-1, -1, -1};
    QString saveAnswer;
    QStringList captions;
    QStringList filters;

    RecordingBench()
    {
        // Raw 4000 and 2083: 5.00000 V and 0.99984 A; lines 0.6002, 0.6002,
        // 1.6677 and 0.0040 V.
        meter->setRawSamples(4000, 2083);
        meter->setRawLines(745, 745, 2070, 5);
        // M4 (12.00 V, 1.000 A) with the output on into 20 ohm: 0.600 A, CV.
        supply->setLoad(20.0);
        supply->setSelectedPreset(4);
        supply->setOutput(true);
        bootLine->setRaw(12345, 500, 1235, 65535);
        ids[int(Tool::Meter)] = sim::bus().attach(meter);
        ids[int(Tool::PowerSupply)] = sim::bus().attach(supply);
        ids[int(Tool::BootLine)] = sim::bus().attach(bootLine);
        w->fileDialogs.saveFileName = [this](QWidget *, const QString &caption, const QString &,
                                             const QString &filter) {
            captions << caption;
            filters << filter;
            return saveAnswer;
        };
        w->discoverDevices();
    }

    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
    recording::ToolRecording &recording(Tool tool) const { return *w->recordings[int(tool)]; }

    void show(int page) const
    {
        w->toolButtons()[page]->click();
        QCOMPARE(w.ui().toolsStackedWidget->currentIndex(), page);
    }
    void poll(Tool tool, int times = 1) const
    {
        // The tools' polls, as their timers run them.
        const char *const polls[] = {"vcMeterTimerSlot", "adjPowerChartProcess",
                                     "oneKeyLineChartProcess"};
        for (int i = 0; i < times; ++i)
            w.invoke(polls[int(tool)]);
    }
    int requests(Tool tool) const
    {
        switch (tool) {
        case Tool::Meter:
            return meter->requestCount();
        case Tool::PowerSupply:
            return supply->requestCount();
        case Tool::BootLine:
            break;
        }
        return bootLine->requestCount();
    }
    void attach(Tool tool)
    {
        std::shared_ptr<sim::DeviceModel> models[] = {meter, supply, bootLine};
        ids[int(tool)] = sim::bus().attach(models[int(tool)]);
    }

    // The menu a right click on the tool's chart opens.
    QMenu *rightClick(Tool tool) const
    {
        QCustomPlot *chart = w->chartOf(tool);
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20),
                                chart->mapToGlobal(QPoint(20, 20)));
        QCoreApplication::sendEvent(chart, &event);
        return qobject_cast<QMenu *>(QApplication::activePopupWidget());
    }
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
    QByteArrayList lines(Tool tool) const
    {
        recording(tool).flushAndWait();
        return linesOf(recording(tool).fileName());
    }
    QStringList boxTexts() const { return boxes.texts(); }
};

void addToolRows()
{
    QTest::addColumn<Tool>("tool");
    QTest::newRow("meter") << Tool::Meter;
    QTest::newRow("power supply") << Tool::PowerSupply;
    QTest::newRow("boot line") << Tool::BootLine;
}

// Pages of toolsStackedWidget: the tool's own, and one showing nothing.
constexpr int kOtherPage = 4;

// The values of a sample line of each tool on the bench, after the times.
QByteArray benchValues(Tool tool)
{
    switch (tool) {
    case Tool::Meter:
        return "5.00000,0.99984,4.99920,0.6002,0.6002,1.6677,0.0040,";
    case Tool::PowerSupply:
        return "12.00,0.600,7.20000,12.00,1.000,4,1,CV,";
    case Tool::BootLine:
        break;
    }
    return "12.345,0.500,1.235,6553.5,0,";
}

// The lines' seconds since the start, in milliseconds.
QList<qint64> elapsedMs(const QByteArrayList &lines)
{
    QList<qint64> ms;
    for (int i = 1; i < lines.size(); ++i)
        ms << qRound64(lines[i].split(',').value(1).toDouble() * 1000);
    return ms;
}

} // namespace

class RecordingTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { sim::bus().reset(); }

    void rightClickOpensTheMenu_data() { addToolRows(); }
    void rightClickOpensTheMenu()
    {
        QFETCH(Tool, tool);
        RecordingBench b;
        QMenu *menu = b.rightClick(tool);
        QVERIFY(menu);
        QStringList texts;
        QList<bool> enabled;
        for (QAction *action : menu->actions()) {
            texts << (action->isSeparator() ? QStringLiteral("|") : action->text());
            enabled << action->isEnabled();
        }
        menu->close();
        // Then measuring (tests/app/tst_measure.cpp): nothing to measure or
        // copy on an empty chart. The meter and the power supply also offer
        // their stop conditions.
        QStringList expected = {"记录到文件…", "停止记录", "|",        "导出图片…", "导出 CSV…",
                                "|",           "测量",     "复制测量", "时间轴",    "打开记录…"};
        QList<bool> expectedEnabled = {true, false, true,  true, true,
                                       true, false, false, true, true};
        if (tool != Tool::BootLine) {
            expected.insert(2, "停止条件…");
            expectedEnabled.insert(2, true);
        }
        if (tool == Tool::BootLine) {
            // The boot check's entries follow (tests/tools/bootline/tst_bootcheck.cpp).
            expected << "|"
                     << "参考…"
                     << "保存为参考…"
                     << "由多次采集生成…"
                     << "参考库…"
                     << "结束采集"
                     << "检查图表数据"
                     << "打开记录并检查…";
            expectedEnabled << true << true << false << false << true << false << false << false;
        }
        QCOMPARE(texts, expected);
        QCOMPARE(enabled, expectedEnabled);

        // While recording, only stopping is offered of the two.
        QVERIFY(b.w->startRecording(tool, b.path("a.csv")));
        menu = b.rightClick(tool);
        QVERIFY(menu);
        QCOMPARE(menu->actions()[0]->isEnabled(), false);
        QCOMPARE(menu->actions()[1]->isEnabled(), true);
        menu->close();
    }

    void menuTranslates()
    {
        RecordingBench b;
        QTranslator english;
        QVERIFY(english.load(QStringLiteral(":/i18n/QUORVALINE_en_US")));
        QCoreApplication::installTranslator(&english);
        QMenu *menu = b.w->chartMenu(Tool::Meter);
        QStringList texts;
        for (QAction *action : menu->actions())
            texts << action->text();
        menu->close();
        QCoreApplication::removeTranslator(&english);
        QCOMPARE(texts, QStringList({"Record to file…", "Stop recording", "Stop conditions…", "",
                                     "Export image…", "Export CSV…", "", "Measure",
                                     "Copy measurement", "Time axis", "Open recording…"}));
    }

    // From the menu: the dialog asks for a CSV file (".csv" is added to a
    // name without ending), every accepted answer becomes a line with the
    // simulator's values, "Stop recording" ends it.
    void recordsFromTheMenu_data() { addToolRows(); }
    void recordsFromTheMenu()
    {
        QFETCH(Tool, tool);
        RecordingBench b;
        b.show(int(tool));
        b.saveAnswer = b.path("log");
        QVERIFY(b.choose(tool, QStringLiteral("记录到文件…")));
        QCOMPARE(b.captions, QStringList{QStringLiteral("记录到文件…")});
        QCOMPARE(b.filters, QStringList{QStringLiteral("CSV 文件 (*.csv)")});
        QVERIFY(b.w->recordsToDisk(tool));
        QCOMPARE(b.recording(tool).fileName(), b.path("log.csv"));

        b.poll(tool, 3);
        QVERIFY(b.choose(tool, QStringLiteral("停止记录")));
        QVERIFY(!b.w->recordsToDisk(tool));
        b.poll(tool, 2);

        const QByteArrayList lines = linesOf(b.path("log.csv"));
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[0].startsWith("time_utc,elapsed_s,"));
        const QRegularExpression times(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z,\\d+\\.\\d{3},"));
        for (int i = 1; i < lines.size(); ++i) {
            QVERIFY2(times.match(QString::fromLatin1(lines[i])).hasMatch(), lines[i].constData());
            const QByteArray values = lines[i].mid(lines[i].indexOf(',', 25) + 1);
            if (tool == Tool::Meter) // then the counted charge and energy
                QVERIFY2(values.startsWith(benchValues(tool)), values.constData());
            else
                QCOMPARE(values, benchValues(tool));
        }
        QVERIFY(b.boxes.boxes.isEmpty());
    }

    // A hidden page's tool is polled only while it records to disk; its chart
    // keeps taking samples but is not scrolled until its page is shown.
    void hiddenPageIsPolledOnlyWhileRecording_data() { addToolRows(); }
    void hiddenPageIsPolledOnlyWhileRecording()
    {
        QFETCH(Tool, tool);
        RecordingBench b;
        b.show(int(tool));
        if (tool == Tool::BootLine)
            b.w.ui().oneKeyLineChartSwitch->click(); // its chart is off at first
        b.poll(tool, 12);
        const LiveChartState *states[] = {b.w->vcMeter.get(), b.w->adjPower.get(),
                                          b.w->oneKeyLine.get()};
        const LiveChartState &state = *states[int(tool)];
        QVERIFY(state.chartRunning);
        QCOMPARE(state.graphs[0]->dataCount(), 12);

        b.show(kOtherPage);
        const int before = b.requests(tool);
        b.poll(tool, 5);
        QCOMPARE(b.requests(tool), before); // the page guard as ever

        QVERIFY(b.w->startRecording(tool, b.path("a.csv")));
        const QCPRange range = b.w->chartOf(tool)->xAxis->range();
        b.poll(tool, 5);
        QCOMPARE(b.requests(tool), before + 5);
        QCOMPARE(b.lines(tool).size(), 1 + 5);
        QCOMPARE(state.graphs[0]->dataCount(), 17);
        QCOMPARE(b.w->chartOf(tool)->xAxis->range(), range);

        b.show(int(tool));
        b.poll(tool);
        QCOMPARE(b.w->chartOf(tool)->xAxis->range().upper, 17.0); // the newest sample, key 17
        b.w->stopRecording(tool);
        b.show(kOtherPage);
        b.poll(tool, 3);
        QCOMPARE(b.requests(tool), before + 6);
    }

    // While its page is hidden the supply is only read: the requests carry
    // no settings, so nothing on the bench can change meanwhile. Back on the
    // page, its settings are taken over first and then applied again.
    void hiddenSupplyIsOnlyRead()
    {
        RecordingBench b;
        const int id = b.ids[int(Tool::PowerSupply)];
        b.show(int(Tool::PowerSupply));
        b.poll(Tool::PowerSupply, 3); // takes over, then applies
        QCOMPARE(int(sim::bus().lastWrite(id)[1]), 7);
        QVERIFY(b.w->startRecording(Tool::PowerSupply, b.path("a.csv")));

        b.show(kOtherPage);
        sim::bus().clearWrites(id);
        const int applied = b.supply->applyCount();
        b.poll(Tool::PowerSupply, 6);
        const std::vector<std::vector<std::uint8_t>> writes = sim::bus().writes(id);
        QCOMPARE(int(writes.size()), 6);
        for (const std::vector<std::uint8_t> &request : writes)
            QCOMPARE(int(request[1]), 6);
        QCOMPARE(b.supply->applyCount(), applied);
        QCOMPARE(b.lines(Tool::PowerSupply).size(), 1 + 6);

        b.show(int(Tool::PowerSupply));
        sim::bus().clearWrites(id);
        b.poll(Tool::PowerSupply, 2);
        const std::vector<std::vector<std::uint8_t>> back = sim::bus().writes(id);
        QCOMPARE(int(back[0][1]), 6);
        QCOMPARE(int(back[1][1]), 7);
    }

    // Unplugged: a gap line at the time discovery notices, the status says
    // so; plugged in again: lines go on in the same file, the meter's charge
    // and energy from where they were.
    void unplugMarksAGapAndReplugResumes_data() { addToolRows(); }
    void unplugMarksAGapAndReplugResumes()
    {
        QFETCH(Tool, tool);
        RecordingBench b;
        b.show(int(tool));
        QVERIFY(b.w->startRecording(tool, b.path("a.csv")));
        for (int i = 0; i < 3; ++i) {
            QTest::qWait(30);
            b.poll(tool);
        }
        QLabel *status = b.w->recordingLabels[int(tool)];
        b.w->showRecordingStatus(tool);
        QCOMPARE(status->text(), QStringLiteral("● 记录中\n3 行"));

        sim::bus().detach(b.ids[int(tool)]);
        b.poll(tool); // the read fails: nothing
        b.w->discoverDevices();
        QCOMPARE(status->text(), QStringLiteral("● 记录中\n等待仪器"));
        b.w->discoverDevices(); // still away: no second gap line
        b.poll(tool, 2);

        b.attach(tool);
        b.w->discoverDevices();
        for (int i = 0; i < 3; ++i) {
            QTest::qWait(30);
            b.poll(tool);
        }
        b.w->stopRecording(tool);
        QVERIFY(b.boxes.boxes.isEmpty());

        const QByteArrayList lines = linesOf(b.path("a.csv"));
        QCOMPARE(lines.size(), 1 + 3 + 1 + 3);
        QVERIFY2(lines[4].endsWith(",disconnected"), lines[4].constData());
        QCOMPARE(lines[4].count(','), lines[0].count(','));
        for (int i : {1, 2, 3, 5, 6, 7})
            QVERIFY2(lines[i].contains(benchValues(tool)), lines[i].constData());
        const QList<qint64> ms = elapsedMs(lines);
        for (int i = 1; i < ms.size(); ++i)
            QVERIFY(ms[i] >= ms[i - 1]);

        if (tool == Tool::Meter) {
            // Charge: nothing counted over the gap, then on from there.
            auto charge = [&lines](int i) { return lines[i].split(',')[9].toDouble(); };
            QVERIFY(charge(3) > 0);
            QCOMPARE(charge(5), charge(3));
            QVERIFY(charge(7) > charge(5));
        }
    }

    // The meter's samples of one report 10 ms apart at 100 Sa/s, every time
    // later than the one before, the UTC time and the seconds since the
    // start telling the same.
    void timeStampsAreMonotonicAndSpreadByRate()
    {
        RecordingBench b;
        b.w.ui().vcMeter_fpsComboBox->setCurrentIndex(6); // 100 Sa/s
        QVERIFY(b.w->startRecording(Tool::Meter, b.path("a.csv")));
        for (int i = 0; i < 4; ++i) {
            QTest::qWait(60); // more than a report's five samples take
            b.poll(Tool::Meter);
        }
        const QByteArrayList lines = b.lines(Tool::Meter);
        QCOMPARE(lines.size(), 1 + 20);
        const QList<qint64> ms = elapsedMs(lines);
        for (int i = 1; i < ms.size(); ++i) {
            QVERIFY2(ms[i] > ms[i - 1], qPrintable(QString::number(i)));
            if (i % 5 != 0)
                QCOMPARE(ms[i] - ms[i - 1], qint64(10));
        }
        auto utc = [&lines](int i) {
            return QDateTime::fromString(QString::fromLatin1(lines[i].split(',')[0]),
                                         Qt::ISODateWithMs)
                .toMSecsSinceEpoch();
        };
        for (int i = 2; i <= 20; ++i)
            QCOMPARE(utc(i) - utc(1), ms[i - 1] - ms[0]);
    }

    // A full disk stops the recording with the message; the chart goes on;
    // the file keeps everything written before and ends with a whole line.
    void fullDiskStopsTheRecording()
    {
        RecordingBench b;
        b.w.ui().vcMeter_fpsComboBox->setCurrentIndex(6);
        QVERIFY(b.w->startRecording(Tool::Meter, b.path("a.csv")));
        b.poll(Tool::Meter, 4);
        b.recording(Tool::Meter).flushAndWait();
        const QByteArray before = contentOf(b.path("a.csv"));
        QCOMPARE(before.count('\n'), 1 + 20);
        {
            FileSizeLimit limit(rlim_t(before.size() + 300));
            QVERIFY(limit.ok());
            b.poll(Tool::Meter, 10);
            b.recording(Tool::Meter).flushAndWait();
        }
        QTRY_COMPARE(b.boxes.boxes.size(), 1);
        const QString text = b.boxTexts()[0];
        QVERIFY2(text.startsWith(QStringLiteral("记录已停止：无法写入 ") + b.path("a.csv")),
                 qPrintable(text));
        QVERIFY(text.endsWith(QStringLiteral("此前记录的数据都保留在文件中。")));
        QVERIFY(!b.w->recordsToDisk(Tool::Meter));
        QCOMPARE(b.w->recordingLabels[int(Tool::Meter)]->text(), QStringLiteral("记录已停止"));

        const QByteArray after = contentOf(b.path("a.csv"));
        QVERIFY(after.startsWith(before));
        QVERIFY(after.endsWith('\n'));
        QVERIFY(after.size() <= before.size() + 300);
        for (const QByteArray &line : linesOf(b.path("a.csv")))
            QCOMPARE(line.count(','), 11);

        const int stored = b.w->vcMeter->graphs[0]->dataCount();
        b.poll(Tool::Meter, 2);
        QCOMPARE(b.w->vcMeter->graphs[0]->dataCount(), stored + 10);
        QCOMPARE(contentOf(b.path("a.csv")), after);
    }

    void removedFileStopsTheRecording()
    {
        RecordingBench b;
        QVERIFY(b.w->startRecording(Tool::BootLine, b.path("a.csv")));
        b.poll(Tool::BootLine, 3);
        b.recording(Tool::BootLine).flushAndWait();
        QVERIFY(QFile::remove(b.path("a.csv")));
        b.poll(Tool::BootLine, 3);
        b.recording(Tool::BootLine).flushAndWait();
        QTRY_COMPARE(b.boxes.boxes.size(), 1);
        QCOMPARE(b.boxTexts()[0],
                 QStringLiteral("记录已停止：文件 %1 已被删除或移走。").arg(b.path("a.csv")));
        QVERIFY(!b.w->recordsToDisk(Tool::BootLine));
    }

    void fileThatCannotBeCreated()
    {
        RecordingBench b;
        const QString name = b.path("missing/a.csv");
        QVERIFY(!b.w->startRecording(Tool::Meter, name));
        QCOMPARE(b.boxes.boxes.size(), 1);
        QVERIFY2(b.boxTexts()[0].startsWith(QStringLiteral("无法创建记录文件 %1：").arg(name)),
                 qPrintable(b.boxTexts()[0]));
        QVERIFY(b.boxes.boxes[0].parentIsWindow);
        QVERIFY(!b.w->recordsToDisk(Tool::Meter));
        QVERIFY(b.w->recordingLabels[int(Tool::Meter)]->text().isEmpty());
        QVERIFY(b.w->recordingLabels[int(Tool::Meter)]->isHidden());
    }

    // One file records one instrument.
    void oneFileForOneTool()
    {
        RecordingBench b;
        QVERIFY(b.w->startRecording(Tool::Meter, b.path("a.csv")));
        QVERIFY(!b.w->startRecording(Tool::BootLine, b.path("./a.csv")));
        QCOMPARE(
            b.boxTexts(),
            QStringList{QStringLiteral("该文件正在记录另一台仪器：%1").arg(b.path("./a.csv"))});
        QVERIFY(b.w->recordsToDisk(Tool::Meter));
        QVERIFY(!b.w->recordsToDisk(Tool::BootLine));
        QVERIFY(b.w->startRecording(Tool::BootLine, b.path("b.csv")));
    }

    // The program ends while recording: what was taken goes to the file.
    void endingTheProgramWritesTheRest()
    {
        RecordingBench b;
        QVERIFY(b.w->startRecording(Tool::BootLine, b.path("a.csv")));
        b.poll(Tool::BootLine, 7);
        b.w.widget.reset();
        QCOMPARE(linesOf(b.path("a.csv")).size(), 1 + 7);
    }

    // The three at once, the meter page shown: each its own file.
    void allThreeAtOnce()
    {
        RecordingBench b;
        const char *names[] = {"meter.csv", "power.csv", "bootline.csv"};
        // Each file's header, written out.
        const char *const headers[] = {
            "time_utc,elapsed_s,voltage_V,current_A,power_W,dplus_V,dminus_V,cc1_V,cc2_V,"
            "charge_mAh,energy_mWh,event",
            "time_utc,elapsed_s,voltage_V,current_A,power_W,set_voltage_V,set_current_A,preset,"
            "output,mode,event",
            "time_utc,elapsed_s,voltage_V,current_A,peak_current_A,device_time_s,trigger,event"};
        for (Tool tool : {Tool::Meter, Tool::PowerSupply, Tool::BootLine})
            QVERIFY(b.w->startRecording(tool, b.path(names[int(tool)])));
        for (int round = 0; round < 4; ++round) {
            for (Tool tool : {Tool::Meter, Tool::PowerSupply, Tool::BootLine})
                b.poll(tool);
        }
        for (Tool tool : {Tool::Meter, Tool::PowerSupply, Tool::BootLine}) {
            const QByteArrayList lines = b.lines(tool);
            QCOMPARE(lines.size(), 1 + 4);
            QCOMPARE(lines[0], QByteArray(headers[int(tool)]));
            QVERIFY2(lines[4].contains(benchValues(tool)), lines[4].constData());
        }
    }

    void exportImage_data()
    {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("pdf");
        QTest::addColumn<bool>("printSize");
        QTest::addColumn<bool>("light");
        QTest::newRow("meter, PNG at chart size, dark") << Tool::Meter << 0 << "a.png"
                                                        << "a.png" << false << false << false;
        QTest::newRow("meter, PNG at chart size, light") << Tool::Meter << 1 << "a.png"
                                                         << "a.png" << false << false << true;
        QTest::newRow("power supply, PNG at print size, light") << Tool::PowerSupply << 2 << "a.png"
                                                                << "a.png" << false << true << true;
        QTest::newRow("boot line, PNG at print size, dark") << Tool::BootLine << 3 << "a.png"
                                                            << "a.png" << false << true << false;
        QTest::newRow("boot line, PDF at chart size") << Tool::BootLine << 4 << "a.pdf"
                                                      << "a.pdf" << true << false << false;
        QTest::newRow("meter, PDF at print size") << Tool::Meter << 6 << "a.pdf"
                                                  << "a.pdf" << true << true << true;
        QTest::newRow("no ending: the filter's is added") << Tool::Meter << 5 << "a"
                                                          << "a.pdf" << true << false << true;
        QTest::newRow("a typed ending decides") << Tool::Meter << 2 << "a.pdf"
                                                << "a.pdf" << true << true << true;
    }
    // An A4 page in landscape is 842 x 595 points; at 300 dpi, 842 x 300 / 72
    // = 3508.3 and 595 x 300 / 72 = 2479.2 pixels.
    void exportImage()
    {
        QFETCH(Tool, tool);
        QFETCH(int, filter);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(bool, pdf);
        QFETCH(bool, printSize);
        QFETCH(bool, light);
        RecordingBench b;
        b.w->resize(1162, 713);
        b.w->show();
        b.show(int(tool));
        if (tool == Tool::BootLine)
            b.w.ui().oneKeyLineChartSwitch->click();
        b.poll(tool, 20);
        QStringList offered;
        b.w->fileDialogs.saveFileNameAndFilter = [&](QWidget *, const QString &, const QString &,
                                                     const QString &filters, QString *selected) {
            offered = filters.split(QStringLiteral(";;"));
            *selected = offered.value(filter);
            return b.path(typed.toUtf8().constData());
        };
        QVERIFY(b.choose(tool, QStringLiteral("导出图片…")));
        // Each size in its usual theme first.
        QCOMPARE(offered,
                 QStringList({"PNG，图表大小，深色 (*.png)", "PNG，图表大小，浅色 (*.png)",
                              "PNG，打印尺寸，浅色 (*.png)", "PNG，打印尺寸，深色 (*.png)",
                              "PDF，图表大小，深色 (*.pdf)", "PDF，图表大小，浅色 (*.pdf)",
                              "PDF，打印尺寸，浅色 (*.pdf)", "PDF，打印尺寸，深色 (*.pdf)"}));
        // Written in the background; a message says when.
        QTRY_COMPARE_WITH_TIMEOUT(b.w->chartImagesPending(), 0, 30000);
        const QString file = b.path(written.toUtf8().constData());
        QCOMPARE(b.boxes.hintTexts(), QStringList{QStringLiteral("已导出到 %1").arg(file)});
        const QSize chart = b.w->chartOf(tool)->size();
        QVERIFY(chart.width() > 300 && chart.height() > 200);
        if (pdf) {
            QVERIFY(contentOf(file).startsWith("%PDF-"));
            QCOMPARE(testbench::pdfPageSize(file), printSize ? QSize(842, 595) : chart);
        } else {
            const QImage image(file, "PNG");
            QVERIFY(!image.isNull());
            QCOMPARE(image.size(), printSize ? QSize(3508, 2479) : chart);
            // On black or white, with the axes, text and graphs drawn.
            const QColor background(light ? Qt::white : Qt::black);
            QCOMPARE(image.pixelColor(2, 2), background);
            int drawn = 0;
            for (int y = 0; y < image.height(); y += 4) {
                for (int x = 0; x < image.width(); x += 4)
                    drawn += image.pixelColor(x, y) != background;
            }
            QVERIFY2(drawn > 100, qPrintable(QString::number(drawn)));
        }
    }

    // The chart's series as they are: sample numbers and the values in their
    // shortest exact form, a series that is shorter leaving its cells empty.
    void exportCsv()
    {
        RecordingBench b;
        LiveChartState &meter = *b.w->vcMeter;
        appendSample(meter, {5.00125, 0.48, 2.4006});
        appendSample(meter, {5.0, 0.00048, 0.0024});
        appendSample(meter, {4.99875, 1.5, 7.498125});
        meter.graphs[2]->data()->remove(2.0);
        b.saveAnswer = b.path("chart.csv");
        QVERIFY(b.choose(Tool::Meter, QStringLiteral("导出 CSV…")));
        QCOMPARE(b.captions, QStringList{QStringLiteral("导出 CSV…")});
        QCOMPARE(contentOf(b.path("chart.csv")), QByteArray("sample,voltage_V,current_A,power_W\n"
                                                            "0,5.00125,0.48,2.4006\n"
                                                            "1,5,0.00048,0.0024\n"
                                                            "2,4.99875,1.5,\n"));

        appendSample(*b.w->oneKeyLine, {0.25});
        b.saveAnswer = b.path("line.csv");
        QVERIFY(b.choose(Tool::BootLine, QStringLiteral("导出 CSV…")));
        QCOMPARE(contentOf(b.path("line.csv")), QByteArray("sample,current_A\n0,0.25\n"));

        b.saveAnswer = b.path("missing/line.csv");
        QVERIFY(b.choose(Tool::BootLine, QStringLiteral("导出 CSV…")));
        QCOMPARE(b.boxTexts(), QStringList{QStringLiteral("无法导出到 %1").arg(b.saveAnswer)});
    }
};

QTEST_MAIN(RecordingTest)
#include "tst_recording.moc"
