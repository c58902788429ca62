#include "sim/meter_model.h"
#include "sim/noise.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace sim {

using detail::noise;

MeterModel::MeterModel()
{
    // Idle default: 5.000 V, no current, data lines open.
    voltageRaw_.fill(voltsToRaw(5.0));
    currentRaw_.fill(0);
    lineRaw_.fill(0);
    profileStart_ = std::chrono::steady_clock::now();
}

DeviceIdentity MeterModel::identity() const
{
    DeviceIdentity id;
    id.vendorId = kVendorId;
    id.productId = kMeterProductId;
    id.manufacturer = L"KRIV";
    id.product = L"USB Voltage/Current Meter (simulated)";
    return id;
}

int MeterModel::samplesForRate(int rateCode)
{
    switch (rateCode) {
    case 40:
        return 2;
    case 80:
        return 4;
    case 100:
        return 5;
    default:
        return 1; // 1, 2, 10, 20 and anything unknown
    }
}

std::uint16_t MeterModel::voltsToRaw(double volts)
{
    return be::toU16(volts * 1000.0 / 1.25);
}
std::uint16_t MeterModel::ampsToRaw(double amps)
{
    return be::toU16(amps * 1000.0 * 5.0 / 2.4);
}
std::uint16_t MeterModel::lineVoltsToRaw(double volts)
{
    return be::toU16(volts * 4096.0 / 3.3);
}
double MeterModel::rawToVolts(std::uint16_t raw)
{
    return raw * 1.25 / 1000.0;
}
double MeterModel::rawToAmps(std::uint16_t raw)
{
    return raw * 2.4 / 5.0 / 1000.0;
}
double MeterModel::rawToLineVolts(std::uint16_t raw)
{
    return raw * 3.3 / 4096.0;
}

static void checkIndex(int index)
{
    if (index < 0 || index >= MeterModel::kMaxSamples)
        throw std::out_of_range("MeterModel: sample index must be 0-4");
}

void MeterModel::setRawSample(int index, std::uint16_t voltageRaw, std::uint16_t currentRaw)
{
    checkIndex(index);
    std::lock_guard<std::mutex> lock(mutex_);
    source_ = Source::Fixed;
    voltageRaw_[index] = voltageRaw;
    currentRaw_[index] = currentRaw;
}

void MeterModel::setRawSamples(std::uint16_t voltageRaw, std::uint16_t currentRaw)
{
    std::lock_guard<std::mutex> lock(mutex_);
    source_ = Source::Fixed;
    voltageRaw_.fill(voltageRaw);
    currentRaw_.fill(currentRaw);
}

void MeterModel::setRawLines(std::uint16_t dPlus, std::uint16_t dMinus, std::uint16_t cc1,
                             std::uint16_t cc2)
{
    std::lock_guard<std::mutex> lock(mutex_);
    source_ = Source::Fixed;
    lineRaw_ = {dPlus, dMinus, cc1, cc2};
}

void MeterModel::setSample(int index, double volts, double amps)
{
    setRawSample(index, voltsToRaw(volts), ampsToRaw(amps));
}

void MeterModel::setReading(double volts, double amps)
{
    setRawSamples(voltsToRaw(volts), ampsToRaw(amps));
}

void MeterModel::setLines(double dPlus, double dMinus, double cc1, double cc2)
{
    setRawLines(lineVoltsToRaw(dPlus), lineVoltsToRaw(dMinus), lineVoltsToRaw(cc1),
                lineVoltsToRaw(cc2));
}

void MeterModel::startPhoneCharging(Charger charger)
{
    std::lock_guard<std::mutex> lock(mutex_);
    source_ = Source::PhoneCharging;
    charger_ = charger;
    profileStart_ = std::chrono::steady_clock::now();
}

