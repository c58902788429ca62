// The one-key power-on boot line cable (product 0x4609).
#pragma once

#include "sim/device_model.h"

#include <chrono>

namespace sim {

/// Answers command 6 (trigger in byte 2) with code 8: voltage mV at 4-5,
/// current mA at 6-7, peak current mA at 8-9, elapsed time in tenths of a
/// second at 10-11. Other commands get no answer.
///
/// PhoneBoot source: a request with the trigger set after one without starts
/// a new boot (elapsed time and peak reset). While triggered the phone draws
/// a boot-current profile from a battery emulation of about 4.0 V and the
/// elapsed time counts; untriggered the current is 0 and time and peak hold.
class BootLineModel : public DeviceModel {
public:
    enum class Source { Fixed, PhoneBoot };

    static constexpr std::uint8_t kCommand = 0x06;

    BootLineModel();

    DeviceIdentity identity() const override;
    std::optional<Answer> handleOutputReport(const OutputReport &request) override;

    /// Fixed answer fields (switches the source to Fixed).
    void setRaw(std::uint16_t millivolts, std::uint16_t milliamps, std::uint16_t peakMilliamps,
                std::uint16_t tenths);
    /// Back to the boot profile (the default); clears time and peak.
    void startPhoneBoot();
    Source source() const;

    /// The profile's current in amperes at \a seconds after the trigger.
    static double bootCurrentAt(double seconds);
    /// Open-circuit voltage of the battery emulation (default 4.0 V).
    void setBatteryVoltage(double volts);

    void setResponseCode(std::uint8_t code);

    int lastTrigger() const; ///< byte 2 of the last request, -1 before any
    bool triggered() const;
    int requestCount() const;
    std::uint16_t peakMilliamps() const;
    std::uint16_t elapsedTenths() const;

private:
    using Clock = std::chrono::steady_clock;
    double elapsedSecondsLocked(Clock::time_point now) const;

    Source source_ = Source::PhoneBoot;
    std::uint16_t fixedMv_ = 0, fixedMa_ = 0, fixedPeakMa_ = 0, fixedTenths_ = 0;
    double batteryVolts_ = 4.0;
    std::uint8_t responseCode_ = 8;
    int lastTrigger_ = -1;
    bool triggered_ = false;
    Clock::time_point triggerStart_;
    double heldSeconds_ = 0; ///< elapsed time frozen at the last release
    std::uint16_t peakMa_ = 0;
    int requests_ = 0;
};

} // namespace sim
