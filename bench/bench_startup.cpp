// Start-up time: from the start of a new process to its main window shown,
// median of 10 starts. Each start runs this program again as a child that
// goes through the program's whole start (startup::run: application object,
// single-instance check, translation, main window, event loop) on the
// simulated bus with no instrument attached; the child says "shown" on its
// standard output once the window has been exposed and painted, and quits.
// The time runs from QProcess::start in the parent to that line.
//
// Run with QT_QPA_PLATFORM=offscreen (./dev bench), or on an X server (the
// child inherits the environment). Always exits 0: it is a measurement that
// prints its verdict, not a test.
#include "app/startup.h"
#include "bench/benchsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kStarts = 10;
constexpr double kTargetMs = 500;
const char kChildFlag[] = "--started-child";

// In the child: waits for the first main window that is exposed, lets its
// first paint finish, then says so and quits.
class ShownProbe : public QObject {
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!mSaid && event->type() == QEvent::Expose && watched->isWindowType() &&
            static_cast<QWindow *>(watched)->isExposed()) {
            mSaid = true;
            // Queued: the expose event paints the window before this runs.
            QTimer::singleShot(0, qApp, [] {
                std::printf("shown\n");
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    bool mSaid = false;
};

void installProbe()
{
    QCoreApplication::instance()->installEventFilter(new ShownProbe);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], kChildFlag) == 0) {
        qAddPreRoutine(installProbe); // runs when the application object is made
        return startup::run(argc, argv);
    }

    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    std::vector<double> times;
    bool allShown = true;
    std::printf("Start-up: process start to main window shown, %d starts\n", kStarts);
    std::printf("  platform %s; load average before: %s\n",
                qPrintable(qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("default"))),
                benchsupport::loadAverage().constData());
    for (int run = 0; run < kStarts; ++run) {
        QProcess child;
        child.setProcessChannelMode(QProcess::SeparateChannels);
        QElapsedTimer clock;
        clock.start();
        child.start(self, {QString::fromLatin1(kChildFlag)});
        bool shown = false;
        while (!shown && child.waitForReadyRead(10000)) {
            while (child.canReadLine()) {
                if (child.readLine().trimmed() == "shown")
                    shown = true;
            }
        }
        const double ms = clock.nsecsElapsed() / 1e6;
        if (!child.waitForFinished(10000)) {
            child.kill(); // the child this run started, and no other
            child.waitForFinished(2000);
        }
        std::printf("  start %2d: %7.1f ms%s\n", run + 1, ms, shown ? "" : "  (never shown)");
        allShown = allShown && shown;
        times.push_back(ms);
    }
    const double med = benchsupport::median(times);
    std::printf("  median %.1f ms; load average after: %s\n\n", med,
                benchsupport::loadAverage().constData());
    benchsupport::reportFigure(QStringLiteral("start-up to the window shown: %1 ms (median of %2)")
                                   .arg(med, 0, 'f', 1)
                                   .arg(kStarts),
                               QStringLiteral("< %1 ms").arg(kTargetMs),
                               allShown && med < kTargetMs);
    return 0;
}
