// A recording process for tst_killedrecording to kill: the real window with
// all its timers on a simulated meter (a phone charging) at 100 Sa/s,
// recording the meter to the file named by its argument. It prints
// "recording" once the recording runs, then every 20 ms a line
// "<monotonic clock in ms> <sample lines taken so far>", so that the test
// knows which lines were taken by when.
#include "app/startup.h"
#include "app/widget.h"
#include "recording/toolrecording.h"
#include "sim/simulator.h"
#include "ui_widget.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

long long monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <file.csv>\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    startup::initResources();
    auto meter = std::make_shared<sim::MeterModel>();
    meter->startPhoneCharging();
    sim::bus().setAnswerDelay(sim::bus().attach(meter), 1);

    Widget window;
    window.discoverDevices();
    window.ui->vcMeter_fpsComboBox->setCurrentIndex(6); // 100 Sa/s
    if (!window.startRecording(Widget::Tool::Meter, QString::fromLocal8Bit(argv[1])))
        return 1;
    std::printf("recording\n");
    std::fflush(stdout);

    const recording::ToolRecording *recording = window.recordings[int(Widget::Tool::Meter)];
    QTimer progress;
    QObject::connect(&progress, &QTimer::timeout, [recording] {
        std::printf("%lld %lld\n", monotonicMs(), static_cast<long long>(recording->sampleLines()));
        std::fflush(stdout);
    });
    progress.start(20);
    return app.exec();
}
