// The boot profile check offline: a 60 s capture at 500 samples a second
// (30 000 samples of the simulated healthy phone) checked against a 60 s
// reference of five healthy boots, as `boot check --input` and the window's
// "Check the chart's data" do; beside it, one pass over the same samples that
// only adds them up, the floor of any check. The time is the thread's
// processor time (the machine is shared), the median of 21 runs.
#include "analysis/bootprofile.h"
#include "bench/benchsupport.h"
#include "demo/demobench.h"
#include "sim/boot_line_model.h"

#include <QCoreApplication>

#include <cmath>
#include <cstdio>

using benchsupport::median;
using benchsupport::reportFigure;
using benchsupport::threadCpuSeconds;

namespace {

constexpr qint64 kLengthUs = 60000000;
constexpr qint64 kSampleUs = 2000;
constexpr int kRuns = 21;
constexpr double kTargetMs = 5;

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const std::optional<bootprofile::Reference> reference = demo::demoReference(kLengthUs);
    if (!reference) {
        std::printf("no reference\n");
        return 0;
    }
    bootprofile::Capture capture;
    capture.atTrigger = true;
    for (qint64 t = 0; t <= kLengthUs; t += kSampleUs) {
        const double amps = sim::BootLineModel::phoneCurrentAt(
            sim::BootLineModel::Phone::Healthy, sim::BootLineModel::kFirstPressRun, t / 1e6);
        capture.samples.push_back({t, std::round(amps * 1000) / 1000, 4.0});
    }
    capture.endedAtUs = capture.lengthUs();

    std::vector<double> checkMs;
    std::vector<double> floorMs;
    bootprofile::State state = bootprofile::State::Waiting;
    double sum = 0;
    for (int run = 0; run < kRuns; ++run) {
        bootprofile::Check check(*reference); // the band is made before the clock starts
        double start = threadCpuSeconds();
        bootprofile::checkCapture(check, capture);
        checkMs.push_back(1000 * (threadCpuSeconds() - start));
        state = check.state();

        start = threadCpuSeconds();
        for (const bootprofile::CaptureSample &s : capture.samples)
            sum += s.amps;
        floorMs.push_back(1000 * (threadCpuSeconds() - start));
    }
    const double ms = median(checkMs);
    const double floor = median(floorMs);
    std::printf("Boot check offline: %zu samples (60 s at 500 Sa/s) against a %d-bin reference "
                "(time tolerance %.0f ms)\n",
                capture.samples.size(), reference->bins(), reference->tolerance.timeMs);
    std::printf("  check %.3f ms, %.1f ns a sample; a pass adding them up %.3f ms (sum %.1f); "
                "verdict %s\n",
                ms, 1e6 * ms / double(capture.samples.size()), floor, sum,
                state == bootprofile::State::Passed ? "PASS" : "not PASS");
    reportFigure(QStringLiteral("boot check offline, 60 s at 500 Sa/s: %1 ms (a pass adding the "
                                "samples: %2 ms)")
                     .arg(ms, 0, 'f', 2)
                     .arg(floor, 0, 'f', 3),
                 QStringLiteral("< %1 ms").arg(kTargetMs),
                 ms < kTargetMs && state == bootprofile::State::Passed);
    return 0;
}
