// The power supply's status answer decoding on any report (the input, zeros
// where it is shorter than 64 bytes): readings, presets, lights, protection,
// gauge range and the preset button texts.
#include "fuzzcheck.h"
#include "tools/power/powerreport.h"

#include <QRegularExpression>

#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    quint8 report[64] = {};
    std::memcpy(report, data, qMin<size_t>(size, sizeof report));
    const power::Status status = power::decodeStatus(report);

    FUZZ_CHECK(status.volts >= 0 && status.volts <= 655.35 + 1e-9);
    FUZZ_CHECK(status.amps >= 0 && status.amps <= 65.535 + 1e-9);

    // Exactly one light for the four defined modes; none changes otherwise.
    power::Lights lights{true, true, true, true};
    const bool shown = power::lightsForMode(status.mode, &lights);
    FUZZ_CHECK(shown == (status.mode <= 3) &&
               shown == (power::isKnownMode(status.mode) && status.mode != power::OtherMode));
    if (shown)
        FUZZ_CHECK(int(lights.cv) + lights.cc + lights.ovp + lights.ocp == 1);
    else
        FUZZ_CHECK(lights.cv && lights.cc && lights.ovp && lights.ocp);
    FUZZ_CHECK(power::protectionTripped(status.mode, status.protectionActive) ==
               ((status.mode == 2 || status.mode == 3) && status.protectionActive != 0));

    for (double value : {status.volts, status.amps}) {
        const double upper = power::gaugeUpper(value, 30, 40);
        FUZZ_CHECK(upper == (value < 30 ? 30 : value < 40 ? 40 : 0));
    }

    // "M<slot> <volts, 2 decimals>V/<amperes, 3 decimals>A", reading back the
    // preset to its last digit.
    static const QRegularExpression pattern(
        QStringLiteral("^M([1-6]) (\\d{1,3}\\.\\d\\d)V/(\\d{1,2}\\.\\d\\d\\d)A$"));
    for (int k = 0; k < power::kPresetCount; ++k) {
        const QString text =
            power::presetButtonText(k + 1, status.presetVoltage[k], status.presetCurrent[k]);
        const QRegularExpressionMatch match = pattern.match(text);
        FUZZ_CHECK(match.hasMatch(), "%s", qPrintable(text));
        FUZZ_CHECK(match.captured(1).toInt() == k + 1);
        FUZZ_CHECK(std::lround(match.captured(2).toDouble() * 100) == status.presetVoltage[k],
                   "%s for %d", qPrintable(text), status.presetVoltage[k]);
        FUZZ_CHECK(std::lround(match.captured(3).toDouble() * 1000) == status.presetCurrent[k],
                   "%s for %d", qPrintable(text), status.presetCurrent[k]);
    }
    return 0;
}
