// The boot check through the real window on a simulated boot line: the
// reference chosen on the page, its band drawn from the capture's start,
// the samples outside in red at their own keys, the verdict beside the
// chart and on it; the chart menu's entries; the offline check of a loaded
// chart file and of an opened recording; a reference saved from the last
// capture and built from several; the library dialog.
#include "analysis/referencefile.h"
#include "app/language.h"
#include "charts/bootband.h"
#include "tests/support/filedialogs.h"
#include "tests/support/testbench.h"
#include "tools/bootline/bootcheckpanel.h"
#include "tools/bootline/bootreferencedialogs.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <cmath>

using testbench::makeWindow;
using namespace bootprofile;

namespace {

// A reference of `bins` 10 ms bins at `ma` milliamperes, ± `absMa`, no
// time tolerance, one phase "run" over all of it.
Reference flatReference(const QString &name, int bins, double ma, double absMa)
{
    Reference r;
    r.name = name;
    r.binUs = 10000;
    r.low = QVector<double>(bins, ma / 1000.0);
    r.high = r.low;
    r.tolerance.absMilliamps = absMa;
    r.tolerance.relPercent = 0;
    r.tolerance.timeMs = 0;
    Phase run;
    run.name = QStringLiteral("run");
    run.fromUs = 0;
    run.toUs = qint64(bins) * 10000;
    r.phases << run;
    return r;
}

struct CheckBench {
    QTemporaryDir dir;
    testbench::Window w;
    testbench::ModalCloser boxes;
    testbench::AnsweredDialogs dialogs;
    std::shared_ptr<sim::BootLineModel> model;
    int id = -1;

    CheckBench()
    {
        overrideLibraryFolder(dir.filePath(QStringLiteral("references")));
        w = makeWindow();
        dialogs.answer(*w.widget);
        model = std::make_shared<sim::BootLineModel>();
        id = sim::bus().attach(model);
        w->discoverDevices();
        w.ui().ironToolButton->click();
        model->setRaw(4000, 0, 0, 0);
    }
    BootCheckPanel &panel() const { return *w->bootCheck; }
    QCPGraph *current() const { return w->oneKeyLine->graphs[0]; }

    void addReference(const Reference &r, const QString &file)
    {
        QDir().mkpath(libraryFolder());
        QVERIFY(writeFile(QDir(libraryFolder()).filePath(file), r, nullptr));
        panel().refreshChoices();
    }
    void choose(const QString &file)
    {
        QComboBox *box = panel().choiceBox();
        const int index = box->findData(file);
        QVERIFY(index > 0);
        box->setCurrentIndex(index);
        QCOMPARE(panel().chosenFile(), file);
    }
    // Polls for `ms` milliseconds of the engines' clock.
    void pollFor(int ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms)
            w.pollBootLine();
    }
    void polls(int n)
    {
        for (int i = 0; i < n; ++i)
            w.pollBootLine();
    }
    QString verdict() const
    {
        w->flushRedraws();
        return panel().verdictLabel()->text();
    }
    QAction *menuAction(QMenu *menu, const QString &text) const
    {
        for (QAction *action : menu->actions()) {
            if (action->text() == text)
                return action;
        }
        return nullptr;
    }
    // Holds the trigger for one poll, with the phone drawing `ma`.
    void press(int ma)
    {
        model->setRaw(4000, quint16(ma), quint16(ma), 0);
        emit w.ui().oneKeyLineOn->pressed();
        w.pollBootLine();
        emit w.ui().oneKeyLineOn->released();
    }
};

} // namespace

class BootCheckTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { sim::bus().reset(); }

    // 300 ms at 500 mA ± 50 mA. A dip to 300 mA in the middle fails the
    // check; the band is drawn from the press's sample on; the samples
    // outside are red at the current's own keys; the verdict is on the page
    // and on the chart.
    void liveBandAndVerdict()
    {
        CheckBench b;
        b.addReference(flatReference(QStringLiteral("steady"), 30, 500, 50),
                       QStringLiteral("steady.json"));
        b.choose(QStringLiteral("steady.json"));
        QCOMPARE(b.verdict(), QStringLiteral("等待开机：按“一键开机”，或电流升过 5 mA"));
        b.w.ui().oneKeyLineChartSwitch->click(); // chart on
        b.polls(5);
        const double pressKey = b.current()->dataCount();
        b.press(500);
        b.pollFor(100);
        // Beside the chart the state; on the chart how far it has come.
        QCOMPARE(b.verdict(), QStringLiteral("检查中…"));
        QVERIFY(b.panel().items().verdictItem()->text().startsWith(QStringLiteral("检查中… 0.")));
        QCOMPARE(b.panel().summaryLabel()->text(), QString());
        b.model->setRaw(4000, 300, 500, 0);
        const double dipKey = b.current()->dataCount();
        b.polls(4);
        b.model->setRaw(4000, 500, 500, 0);
        b.pollFor(100);
        // The band is drawn as far as the samples: the view still ends at
        // the newest one.
        QCOMPARE(b.w.ui().oneKeyLineChart->xAxis->range().upper,
                 double(b.current()->dataCount() - 1));
        QVERIFY(b.panel().items().shade()->size() < 30);
        b.pollFor(150); // past the reference's 300 ms: the capture ends

        const QString verdict = b.verdict();
        QVERIFY2(
            verdict.startsWith(QStringLiteral("失败，")) &&
                verdict.endsWith(QStringLiteral(" s 处：0.300 A，应为 0.500 ± 0.050 A（run）")),
            qPrintable(verdict));
        const QString summary = b.panel().summaryLabel()->text();
        QVERIFY2(summary.startsWith(QStringLiteral("最大偏差：带外 0.150 A，")),
                 qPrintable(summary));
        QVERIFY(summary.contains(QStringLiteral("峰值电流：0.500 A，参考 0.500 A")));

        const BootBandItems &items = b.panel().items();
        QCOMPARE(items.shade()->size(), 30);
        QCOMPARE(items.centreGraph()->dataCount(), 30);
        // The band starts at the press; its first bin's middle (5 ms) lies
        // between the press's sample and the last sample of the capture.
        const double firstBinKey = items.shade()->key(0);
        QVERIFY2(firstBinKey >= pressKey && firstBinKey < b.current()->dataCount(),
                 qPrintable(QString::number(firstBinKey)));
        QCOMPARE(items.shade()->low(10), 0.45);
        QCOMPARE(items.shade()->high(10), 0.55);
        QCOMPARE(items.centreGraph()->data()->at(10)->value, 0.5);
        // Red: the four samples of the dip, at their keys, then a break.
        const QCPGraphDataContainer &red = *items.outsideGraph()->data();
        QCOMPARE(red.size(), 5);
        for (int k = 0; k < 4; ++k) {
            QCOMPARE(red.at(k)->key, dipKey + k);
            QCOMPARE(red.at(k)->value, 0.3);
            QCOMPARE(b.current()->data()->at(int(dipKey) + k)->value, 0.3);
        }
        QVERIFY(std::isnan(red.at(4)->value));
        QVERIFY(items.verdictItem()->visible());
        QVERIFY(items.verdictItem()->text().startsWith(verdict + QLatin1Char('\n')));
        QCOMPARE(items.verdictItem()->color(),
                 BootBandItems::toneColour(BootBandItems::Tone::Fail));

        // The next press: a steady boot passes, and the red goes.
        b.press(500);
        b.pollFor(350);
        QCOMPARE(b.verdict(), QStringLiteral("通过"));
        QCOMPARE(b.panel().items().outsideGraph()->dataCount(), 0);
        QVERIFY(b.panel().summaryLabel()->text().startsWith(
            QStringLiteral("最大偏差：无，始终在带内\n带外时间：0.00 s\n")));
        QVERIFY(b.boxes.texts().isEmpty());
    }

    // In English the page's box, its verdict and summary, the chart's text
    // and the chart menu's entries are all translated (the panel's own class
    // must not take the texts into a context of its own).
    void englishWindowShowsTheBootCheckInEnglish()
    {
        QTranslator translator;
        QVERIFY(language::installTranslation(*qApp, translator, 1033));
        struct Remove {
            QTranslator *t;
            ~Remove() { QCoreApplication::removeTranslator(t); }
        } remove{&translator};
        CheckBench b;
        auto *box = qobject_cast<QGroupBox *>(b.panel().choiceBox()->parentWidget());
        QVERIFY(box);
        QCOMPARE(box->title(), QStringLiteral("Boot check"));
        QCOMPARE(b.verdict(), QStringLiteral("No reference chosen"));
        b.addReference(flatReference(QStringLiteral("steady"), 30, 500, 50),
                       QStringLiteral("steady.json"));
        b.choose(QStringLiteral("steady.json"));
        b.w.ui().oneKeyLineChartSwitch->click();
        b.press(500);
        b.pollFor(50);
        QCOMPARE(b.verdict(), QStringLiteral("Checking…"));
        b.model->setRaw(4000, 300, 500, 0);
        b.polls(4);
        b.model->setRaw(4000, 500, 500, 0);
        b.pollFor(300);
        const QString verdict = b.verdict();
        QVERIFY2(
            verdict.startsWith(QStringLiteral("FAIL at ")) &&
                verdict.endsWith(QStringLiteral(" s: 0.300 A, expected 0.500 ± 0.050 A (run)")),
            qPrintable(verdict));
        QVERIFY(b.panel().items().verdictItem()->text().startsWith(verdict + QLatin1Char('\n')));
        QVERIFY2(b.panel().summaryLabel()->text().startsWith(QStringLiteral("Worst deviation")),
                 qPrintable(b.panel().summaryLabel()->text()));
        std::unique_ptr<QMenu> menu(b.w->chartMenu(Widget::Tool::BootLine));
        QVERIFY(b.menuAction(menu.get(), QStringLiteral("Save as reference…")));
        QVERIFY(b.menuAction(menu.get(), QStringLiteral("Build from captures…")));
    }

    // The instrument goes away mid-capture: the verdict says how far it got.
    void unplugLeavesItIncomplete()
    {
        CheckBench b;
        b.addReference(flatReference(QStringLiteral("long"), 100, 500, 50),
                       QStringLiteral("long.json"));
        b.choose(QStringLiteral("long.json"));
        b.press(500);
        b.pollFor(50);
        sim::bus().detach(b.id);
        b.w->discoverDevices();
        QVERIFY2(b.verdict().startsWith(QStringLiteral("未完成：采集在 ")) &&
                     b.verdict().endsWith(QStringLiteral(" s 处结束，参考长 1.00 s")),
                 qPrintable(b.verdict()));
    }

    void chartMenuHasTheBootCheck()
    {
        CheckBench b;
        std::unique_ptr<QMenu> menu(b.w->chartMenu(Widget::Tool::BootLine));
        QStringList texts;
        for (QAction *action : menu->actions())
            texts << action->text();
        for (const char *text : {"参考…", "保存为参考…", "由多次采集生成…", "参考库…", "结束采集",
                                 "检查图表数据", "打开记录并检查…"})
            QVERIFY2(texts.contains(QString::fromUtf8(text)), text);
        // Nothing captured, nothing chosen: only the library and the choice.
        QVERIFY(!b.menuAction(menu.get(), QStringLiteral("保存为参考…"))->isEnabled());
        QVERIFY(!b.menuAction(menu.get(), QStringLiteral("检查图表数据"))->isEnabled());
        QVERIFY(b.menuAction(menu.get(), QStringLiteral("参考库…"))->isEnabled());
        // The other tools' menus have none of it.
        std::unique_ptr<QMenu> meter(b.w->chartMenu(Widget::Tool::Meter));
        QVERIFY(!b.menuAction(meter.get(), QStringLiteral("参考库…")));

        // The choice from the menu.
        b.addReference(flatReference(QStringLiteral("steady"), 30, 500, 50),
                       QStringLiteral("steady.json"));
        std::unique_ptr<QMenu> again(b.w->chartMenu(Widget::Tool::BootLine));
        QMenu *choose = b.menuAction(again.get(), QStringLiteral("参考…"))->menu();
        QCOMPARE(choose->actions().size(), 2);
        QCOMPARE(choose->actions()[0]->text(), QStringLiteral("无参考"));
        QVERIFY(choose->actions()[0]->isChecked());
        choose->actions()[1]->trigger();
        QCOMPARE(b.panel().chosenFile(), QStringLiteral("steady.json"));
        QCOMPARE(b.panel().choiceBox()->currentText(), QStringLiteral("steady"));
        QCOMPARE(chosenReference(), QStringLiteral("steady.json"));
    }

    // A chart file loaded with "打开": its values 2 ms apart, the boot from
    // its first rise through 5 mA (the third value). 100 ms at 200 mA
    // ± 30 mA; 50 mA at the 21st value of the boot, 40 ms after its start.
    void offlineCheckOfALoadedChartFile()
    {
        CheckBench b;
        b.addReference(flatReference(QStringLiteral("short one"), 10, 200, 30),
                       QStringLiteral("short-one.json"));
        b.choose(QStringLiteral("short-one.json"));
        QByteArray text = "cst,0.000,0.001,";
        for (int i = 0; i < 60; ++i)
            text += i == 20 ? "0.050," : "0.200,";
        text += "cend,";
        const QString path = b.dir.filePath(QStringLiteral("boot.cts"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        file.close();
        b.dialogs.openAnswer = path;
        b.w.ui().oneKeyLineChartOpen->click();
        QCOMPARE(b.current()->dataCount(), 62);

        std::unique_ptr<QMenu> menu(b.w->chartMenu(Widget::Tool::BootLine));
        b.menuAction(menu.get(), QStringLiteral("检查图表数据"))->trigger();
        QCOMPARE(b.verdict(),
                 QStringLiteral("失败，0.04 s 处：0.050 A，应为 0.200 ± 0.030 A（run）"));
        const QCPGraphDataContainer &red = *b.panel().items().outsideGraph()->data();
        QCOMPARE(red.at(0)->key, 22.0); // the third value starts the boot
        QCOMPARE(red.at(0)->value, 0.05);
        QCOMPARE(b.panel().items().shade()->key(0), 2.0 + 2.5); // 5 ms: 2.5 samples
    }

    // A recording opened and checked: its current goes onto the chart after
    // what is there, the boot from its press.
    void offlineCheckOfAnOpenedRecording()
    {
        CheckBench b;
        b.addReference(flatReference(QStringLiteral("short one"), 10, 200, 30),
                       QStringLiteral("short-one.json"));
        b.choose(QStringLiteral("short-one.json"));
        QByteArray text =
            "time_utc,elapsed_s,voltage_V,current_A,peak_current_A,device_time_s,trigger,event\n";
        for (int i = 0; i < 70; ++i) {
            const bool pressed = i >= 5;
            text += "2024-05-01T10:00:00.000Z," + QByteArray::number(i * 0.002, 'f', 3) +
                    ",4.000," + (pressed ? "0.210" : "0.000") + ",0.210,0.0," +
                    (pressed ? "1" : "0") + ",\n";
        }
        const QString path = b.dir.filePath(QStringLiteral("boot.csv"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        file.close();
        b.w.ui().oneKeyLineChartSwitch->click();
        b.polls(3);
        b.dialogs.openAnswer = path;
        std::unique_ptr<QMenu> menu(b.w->chartMenu(Widget::Tool::BootLine));
        b.menuAction(menu.get(), QStringLiteral("打开记录并检查…"))->trigger();
        QCOMPARE(b.dialogs.opens.last().filter, QStringLiteral("CSV 文件 (*.csv)"));
        QCOMPARE(b.current()->dataCount(), 73);
        QCOMPARE(b.verdict(), QStringLiteral("通过"));
        QCOMPARE(b.panel().items().shade()->key(0), 3.0 + 5 + 2.5);

        // A file that holds no boot says so and adds nothing.
        const QString empty = b.dir.filePath(QStringLiteral("empty.csv"));
        QFile none(empty);
        QVERIFY(none.open(QIODevice::WriteOnly));
        none.write("time_utc,elapsed_s,current_A\nx,0.0,0.000\n");
        none.close();
        b.dialogs.openAnswer = empty;
        std::unique_ptr<QMenu> again(b.w->chartMenu(Widget::Tool::BootLine));
        b.menuAction(again.get(), QStringLiteral("打开记录并检查…"))->trigger();
        QCOMPARE(b.boxes.texts().size(), 1);
        QVERIFY(b.boxes.texts().first().startsWith(QStringLiteral("无法读取记录 ")));
        QVERIFY(b.boxes.texts().first().endsWith(QStringLiteral("：其中没有开机过程")));
        QCOMPARE(b.current()->dataCount(), 73);
    }

    // Three boots captured live and ended from the menu; the last saved as
    // a reference, then two of them built into one.
    void referencesFromTheSessionsCaptures()
    {
        CheckBench b;
        const int levels[] = {400, 420, 440};
        for (int level : levels) {
            b.model->setRaw(4000, 0, 0, 0);
            b.polls(2);
            b.press(level);
            b.pollFor(40);
            std::unique_ptr<QMenu> menu(b.w->chartMenu(Widget::Tool::BootLine));
            QAction *end = b.menuAction(menu.get(), QStringLiteral("结束采集"));
            QVERIFY(end->isEnabled());
            end->trigger();
        }
        QCOMPARE(int(b.panel().capturer().kept().size()), 3);

        int asked = 0;
        b.w->runDialog = [&](QDialog &d) -> int {
            // QtTest's checks return from a function of their own.
            [&](BootReferenceDialog &dialog) {
                ++asked;
                QVERIFY(!dialog.captureList);
                QVERIFY(!dialog.buttons->button(QDialogButtonBox::Ok)->isEnabled()); // no name yet
                dialog.name->setText(QStringLiteral("phone A"));
                dialog.model->setText(QStringLiteral("QV-9"));
                dialog.note->setText(QStringLiteral("good one"));
                dialog.absMilliamps->setValue(15);
                dialog.addPhase->click();
                dialog.phaseTable->item(0, 0)->setText(QStringLiteral("all"));
            }(dynamic_cast<BootReferenceDialog &>(d));
            return QDialog::Accepted;
        };
        b.panel().saveAsReference();
        QCOMPARE(asked, 1);
        QCOMPARE(b.panel().chosenFile(), QStringLiteral("phone-A.json"));
        FileError error;
        const std::optional<Reference> saved =
            readFile(QDir(libraryFolder()).filePath(QStringLiteral("phone-A.json")), &error);
        QVERIFY(saved);
        QCOMPARE(saved->captures, 1);
        QCOMPARE(saved->model, QStringLiteral("QV-9"));
        QCOMPARE(saved->note, QStringLiteral("good one"));
        QCOMPARE(saved->tolerance.absMilliamps, 15.0);
        QCOMPARE(saved->low[0], 0.44); // the last capture
        QCOMPARE(saved->phases.size(), 1);
        QCOMPARE(saved->phases[0].name, QStringLiteral("all"));
        QCOMPARE(saved->phases[0].toUs, qint64(1000000));

        b.w->runDialog = [&](QDialog &d) -> int {
            // QtTest's checks return from a function of their own.
            [&](BootReferenceDialog &dialog) {
                // Newest first, all three chosen (up to five are).
                QCOMPARE(dialog.captureList->count(), 3);
                for (int row = 0; row < 3; ++row)
                    QCOMPARE(dialog.captureList->item(row)->checkState(), Qt::Checked);
                dialog.captureList->item(0)->setCheckState(Qt::Unchecked); // not the 440 mA one
                dialog.name->setText(QStringLiteral("two"));
            }(dynamic_cast<BootReferenceDialog &>(d));
            return QDialog::Accepted;
        };
        b.panel().buildFromCaptures();
        const std::optional<Reference> two =
            readFile(QDir(libraryFolder()).filePath(QStringLiteral("two.json")), &error);
        QVERIFY(two);
        QCOMPARE(two->captures, 2);
        QCOMPARE(two->low[0], 0.4);
        QCOMPARE(two->high[0], 0.42);
        QCOMPARE(b.panel().chosenFile(), QStringLiteral("two.json"));
        QCOMPARE(b.panel().choiceBox()->count(), 3);

        // Cancelled: nothing is added.
        b.w->runDialog = [](QDialog &) { return int(QDialog::Rejected); };
        b.panel().buildFromCaptures();
        QCOMPARE(QDir(libraryFolder()).entryList(QDir::Files).size(), 2);
        QVERIFY(b.boxes.texts().isEmpty());
    }

    void savingWithoutACaptureSaysSo()
    {
        CheckBench b;
        b.w->runDialog = [](QDialog &) -> int {
            QTest::qFail("no dialog without a capture", __FILE__, __LINE__);
            return QDialog::Rejected;
        };
        b.panel().saveAsReference();
        QCOMPARE(b.boxes.texts(),
                 QStringList(QStringLiteral("还没有采集：按“一键开机”开机一次。")));
    }

    // The library dialog: a rename by editing the name, a deletion (the box
    // asking is answered OK), a damaged file refused on import, a good one
    // imported, an export, another folder and the start threshold.
    void libraryDialog()
    {
        CheckBench b;
        b.addReference(flatReference(QStringLiteral("first"), 10, 200, 30),
                       QStringLiteral("first.json"));
        b.addReference(flatReference(QStringLiteral("second"), 10, 300, 30),
                       QStringLiteral("second.json"));
        QFile damaged(QDir(libraryFolder()).filePath(QStringLiteral("damaged.json")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("{\"format\": \"quorvaline-boot-reference\"");
        damaged.close();
        b.panel().refreshChoices();
        b.choose(QStringLiteral("first.json"));
        const QString outside = b.dir.filePath(QStringLiteral("outside.json"));
        QVERIFY(writeFile(outside, flatReference(QStringLiteral("from elsewhere"), 5, 100, 20),
                          nullptr));
        const QString exported = b.dir.filePath(QStringLiteral("exported"));
        const QString otherFolder = b.dir.filePath(QStringLiteral("other"));
        QDir().mkpath(otherFolder);

        b.w->runDialog = [&](QDialog &d) -> int {
            // QtTest's checks return from a function of their own.
            [&](BootLibraryDialog &dialog) {
                QCOMPARE(dialog.table->rowCount(), 3);
                QCOMPARE(dialog.table->item(0, 5)->text(), QStringLiteral("damaged.json"));
                QVERIFY(dialog.table->item(0, 4)->text().startsWith(QStringLiteral("已损坏：")));
                // Rename "first" by editing its name.
                dialog.selectFile(QStringLiteral("first.json"));
                dialog.table->item(dialog.table->currentRow(), 0)
                    ->setText(QStringLiteral("renamed"));
                QCOMPARE(dialog.selectedFile(), QStringLiteral("renamed.json"));
                // Delete "second".
                dialog.selectFile(QStringLiteral("second.json"));
                dialog.deleteButton->click();
                // Import the damaged file: refused.
                b.dialogs.openAnswer =
                    QDir(libraryFolder()).filePath(QStringLiteral("damaged.json"));
                dialog.importButton->click();
                // Import a good one.
                b.dialogs.openAnswer = outside;
                dialog.importButton->click();
                QCOMPARE(dialog.selectedFile(), QStringLiteral("from-elsewhere.json"));
                // Export it: ".json" is added.
                b.dialogs.saveAnswer = exported;
                dialog.exportButton->click();
                dialog.threshold->setValue(12.5);
            }(dynamic_cast<BootLibraryDialog &>(d));
            return QDialog::Rejected;
        };
        b.panel().showLibrary();
        const QStringList files = QDir(libraryFolder()).entryList(QDir::Files, QDir::Name);
        QCOMPARE(files, QStringList({"damaged.json", "from-elsewhere.json", "renamed.json"}));
        QCOMPARE(b.boxes.texts().size(), 2);
        QCOMPARE(b.boxes.texts()[0], QStringLiteral("删除参考“second”？"));
        // Qt's parser says what is wrong with the file in its own words.
        QVERIFY2(b.boxes.texts()[1].startsWith(QStringLiteral("无法导入 ")) &&
                     b.boxes.texts()[1].contains(QStringLiteral("damaged.json：不是 JSON 文件（")),
                 qPrintable(b.boxes.texts()[1]));
        FileError error;
        QCOMPARE(readFile(exported + QStringLiteral(".json"), &error)->name,
                 QStringLiteral("from elsewhere"));
        // The chosen reference followed its rename; the list is the library's.
        QCOMPARE(b.panel().chosenFile(), QStringLiteral("renamed.json"));
        QCOMPARE(b.panel().choiceBox()->count(), 3);
        QCOMPARE(b.panel().capturer().thresholdAmps(), 0.0125);
        QCOMPARE(b.verdict(), QStringLiteral("等待开机：按“一键开机”，或电流升过 12.5 mA"));

        // Another folder: its references (none) are the list's, and the
        // chosen one, not there, is let go.
        b.w->runDialog = [&](QDialog &d) -> int {
            // QtTest's checks return from a function of their own.
            [&](BootLibraryDialog &dialog) {
                b.w->fileDialogs.existingDirectory = [&](QWidget *, const QString &,
                                                         const QString &,
                                                         const QString &) { return otherFolder; };
                dialog.folderButton->click();
                QCOMPARE(dialog.table->rowCount(), 0);
            }(dynamic_cast<BootLibraryDialog &>(d));
            return QDialog::Rejected;
        };
        b.panel().showLibrary();
        QCOMPARE(libraryFolder(), otherFolder);
        QCOMPARE(b.panel().choiceBox()->count(), 1);
        QCOMPARE(b.panel().chosenFile(), QString());
        QCOMPARE(b.verdict(), QStringLiteral("未选择参考"));
    }
};

QTEST_MAIN(BootCheckTest)
#include "tst_bootcheck.moc"
