#include "sim/boot_line_model.h"
#include "sim/noise.h"

#include <algorithm>
#include <cmath>

namespace sim {

BootLineModel::BootLineModel()
{
    triggerStart_ = Clock::now();
}

DeviceIdentity BootLineModel::identity() const
{
    DeviceIdentity id;
    id.vendorId = kVendorId;
    id.productId = kBootLineProductId;
    id.manufacturer = L"KRIV";
    id.product = L"One-Key Boot Line (simulated)";
    return id;
}

double BootLineModel::bootCurrentAt(double t)
{
    if (t < 0)
        return 0;
    const auto key = static_cast<std::uint64_t>(t * 500.0); // one value per 2 ms
    const double jitter = 0.01 * detail::noise(key);
    double a;
    if (t < 0.4) {
        a = 0.05; // power management IC standby after the key press
    } else if (t < 1.2) {
        a = 0.20 + 0.03 * std::sin(t * 40.0); // boot loader
    } else if (t < 6.0) {
        // Kernel start: bursts of 0.2-0.6 A, every 0.25 s a burst of 80 ms.
        const double phase = std::fmod(t - 1.2, 0.25);
        const int burst = static_cast<int>((t - 1.2) / 0.25);
        const double level = 0.40 + 0.20 * detail::noise(static_cast<std::uint64_t>(burst) * 7919u);
        a = phase < 0.08 ? level : 0.22;
    } else {
        // Running: about 0.25 A with a radio burst every 1.5 s.
        a = std::fmod(t - 6.0, 1.5) < 0.2 ? 0.55 : 0.25;
    }
    // Short spikes near 0.9 A: display and modem power-up.
    for (double spike : {1.30, 2.15, 3.60, 4.85}) {
        if (t >= spike && t < spike + 0.012)
            a = 0.88 + 0.02 * std::cos((t - spike) * 300.0);
    }
    return std::max(0.0, a + jitter);
}

double BootLineModel::elapsedSecondsLocked(Clock::time_point now) const
{
    if (!triggered_)
        return heldSeconds_;
    return std::chrono::duration<double>(now - triggerStart_).count();
}

std::optional<Answer> BootLineModel::handleOutputReport(const OutputReport &request)
{
    if (request[1] != kCommand)
        return std::nullopt;
    std::lock_guard<std::mutex> lock(mutex_);
    const auto now = Clock::now();
    const bool trig = request[2] != 0;
    lastTrigger_ = request[2];
    ++requests_;

    Answer a;
    InputReport &r = a.report;
    r[0] = responseCode_;
    if (source_ == Source::Fixed) {
        triggered_ = trig;
        be::put16(r, 4, fixedMv_);
        be::put16(r, 6, fixedMa_);
        be::put16(r, 8, fixedPeakMa_);
        be::put16(r, 10, fixedTenths_);
        return a;
    }

    if (trig && !triggered_) {
        triggered_ = true;
        triggerStart_ = now;
        peakMa_ = 0;
        heldSeconds_ = 0;
    } else if (!trig && triggered_) {
        heldSeconds_ = elapsedSecondsLocked(now);
        triggered_ = false;
    }
    const double t = elapsedSecondsLocked(now);
    const double amps = triggered_ ? bootCurrentAt(t) : 0.0;
    // Battery emulation with about 0.12 ohm source resistance.
    const double volts = batteryVolts_ - 0.12 * amps;
    const std::uint16_t ma = be::toU16(amps * 1000.0);
    peakMa_ = std::max(peakMa_, ma);
    be::put16(r, 4, be::toU16(volts * 1000.0));
    be::put16(r, 6, ma);
    be::put16(r, 8, peakMa_);
    // A 16-bit counter of tenths: wraps like the device's.
    be::put16(r, 10, static_cast<std::uint16_t>(static_cast<std::uint64_t>(t * 10.0) & 0xFFFFu));
    return a;
}

void BootLineModel::setRaw(std::uint16_t millivolts, std::uint16_t milliamps,
                           std::uint16_t peakMilliamps, std::uint16_t tenths)
{
    std::lock_guard<std::mutex> lock(mutex_);
    source_ = Source::Fixed;
    fixedMv_ = millivolts;
    fixedMa_ = milliamps;
    fixedPeakMa_ = peakMilliamps;
    fixedTenths_ = tenths;
}

void BootLineModel::startPhoneBoot()
{
    std::lock_guard<std::mutex> lock(mutex_);
    source_ = Source::PhoneBoot;
    triggered_ = false;
    heldSeconds_ = 0;
    peakMa_ = 0;
}

BootLineModel::Source BootLineModel::source() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return source_;
}

void BootLineModel::setBatteryVoltage(double volts)
{
    std::lock_guard<std::mutex> lock(mutex_);
    batteryVolts_ = volts;
}

void BootLineModel::setResponseCode(std::uint8_t code)
{
    std::lock_guard<std::mutex> lock(mutex_);
    responseCode_ = code;
}

int BootLineModel::lastTrigger() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lastTrigger_;
}

bool BootLineModel::triggered() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return triggered_;
}

int BootLineModel::requestCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::uint16_t BootLineModel::peakMilliamps() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return source_ == Source::Fixed ? fixedPeakMa_ : peakMa_;
}

std::uint16_t BootLineModel::elapsedTenths() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (source_ == Source::Fixed)
        return fixedTenths_;
    return static_cast<std::uint16_t>(
        static_cast<std::uint64_t>(elapsedSecondsLocked(Clock::now()) * 10.0) & 0xFFFFu);
}

} // namespace sim
