#pragma once

#include <QString>

// The meter's report exchange: the request, the sampling-rate table and the
// decoding of its answer. No widgets: the meter page only wires these to its
// labels and chart.
namespace meter {

constexpr quint8 kReadCommand = 0x06;
constexpr int kMaxSamplesPerReport = 5;

// The 65-byte request: report ID 0, the read command, the rate code in byte 2,
// the rest zero.
void buildRequest(quint8 *out, quint8 rateCode);

struct RateSetting {
    quint8 rateCode;
    int pollIntervalMs;
    int samplesPerReport; // samples in each answer
    int decimationLimit;  // append one sample when the counter passes this; -1: every report
};

// The rate setting for a sampling-rate combo index 0..6; null for any other.
const RateSetting *rateForIndex(int index);
// The rate setting for a rate code; null for a code not in the table.
const RateSetting *rateForCode(quint8 rateCode);

struct Sample {
    double volts = 0;
    double amps = 0;
};

// Answer types that carry samples.
inline bool isSampleReport(quint8 type)
{
    return type == 8 || type == 9;
}

// Sample n (0-based) of the answer: volts = raw × 1.25 ÷ 1000, amperes =
// raw × 2.4 ÷ 5 ÷ 1000, and a current below 8 mA reads as zero.
Sample decodeSample(const quint8 *report, int n);

struct LineVoltages {
    double dPlus = 0, dMinus = 0, cc1 = 0, cc2 = 0;
};
// D+, D-, CC1, CC2: raw × 3.3 ÷ 4096 volts.
LineVoltages decodeLineVoltages(const quint8 *report);

// Load resistance for a voltage and current, in ohms: volts ÷ amps − 0.005.
// Without a current it is infinite or not a number.
double loadOhms(double volts, double amps);

// The text of a reading label: the value with fixed decimals, or "---" where
// the value is not a finite number (the load without a current), which a user
// should not have to read as "inf" or "nan".
QString readingText(double value, int decimals);

} // namespace meter
