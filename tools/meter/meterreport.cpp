#include "meterreport.h"

#include "device/hidtransaction.h"

#include <cmath>

namespace meter {

namespace {
const RateSetting kRates[] = {
    {1, 47, 1, 19},  {2, 47, 1, 9},   {10, 47, 1, 1},   {20, 47, 1, -1},
    {40, 40, 2, -1}, {80, 40, 4, -1}, {100, 40, 5, -1},
};
constexpr int kSampleOffset = 4;
constexpr int kLineOffset = 24;
} // namespace

void buildRequest(quint8 *out, quint8 rateCode)
{
    hid::beginReport(out, kReadCommand);
    out[2] = rateCode;
}

const RateSetting *rateForIndex(int index)
{
    if (index < 0 || index >= int(sizeof kRates / sizeof kRates[0]))
        return nullptr;
    return &kRates[index];
}

const RateSetting *rateForCode(quint8 rateCode)
{
    for (const RateSetting &rate : kRates) {
        if (rate.rateCode == rateCode)
            return &rate;
    }
    return nullptr;
}

Sample decodeSample(const quint8 *report, int n)
{
    const quint8 *field = report + kSampleOffset + 4 * n;
    Sample sample;
    sample.volts = double(hid::readU16(field)) * 1.25 / 1000;
    sample.amps = double(hid::readU16(field + 2)) * 2.4 / 5 / 1000;
    if (sample.amps < 0.008)
        sample.amps = 0;
    return sample;
}

LineVoltages decodeLineVoltages(const quint8 *report)
{
    auto volts = [report](int n) {
        return double(hid::readU16(report + kLineOffset + 2 * n)) * 3.3 / 4096;
    };
    LineVoltages lines;
    lines.dPlus = volts(0);
    lines.dMinus = volts(1);
    lines.cc1 = volts(2);
    lines.cc2 = volts(3);
    return lines;
}

double loadOhms(double volts, double amps)
{
    return volts / amps - 0.005;
}

QString readingText(double value, int decimals)
{
    if (!std::isfinite(value))
        return QStringLiteral("---");
    return QString::number(value, 'f', decimals);
}

} // namespace meter
