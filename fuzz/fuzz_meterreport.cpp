// The meter's answer decoding on any report: the first input byte picks the
// sampling rate, the next 64 bytes are the answer (zeros where the input is
// shorter). Every sample the rate reads, the line voltages, the load and the
// label texts must stay within what 16-bit fields can give.
#include "fuzzcheck.h"
#include "tools/meter/meterreport.h"

#include <cmath>
#include <cstring>

namespace {

// The label text of a finite value reads back as that value, to its decimals.
void checkText(double value, int decimals)
{
    const QString text = meter::readingText(value, decimals);
    if (!std::isfinite(value)) {
        FUZZ_CHECK(text == QStringLiteral("---"));
        return;
    }
    bool ok = false;
    const double back = text.toDouble(&ok);
    FUZZ_CHECK(ok && std::fabs(back - value) <= 0.5 * std::pow(10.0, -decimals) * 1.0001,
               "%s for %.17g", qPrintable(text), value);
    const int point = text.indexOf(QLatin1Char('.'));
    FUZZ_CHECK(point > 0 && text.size() - point - 1 == decimals, "%s", qPrintable(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    quint8 report[64] = {};
    std::memcpy(report, data + 1, qMin<size_t>(size - 1, sizeof report));

    const meter::RateSetting *rate = meter::rateForIndex(data[0] % 8); // 7: no such rate
    if (!rate)
        return 0;
    FUZZ_CHECK(meter::rateForCode(rate->rateCode) == rate);
    FUZZ_CHECK(rate->samplesPerReport >= 1 &&
               rate->samplesPerReport <= meter::kMaxSamplesPerReport);

    // Full scale: 65535 × 1.25 mV and 65535 × 0.48 mA.
    for (int n = 0; n < rate->samplesPerReport; ++n) {
        const meter::Sample sample = meter::decodeSample(report, n);
        FUZZ_CHECK(sample.volts >= 0 && sample.volts <= 81.91875 + 1e-9);
        FUZZ_CHECK(sample.amps == 0 || (sample.amps >= 0.008 && sample.amps <= 31.4568 + 1e-9),
                   "%.17g A", sample.amps);
        const double load = meter::loadOhms(sample.volts, sample.amps);
        FUZZ_CHECK(sample.amps > 0 ? std::isfinite(load) : !std::isfinite(load));
        checkText(sample.volts, 4);
        checkText(sample.amps, 4);
        checkText(sample.volts * sample.amps, 4);
        checkText(load, 2);
    }
    const meter::LineVoltages lines = meter::decodeLineVoltages(report);
    for (double volts : {lines.dPlus, lines.dMinus, lines.cc1, lines.cc2}) {
        FUZZ_CHECK(volts >= 0 && volts < 3.3 * 16); // 65535 × 3.3 / 4096
        checkText(volts, 4);
    }
    return 0;
}