MeterModel::Sample MeterModel::phoneChargingAt(double t, std::uint64_t seed)
{
    // Phases of a phone on a charger: detection (no current), a 100 mA
    // enumeration step, a soft-start ramp to about 1.9 A, then constant
    // current with small ripple and a slow wobble.
    double amps;
    if (t < 0.5)
        amps = 0.0;
    else if (t < 1.5)
        amps = 0.10;
    else if (t < 7.5) {
        double x = (t - 1.5) / 6.0;              // 0..1
        double smooth = x * x * (3.0 - 2.0 * x); // smoothstep
        amps = 0.10 + 1.80 * smooth;
    } else
        amps = 1.90 + 0.015 * std::sin(t * 0.7);
    if (amps > 0.0)
        amps += 0.008 * noise(seed);
    amps = std::max(0.0, amps);
    // Cable and shunt drop of about 80 mOhm, a little ripple.
    double volts = 5.10 - 0.08 * amps + 0.004 * noise(seed ^ 0xA5A5A5A5ull);
    return {volts, amps};
}

static std::array<double, 4> linesFor(MeterModel::Charger charger)
{
    // D+, D-, CC1, CC2: a Type-C sink's Rd on CC1 against a 3 A source Rp
    // gives about 1.7 V; CC2 is open.
    switch (charger) {
    case MeterModel::Charger::QuickCharge:
        return {0.60, 0.60, 1.70, 0.0};
    case MeterModel::Charger::Apple:
        return {2.70, 2.70, 1.70, 0.0};
    case MeterModel::Charger::HostPort:
        return {0.02, 0.02, 1.70, 0.0};
    }
    return {0, 0, 0, 0};
}

std::array<double, 4> MeterModel::chargerLines() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return linesFor(charger_);
}

MeterModel::Source MeterModel::source() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return source_;
}

void MeterModel::setSource(Source source)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (source == Source::PhoneCharging && source_ != Source::PhoneCharging)
        profileStart_ = std::chrono::steady_clock::now();
    source_ = source;
}

void MeterModel::setResponseType(std::uint8_t type)
{
    std::lock_guard<std::mutex> lock(mutex_);
    responseType_ = type;
}

int MeterModel::lastRateCode() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lastRateCode_;
}

int MeterModel::requestCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void MeterModel::fillFixed(InputReport &r, int samples) const
{
    for (int k = 0; k < samples; ++k) {
        be::put16(r, 4 + 4 * k, voltageRaw_[k]);
        be::put16(r, 6 + 4 * k, currentRaw_[k]);
    }
    for (int k = 0; k < 4; ++k)
        be::put16(r, 24 + 2 * k, lineRaw_[k]);
}

void MeterModel::fillProfile(InputReport &r, int samples, int rateCode)
{
    using namespace std::chrono;
    const double now = duration<double>(steady_clock::now() - profileStart_).count();
    const double rate = rateCode > 0 ? rateCode : 20.0;
    for (int k = 0; k < samples; ++k) {
        // Successive samples of one report are spaced by 1/rate, the last
        // one taken now.
        double t = now - (samples - 1 - k) / rate;
        auto seed = static_cast<std::uint64_t>(std::llround(std::max(0.0, t) * 1000.0));
        Sample s = phoneChargingAt(std::max(0.0, t), seed);
        be::put16(r, 4 + 4 * k, voltsToRaw(s.volts));
        be::put16(r, 6 + 4 * k, ampsToRaw(s.amps));
    }
    const std::array<double, 4> lines = linesFor(charger_);
    auto seed = static_cast<std::uint64_t>(std::llround(now * 1000.0));
    for (int k = 0; k < 4; ++k) {
        double v = lines[k] > 0.0 ? lines[k] + 0.005 * noise(seed * 4 + k)
                                  : 0.003 * (1.0 + noise(seed * 4 + k));
        be::put16(r, 24 + 2 * k, lineVoltsToRaw(v));
    }
}

std::optional<Answer> MeterModel::handleOutputReport(const OutputReport &request)
{
    if (request[1] != kCommand)
        return std::nullopt;
    std::lock_guard<std::mutex> lock(mutex_);
    const int rateCode = request[2];
    lastRateCode_ = rateCode;
    ++requests_;
    Answer a;
    a.report[0] = responseType_;
    const int samples = samplesForRate(rateCode);
    if (source_ == Source::Fixed)
        fillFixed(a.report, samples);
    else
        fillProfile(a.report, samples, rateCode);
    return a;
}

} // namespace sim
