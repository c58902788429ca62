// Renders every page of the main window, in Chinese and in English, to PNG
// files, with the simulated bench attached so that the pages show live data.
#include "app/language.h"
#include "app/startup.h"
#include "app/widget.h"
#include "sim/simulator.h"
#include "ui_widget.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
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

struct Shot {
    const char *name;
    int mainPage;
    int toolPage;
    int powerView;
    int powerMode;
};

const Shot kShots[] = {
    {"meter", 0, 0, 0, 0},         {"power-chart", 0, 1, 0, 0}, {"power-gauges", 0, 1, 1, 0},
    {"power-program", 0, 1, 0, 1}, {"bootline", 0, 2, 0, 0},    {"iron-station", 0, 3, 0, 0},
    {"other", 0, 4, 0, 0},         {"firmware", 1, 0, 0, 0},
};

bool renderLanguage(const QString &outDir, const QString &tag, quint32 lcid)
{
    QTranslator translator;
    const bool installed = language::installTranslation(*qApp, translator, lcid);
    std::printf("%s: translation %s\n", qPrintable(tag), installed ? "installed" : "not installed");

    Widget window;
    window.show();
    runEventsFor(1500); // discovery opens the simulated instruments
    bool ok = true;
    for (const Shot &shot : kShots) {
        // Through the buttons a user would press, so the check marks follow.
        window.toolButtons()[shot.toolPage]->click();
        (shot.mainPage == 0 ? window.ui->homeButton : window.ui->firmwareButton)->click();
        window.ui->adjPowView->setCurrentIndex(shot.powerView);
        window.ui->adjModeStackedWidget->setCurrentIndex(shot.powerMode);
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
        if (!window.grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            ok = false;
        } else {
            std::printf("%s\n", qPrintable(file));
        }
    }
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
    sim::attachDemoBench();
    const bool zh = renderLanguage(outDir, QStringLiteral("zh"), 2052);
    const bool en = renderLanguage(outDir, QStringLiteral("en"), 1033);
    return zh && en ? 0 : 1;
}
