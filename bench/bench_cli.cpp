// The command line recording the boot line at its full rate, as a script
// runs it: `quorvaline-cli-demo record boot --duration 10s -o /dev/null`,
// the processor time of the whole process (the simulated bench answers in
// it too) over the wall time, and, in a second run to a file, the samples a
// second it keeps. Side by side in the same run, the floor: a process that
// does nothing but wake every 2 ms on a precise Qt timer (this program
// started with --idle-timer), which every 2 ms poll costs before it does
// any work.
#include "bench/benchsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace {

constexpr double kSeconds = 10;
constexpr double kTargetPercent = 5;
constexpr double kTargetRate = 475;

struct Run {
    double cpuSeconds = -1;
    double wallSeconds = 0;
};

// Runs a program to its end; its processor time from the system's account.
Run runChild(const std::vector<std::string> &args)
{
    Run run;
    std::vector<char *> argv;
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t pid = fork();
    if (pid == 0) {
        // No terminal commands for the simulated bench.
        freopen("/dev/null", "r", stdin);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage = {};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return run;
    timespec end;
    clock_gettime(CLOCK_MONOTONIC, &end);
    run.wallSeconds = double(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
    run.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return run;
}

int idleTimer()
{
    int argc = 1;
    char name[] = "bench_cli";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.start(2);
    QTimer::singleShot(int(kSeconds * 1000), &app, &QCoreApplication::quit);
    return app.exec();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::string(argv[1]) == "--idle-timer")
        return idleTimer();
    std::printf("bench_cli: %s record boot, %.0f s each run; load average %s\n", CLI_DEMO, kSeconds,
                benchsupport::loadAverage().constData());

    const std::string duration = std::to_string(int(kSeconds)) + "s";
    const Run floor = runChild({argv[0], "--idle-timer"});
    const Run toNull =
        runChild({CLI_DEMO, "record", "boot", "--duration", duration, "-o", "/dev/null"});
    QTemporaryDir dir;
    const std::string file =
        QFile::encodeName(dir.filePath(QStringLiteral("boot.csv"))).toStdString();
    const Run toFile = runChild({CLI_DEMO, "record", "boot", "--duration", duration, "-o", file});
    if (floor.cpuSeconds < 0 || toNull.cpuSeconds < 0 || toFile.cpuSeconds < 0) {
        std::printf("  a run failed\n");
        benchsupport::reportFigure(QStringLiteral("quorvaline-cli record boot: the runs"),
                                   QStringLiteral("run"), false);
        return 0;
    }
    QFile csv(QString::fromStdString(file));
    qint64 lines = -1;
    if (csv.open(QIODevice::ReadOnly)) {
        lines = 0;
        while (!csv.atEnd())
            lines += csv.readLine().endsWith('\n') ? 1 : 0;
        --lines; // the header
    }
    const double floorPercent = 100 * floor.cpuSeconds / floor.wallSeconds;
    const double percent = 100 * toNull.cpuSeconds / toNull.wallSeconds;
    const double rate = double(lines) / kSeconds;
    std::printf("  a bare 2 ms precise timer: %.2f %% of a core\n", floorPercent);
    std::printf("  record boot -o /dev/null: %.2f %% of a core (%.2f times the bare timer)\n",
                percent, percent / floorPercent);
    std::printf("  record boot -o file: %lld samples in %.0f s, %.1f a second\n", lines, kSeconds,
                rate);
    benchsupport::reportFigure(
        QStringLiteral("quorvaline-cli record boot -o /dev/null: %1 % of a core (bare timer %2 %)")
            .arg(percent, 0, 'f', 2)
            .arg(floorPercent, 0, 'f', 2),
        QStringLiteral("<= %1 % of a core").arg(kTargetPercent, 0, 'f', 0),
        percent <= kTargetPercent);
    benchsupport::reportFigure(
        QStringLiteral("quorvaline-cli record boot: %1 samples/s").arg(rate, 0, 'f', 1),
        QStringLiteral(">= %1").arg(kTargetRate, 0, 'f', 0), rate >= kTargetRate);
    return 0;
}
