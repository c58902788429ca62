#include "sim/boot_line_model.h"
#include "sim/noise.h"

#include <algorithm>
#include <cmath>
#include <string>

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

namespace {

// How one run of a phone differs from the others: its stage times and its
// level.
struct RunVariation {
    double bootLoaderAt;
    double kernelAt;
    double idleAt;
    double scale;
};

RunVariation variationOf(unsigned run)
{
    const std::uint64_t key = std::uint64_t(run) * 0x51ED27u;
    return {BootLineModel::kBootLoaderAt + 0.008 * detail::noise(key + 1),
            BootLineModel::kKernelAt + 0.010 * detail::noise(key + 2),
            BootLineModel::kIdleAt + 0.010 * detail::noise(key + 3),
            1.0 + 0.02 * detail::noise(key + 4)};
}

// The sample noise of a run: about ±8 mA, a value per 2 ms.
double runNoise(unsigned run, double t)
{
    const auto slot = static_cast<std::uint64_t>(t * 500.0);
    return 0.008 * detail::noise(slot * 0x9E3779B1u + std::uint64_t(run) * 0x2545F491u);
}

double bootLoaderLevel(const RunVariation &v, double t)
{
    return 0.20 + 0.03 * std::sin((t - v.bootLoaderAt) * 40.0);
}

// A healthy boot, without the run's noise and level.
double healthyShape(const RunVariation &v, double t)
{
    if (t < v.bootLoaderAt)
        return 0.05; // the power management IC's standby draw after the key press
    if (t < v.kernelAt)
        return bootLoaderLevel(v, t);
    double a;
    if (t < v.idleAt) {
        // Kernel: every 0.25 s a burst of 80 ms at 0.4-0.6 A, 0.22 A between.
        const double k = t - v.kernelAt;
        const int burst = static_cast<int>(k / 0.25);
        const double level = 0.40 + 0.20 * detail::noise(static_cast<std::uint64_t>(burst) * 7919u);
        a = std::fmod(k, 0.25) < 0.08 ? level : 0.22;
    } else {
        // Idle: about 0.25 A with a radio burst every 1.5 s.
        a = std::fmod(t - v.idleAt, 1.5) < 0.2 ? 0.55 : 0.25;
    }
    // Short spikes near 0.9 A: display and modem power-up.
    for (double spike : {0.10, 0.95, 2.40, 3.65}) {
        const double s = t - (v.kernelAt + spike);
        if (s >= 0 && s < 0.012)
            a = 0.88 + 0.02 * std::cos(s * 300.0);
    }
    return a;
}

} // namespace

double BootLineModel::phoneCurrentAt(Phone phone, unsigned run, double t)
{
    if (t < 0)
        return 0;
    const RunVariation v = variationOf(run);
    const double noise = runNoise(run, t);
    double a = 0;
    switch (phone) {
    case Phone::Healthy:
        a = healthyShape(v, t) * v.scale;
        break;
    case Phone::StopsAtBootLoader:
        a = (t < v.kernelAt ? healthyShape(v, t) : bootLoaderLevel(v, t)) * v.scale;
        break;
    case Phone::Short:
        return kShortAmps + 0.25 * noise;
    case Phone::NeverStarts:
        // The power management IC waits a little longer for the boot loader,
        // then gives up: a leak of a milliampere or two.
        if (t >= v.bootLoaderAt + kStandbyGraceS)
            return std::max(0.0, 0.25 * noise);
        a = 0.05 * v.scale;
        break;
    case Phone::BootLoop: {
        const double cycle = std::fmod(t, kLoopResetAt + kLoopOffS);
        if (cycle >= kLoopResetAt)
            return 0; // reset: off until it boots again
        a = healthyShape(v, cycle) * v.scale;
        break;
    }
    }
    return std::max(0.0, a + noise);
}

const char *BootLineModel::phoneWord(Phone phone)
{
    switch (phone) {
    case Phone::Healthy:
        return "good";
    case Phone::StopsAtBootLoader:
        return "stuck";
    case Phone::Short:
        return "short";
    case Phone::NeverStarts:
        return "dead";
    case Phone::BootLoop:
        return "loop";
    }
    return "";
}

bool BootLineModel::phoneFromWord(const char *word, Phone *phone)
{
    for (Phone p : {Phone::Healthy, Phone::StopsAtBootLoader, Phone::Short, Phone::NeverStarts,
                    Phone::BootLoop}) {
        if (std::string(word) == phoneWord(p)) {
            *phone = p;
            return true;
        }
    }
    return false;
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

    double amps = 0;
    if (source_ == Source::Phone) {
        // A press switches the phone on and starts a new run; the phone
        // stays on when the key is let go, and the time counts on.
        if (trig && !keyDown_) {
            triggered_ = true;
            triggerStart_ = now;
            peakMa_ = 0;
            heldSeconds_ = 0;
            run_ = nextRun_++;
        }
        keyDown_ = trig;
        amps = triggered_ ? phoneCurrentAt(phone_, run_, elapsedSecondsLocked(now)) : 0.0;
    } else {
        if (trig && !triggered_) {
            triggered_ = true;
            triggerStart_ = now;
            peakMa_ = 0;
            heldSeconds_ = 0;
        } else if (!trig && triggered_) {
            heldSeconds_ = elapsedSecondsLocked(now);
            triggered_ = false;
        }
        amps = triggered_ ? bootCurrentAt(elapsedSecondsLocked(now)) : 0.0;
    }
    const double t = elapsedSecondsLocked(now);
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

void BootLineModel::setPhone(Phone phone)
{
    std::lock_guard<std::mutex> lock(mutex_);
    source_ = Source::Phone;
    phone_ = phone;
}

BootLineModel::Phone BootLineModel::phone() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return phone_;
}

void BootLineModel::setNextRun(unsigned run)
{
    std::lock_guard<std::mutex> lock(mutex_);
    nextRun_ = run;
}

unsigned BootLineModel::run() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return run_;
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
