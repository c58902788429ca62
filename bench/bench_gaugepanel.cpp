// The cost of the round gauge on the power supply page, which calls setRange
// and setValue on every poll, about twenty times a second. Measured side by
// side, in alternating blocks so that machine noise hits every case alike:
//
//   poll, nothing new     setRange with the range shown and setValue with a
//                         reading that shows the same number: no paint at all;
//   paint, cached face    one paint of a gauge 280 x 380 whose number changed:
//                         the cached face plus needle, arc and readout;
//   paint, new face       one paint after a range change (0-30 V and 0-40 V in
//                         turn), which paints the face anew.
//
// Run with QT_QPA_PLATFORM=offscreen (./dev bench). Always exits 0: it is a
// measurement that prints its verdict, not a test.
#include "app/gaugepanel.h"
#include "bench/benchsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <vector>

using benchsupport::median;

namespace {

constexpr int kRounds = 40;
constexpr int kPollsPerBlock = 20000;
constexpr int kPaintsPerBlock = 10;

void configureVoltageGauge(GaugePanel &gauge)
{
    gauge.setRange(0, 30);
    gauge.setScaleMajor(10);
    gauge.setScaleMinor(10);
    gauge.setPrecision(2);
    gauge.setTextColor(QColor(0, 255, 0));
    gauge.setRingColor(QColor(0, 255, 0, 100));
    gauge.setText(QStringLiteral("电压"));
    gauge.setUnit(QStringLiteral("V"));
    gauge.setStartAngle(90);
    gauge.setEndAngle(90);
    gauge.resize(280, 380);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);

    GaugePanel polled;
    GaugePanel cached;
    GaugePanel rebuilt;
    configureVoltageGauge(polled);
    configureVoltageGauge(cached);
    configureVoltageGauge(rebuilt);
    QImage target(280, 380, QImage::Format_ARGB32_Premultiplied);
    cached.render(&target);
    rebuilt.render(&target);

    std::vector<double> pollNs, cachedUs, rebuiltUs;
    int step = 0;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer timer;

        timer.start();
        for (int i = 0; i < kPollsPerBlock; ++i) {
            polled.setRange(0, 30);
            // 12.341 .. 12.344 all show as 12.34.
            polled.setValue(12.341 + (i % 4) * 0.001);
        }
        pollNs.push_back(double(timer.nsecsElapsed()) / kPollsPerBlock);

        timer.restart();
        for (int i = 0; i < kPaintsPerBlock; ++i) {
            cached.setValue(5 + 0.01 * (++step % 1000));
            cached.render(&target);
        }
        cachedUs.push_back(timer.nsecsElapsed() / 1000.0 / kPaintsPerBlock);

        timer.restart();
        for (int i = 0; i < kPaintsPerBlock; ++i) {
            rebuilt.setRange(0, (++step % 2) ? 40 : 30);
            rebuilt.setValue(5 + 0.01 * (step % 1000));
            rebuilt.render(&target);
        }
        rebuiltUs.push_back(timer.nsecsElapsed() / 1000.0 / kPaintsPerBlock);
    }

    const double poll = median(pollNs);
    const double paintCached = median(cachedUs);
    const double paintRebuilt = median(rebuiltUs);
    std::printf("Round gauge 280 x 380, medians of %d blocks\n", kRounds);
    std::printf("  poll, nothing new   %10.3f us  (setRange + setValue, no paint)\n",
                poll / 1000.0);
    std::printf("  paint, cached face  %10.1f us\n", paintCached);
    std::printf("  paint, new face     %10.1f us\n", paintRebuilt);
    std::printf("  a paint costs %.0f unchanged polls; the cached face saves %.1f x per paint\n",
                paintCached * 1000.0 / poll, paintRebuilt / paintCached);
    std::printf("  verdict: %s\n", poll < 1000.0 && paintRebuilt > paintCached
                                       ? "unchanged polls cost under 1 us and the face cache pays"
                                       : "CHECK: an unchanged poll or the face cache is too slow");
    benchsupport::reportFigure(QStringLiteral("round gauge, a poll that changes nothing: %1 us")
                                   .arg(poll / 1000.0, 0, 'f', 3),
                               QStringLiteral("< 1 us"), poll < 1000.0);
    benchsupport::reportFigure(QStringLiteral("round gauge, paint with the cached face: %1 us "
                                              "(new face: %2 us)")
                                   .arg(paintCached, 0, 'f', 1)
                                   .arg(paintRebuilt, 0, 'f', 1),
                               QStringLiteral("< a paint with a new face"),
                               paintRebuilt > paintCached);
    return 0;
}
