// Renders every page of the main window, in Chinese and in English, to PNG
// files, with the simulated bench attached so that the pages show live data.
// The boot line page has the demo's reference chosen; a last shot shows a
// phone that stops at the boot loader failing its boot check.
#include "app/language.h"
#include "app/startup.h"
#include "app/stopconditionsdialog.h"
#include "app/widget.h"
#include "charts/livechart.h"
#include "demo/demobench.h"
#include "demo/sampleprogram.h"
#include "sim/simulator.h"
#include "tools/meter/vc_meter.h"
#include "ui_widget.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <cstdio>

namespace {

void runEventsFor(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// What the power supply is set to before a shot.
enum class Supply { AsItIs, ConstantVoltage, ConstantCurrent };

struct Shot {
    const char *name;
    int mainPage;
    int toolPage;
    int powerView;
    int powerMode;
    Supply supply;
};

const Shot kShots[] = {
    {"meter", 0, 0, 0, 0, Supply::AsItIs},
    {"power-chart", 0, 1, 0, 0, Supply::ConstantVoltage},
    {"power-gauges", 0, 1, 1, 0, Supply::ConstantVoltage},
    {"power-cc", 0, 1, 0, 0, Supply::ConstantCurrent},
    {"power-program", 0, 1, 0, 1, Supply::AsItIs},
    {"bootline", 0, 2, 0, 0, Supply::AsItIs},
    {"iron-station", 0, 3, 0, 0, Supply::AsItIs},
    {"other", 0, 4, 0, 0, Supply::AsItIs},
    {"firmware", 1, 0, 0, 0, Supply::AsItIs},
};

// As a technician would: M4 (12.00 V, 1.000 A) and the output on, which the
// bench's 20 ohm load takes in CV at 0.6 A; then a 0.500 A limit, which puts
// the supply in CC.
void setSupply(Widget &window, Supply supply)
{
    Ui_Widget &ui = *window.ui;
    auto setText = [](QLineEdit *edit, const char *text) {
        edit->setText(QLatin1String(text));
        emit edit->editingFinished();
    };
    if (supply == Supply::ConstantVoltage) {
        if (!ui.adjM4PushButton->isChecked())
            ui.adjM4PushButton->click();
        // The supply keeps the slot as the last run (or program) left it.
        setText(ui.adjVoltageLineEdit, "12.00");
        setText(ui.adjCurrentLineEdit, "1.000");
        if (!ui.adjON_OFFButton->isChecked())
            ui.adjON_OFFButton->click();
    } else if (supply == Supply::ConstantCurrent) {
        setText(ui.adjCurrentLineEdit, "0.500");
    }
}

// The sample program typed into the table, rows 1 to 3 for two passes, and
// started: the shot shows the table and the run's first steps in the chart.
void runSampleProgram(Widget &window)
{
    Ui_Widget &ui = *window.ui;
    QTableWidget *table = ui.adjProgramTableWidget;
    for (const demo::SampleStep &step : demo::kSampleProgram) {
        ui.adjAddRowPushButton->click();
        const int row = table->rowCount() - 1;
        table->item(row, 0)->setText(QLatin1String(step.volts));
        table->item(row, 1)->setText(QLatin1String(step.amps));
        table->item(row, 2)->setText(QLatin1String(step.seconds));
    }
    ui.adjPowProgramStopPosition->setText(QStringLiteral("3"));
    ui.cycleIndex->setText(QStringLiteral("2"));
    if (!ui.adjProgramONOFFPushButton->isChecked())
        ui.adjProgramONOFFPushButton->click();
}

bool save(Widget &window, const QString &file)
{
    // The charts and the boot line's labels are redrawn at the display's
    // rate: let the picture show what the last polls left.
    window.flushRedraws();
    if (!window.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

// The three tools recording to CSV files at once, each page with its status
// text, and the meter chart's context menu as a right click opens it (the
// menu is a window of its own: it is drawn into the window's picture where
// it stands).
bool renderRecording(Widget &window, const QString &outDir, const QString &tag)
{
    QTemporaryDir folder;
    using Tool = Widget::Tool;
    const struct {
        Tool tool;
        const char *file;
        const char *shot;
    } tools[] = {{Tool::PowerSupply, "power.csv", "power-recording"},
                 {Tool::BootLine, "bootline.csv", "bootline-recording"},
                 {Tool::Meter, "meter.csv", "meter-recording-menu"}};
    bool ok = true;
    for (const auto &t : tools)
        ok = window.startRecording(t.tool, folder.filePath(QLatin1String(t.file))) && ok;
    for (const auto &t : tools) {
        window.toolButtons()[int(t.tool)]->click();
        window.ui->homeButton->click();
        runEventsFor(1500);
        QPixmap shot = window.grab();
        if (t.tool == Tool::Meter) {
            QCustomPlot *chart = window.chartOf(t.tool);
            QMenu *menu = window.chartMenu(t.tool);
            const QPoint at = chart->mapToGlobal(QPoint(chart->width() / 3, chart->height() / 3));
            menu->popup(at);
            runEventsFor(300);
            QPainter painter(&shot);
            painter.drawPixmap(window.mapFromGlobal(menu->pos()), menu->grab());
            painter.end();
            menu->close();
        }
        const QString file = QStringLiteral("%1/%2-%3.png").arg(outDir, QLatin1String(t.shot), tag);
        if (!shot.save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            ok = false;
        } else {
            std::printf("%s\n", qPrintable(file));
        }
    }
    for (const auto &t : tools)
        window.stopRecording(t.tool);
    return ok;
}

// The meter's chart exported as a user would from its context menu: at the
// print size in the light theme (PNG and PDF) and at its size on screen in
// the dark one.
bool renderExports(Widget &window, const QString &outDir, const QString &tag)
{
    window.toolButtons()[int(Widget::Tool::Meter)]->click();
    window.ui->homeButton->click();
    runEventsFor(1500);
    const struct {
        const char *name;
        const char *filter; // the file type chosen, by its Chinese text
    } exports[] = {
        {"meter-export-print-light", "PNG，打印尺寸，浅色 (*.png)"},
        {"meter-export-print-light", "PDF，打印尺寸，浅色 (*.pdf)"},
        {"meter-export-screen-dark", "PNG，图表大小，深色 (*.png)"},
    };
    const FileDialogs dialogs = window.fileDialogs;
    // Each picture is written in the background, then a message box says
    // whether it was: its text is kept and the box closed.
    QString message;
    QTimer boxCloser;
    QObject::connect(&boxCloser, &QTimer::timeout, [&message] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            message = box->text();
            box->done(QMessageBox::Ok);
        }
    });
    boxCloser.start(5);
    bool ok = true;
    for (const auto &e : exports) {
        const QString filter = QCoreApplication::translate("Widget", e.filter);
        const QString file = QStringLiteral("%1/%2-%3.%4")
                                 .arg(outDir, QLatin1String(e.name), tag,
                                      filter.contains(QLatin1String("pdf")) ? "pdf" : "png");
        bool offered = false;
        window.fileDialogs.saveFileNameAndFilter = [&](QWidget *, const QString &, const QString &,
                                                       const QString &filters, QString *selected) {
            offered = filters.split(QStringLiteral(";;")).contains(filter);
            *selected = filter;
            return file;
        };
        QFile::remove(file);
        message.clear();
        window.exportChartImage(Widget::Tool::Meter);
        while (window.chartImagesPending() > 0)
            runEventsFor(5);
        if (!offered || !QFile::exists(file)) {
            std::fprintf(stderr, "cannot export %s: %s\n", qPrintable(file), qPrintable(message));
            ok = false;
        } else {
            std::printf("%s\n", qPrintable(file));
        }
    }
    window.fileDialogs = dialogs;
    return ok;
}

// The meter chart with the measuring cursors and their readout, the chart
// alone: the meter charted at 100 Sa/s for a few seconds, paused, measured.
bool renderMeasure(Widget &window, const QString &outDir, const QString &tag)
{
    using Tool = Widget::Tool;
    window.toolButtons()[int(Tool::Meter)]->click();
    window.ui->homeButton->click();
    window.ui->vcMeter_fpsComboBox->setCurrentIndex(6); // 100 Sa/s
    if (!window.vcMeter->chartRunning)
        window.ui->vcMeter_chartStart->click();
    runEventsFor(4000);
    window.ui->vcMeter_chartStart->click(); // paused
    QCustomPlot *chart = window.chartOf(Tool::Meter);
    window.chartMenuPosition =
        QPoint(chart->axisRect()->rect().left() + chart->axisRect()->rect().width() * 45 / 100,
               chart->height() / 2);
    const bool shown = window.toggleMeasure(Tool::Meter);
    runEventsFor(100);
    window.flushRedraws();
    const QString file = QStringLiteral("%1/measure-%2.png").arg(outDir, tag);
    const bool ok = shown && chart->grab().save(file);
    std::printf("%s%s\n", qPrintable(file), ok ? "" : ": FAILED");
    if (shown)
        window.toggleMeasure(Tool::Meter);
    return ok;
}

// A phone that stops at the boot loader, booted with the trigger held: the
// band of the demo's reference on the chart, the samples outside it in red,
// and the verdict naming the phase where the boot went wrong. The healthy
// phone again afterwards.
bool renderFailedBootCheck(Widget &window, const sim::DemoBench &bench, const QString &outDir,
                           const QString &tag)
{
    window.toolButtons()[2]->click();
    window.ui->homeButton->click();
    bench.bootLine->setPhone(sim::BootLineModel::Phone::StopsAtBootLoader);
    emit window.ui->oneKeyLineOn->pressed();
    runEventsFor(1500);
    emit window.ui->oneKeyLineOn->released();
    runEventsFor(1500);
    bench.bootLine->setPhone(sim::BootLineModel::Phone::Healthy);
    return save(window, QStringLiteral("%1/bootcheck-fail-%2.png").arg(outDir, tag));
}

// A charge that ends itself: the supply (M6, 4.20 V) charging a nearly full
// simulated cell, "current below 100 mA for 3 s" armed with the output-off
// and a recording; the line of progress while the current tapers, then the
// banner once the output is off; and the dialog as it shows that set.
bool renderStopConditions(Widget &window, const sim::DemoBench &bench, const QString &outDir,
                          const QString &tag)
{
    using Tool = Widget::Tool;
    Ui_Widget &ui = *window.ui;
    window.alertOutputs.tone = [] {};
    window.alertOutputs.notify = [](const QString &, const QString &,
                                    std::function<void(bool)> delivered) { delivered(true); };
    window.toolButtons()[1]->click();
    window.ui->homeButton->click();
    ui.adjChartRadioButton->click();
    if (!ui.adjNormalRadioButton->isChecked())
        ui.adjNormalRadioButton->click();
    runEventsFor(300);
    ui.adjM6PushButton->click();
    sim::PowerSupplyModel::Cell cell;
    cell.stateOfCharge = 0.9;
    bench.powerSupply->connectCell(cell);
    if (!ui.adjON_OFFButton->isChecked())
        ui.adjON_OFFButton->click();
    runEventsFor(300);
    bench.powerSupply->runCell(35); // the current down to about 0.2 A
    QTemporaryDir folder;
    bool ok = window.startRecording(Tool::PowerSupply, folder.filePath(QStringLiteral("cell.csv")));
    stopcond::Setup setup;
    stopcond::Condition condition;
    QString error;
    stopcond::parseCondition(QStringLiteral("current<100mA for 3s"), &condition, &error);
    setup.conditions << condition;
    setup.actions.stopRecording = true;
    setup.actions.outputOff = true;
    window.armStopConditions(Tool::PowerSupply, setup);
    runEventsFor(2000);
    ok = save(window, QStringLiteral("%1/power-stop-armed-%2.png").arg(outDir, tag)) && ok;

    {
        StopConditionsDialog dialog(true, window.lastStopSetup[1], true,
                                    window.armedStopText(Tool::PowerSupply), &window);
        dialog.show();
        runEventsFor(300);
        const QString file = QStringLiteral("%1/stop-conditions-dialog-%2.png").arg(outDir, tag);
        ok = dialog.grab().save(file) && ok;
        std::printf("%s\n", qPrintable(file));
    }

    bench.powerSupply->runCell(20); // below 100 mA
    for (int i = 0; i < 100 && !window.stopConditions[1]->hasFired(); ++i)
        runEventsFor(100);
    runEventsFor(1500);
    ok = window.stopConditions[1]->hasFired() && !bench.powerSupply->state().outputOn && ok;
    ok = save(window, QStringLiteral("%1/power-stop-fired-%2.png").arg(outDir, tag)) && ok;
    window.acknowledgeStopBanner(Tool::PowerSupply);
    bench.powerSupply->setLoad(bench.powerSupply->load());
    return ok;
}

bool renderLanguage(const QString &outDir, const QString &tag, quint32 lcid,
                    const sim::DemoBench &bench)
{
    QTranslator translator;
    const bool installed = language::installTranslation(*qApp, translator, lcid);
    std::printf("%s: translation %s\n", qPrintable(tag), installed ? "installed" : "not installed");

    Widget window;
    window.show();
    // The power supply page before discovery has found the supply: the
    // empty chart with its three value tags.
    window.toolButtons()[1]->click();
    runEventsFor(300);
    bool ok = save(window, QStringLiteral("%1/power-empty-%2.png").arg(outDir, tag));
    runEventsFor(1500); // discovery opens the simulated instruments
    for (const Shot &shot : kShots) {
        // Through the buttons a user would press, so the check marks follow.
        window.toolButtons()[shot.toolPage]->click();
        (shot.mainPage == 0 ? window.ui->homeButton : window.ui->firmwareButton)->click();
        (shot.powerView == 0 ? window.ui->adjChartRadioButton : window.ui->adjMeterRadioButton)
            ->click();
        // A mode button switches the output off: pressed only to change
        // the mode.
        QRadioButton *mode = shot.powerMode == 0 ? window.ui->adjNormalRadioButton
                                                 : window.ui->adjProgramRadioButton;
        if (!mode->isChecked())
            mode->click();
        if (shot.toolPage == 1) {
            // The settings are taken over by the first answer on the page.
            runEventsFor(300);
            setSupply(window, shot.supply);
            if (shot.powerMode == 1)
                runSampleProgram(window);
        }
        if (shot.toolPage == 2 && !window.ui->oneKeyLineChartSwitch->text().isEmpty()) {
            // Chart the boot line while the trigger is held, as a technician would.
            window.ui->oneKeyLineChartSwitch->click();
            emit window.ui->oneKeyLineOn->pressed();
        }
        runEventsFor(shot.mainPage == 0 && shot.toolPage <= 2 ? 2500 : 300);
        if (shot.toolPage == 2)
            emit window.ui->oneKeyLineOn->released();
        const QString file =
            QStringLiteral("%1/%2-%3.png").arg(outDir, QLatin1String(shot.name), tag);
        ok = save(window, file) && ok;
    }
    ok = renderRecording(window, outDir, tag) && ok;
    ok = renderExports(window, outDir, tag) && ok;
    ok = renderMeasure(window, outDir, tag) && ok;
    ok = renderFailedBootCheck(window, bench, outDir, tag) && ok;
    ok = renderStopConditions(window, bench, outDir, tag) && ok;
    QCoreApplication::removeTranslator(&translator);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    startup::initResources();
    const QString outDir =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(outDir);
    const sim::DemoBench bench = sim::attachDemoBench();
    // The demo's reference library, in a folder of its own.
    QTemporaryDir references;
    if (!demo::useDemoReferences(references.path())) {
        std::fprintf(stderr, "cannot write the demo's boot reference\n");
        return 1;
    }
    const bool zh = renderLanguage(outDir, QStringLiteral("zh"), 2052, bench);
    const bool en = renderLanguage(outDir, QStringLiteral("en"), 1033, bench);
    return zh && en ? 0 : 1;
}
