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
///
/// Phone source (setPhone): a phone that the key press switches on and that
/// stays on after the key is let go. Each press starts a new boot run (time
/// and peak reset, the run number counts up); a healthy phone's runs differ a
/// little from one another (stage times, levels, noise), as real ones do,
/// and the faulty ones go wrong at a stage of their own.
class BootLineModel : public DeviceModel {
public:
    enum class Source { Fixed, PhoneBoot, Phone };

    /// The phones of the Phone source.
    enum class Phone {
        Healthy,           ///< PMU, boot loader, kernel, idle
        StopsAtBootLoader, ///< stays at the boot loader's level from the kernel's start on
        Short,             ///< draws the supply's limit from the press on
        NeverStarts,       ///< the standby draw, then nothing
        BootLoop,          ///< resets in the kernel stage and boots again, over and over
    };
    /// The healthy phone's stages, as a run without variation has them:
    /// the power management IC's standby draw, the boot loader from 0.4 s,
    /// the kernel from 1.2 s, idle from 6.0 s.
    static constexpr double kBootLoaderAt = 0.4;
    static constexpr double kKernelAt = 1.2;
    static constexpr double kIdleAt = 6.0;
    /// A phone that never starts keeps its standby draw this much longer
    /// than the boot loader would take to start.
    static constexpr double kStandbyGraceS = 0.02;
    /// The current a shorted phone draws: the supply's limit.
    static constexpr double kShortAmps = 2.5;
    /// A boot loop resets this long after the press and is off for kLoopOffS.
    static constexpr double kLoopResetAt = 2.6;
    static constexpr double kLoopOffS = 0.3;
    /// The first run number of a model's presses: the runs a reference may
    /// be built from (1, 2, …) are not among them.
    static constexpr unsigned kFirstPressRun = 1000;

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

    /// Switches to the Phone source with this phone; the next press boots it.
    void setPhone(Phone phone);
    Phone phone() const;
    /// The run number the next press gets (then counting up).
    void setNextRun(unsigned run);
    /// Run number of the boot under way (or the last one).
    unsigned run() const;
    /// The current in amperes \a seconds after the press of boot \a run of
    /// \a phone: the same run always gives the same curve.
    static double phoneCurrentAt(Phone phone, unsigned run, double seconds);
    /// The phone's name as the demo's terminal takes it ("good", "stuck",
    /// "short", "dead", "loop") and back; false for another word.
    static const char *phoneWord(Phone phone);
    static bool phoneFromWord(const char *word, Phone *phone);
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
    Phone phone_ = Phone::Healthy;
    unsigned nextRun_ = kFirstPressRun;
    unsigned run_ = 0;
    bool keyDown_ = false; ///< the last request carried the trigger (Phone source)
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
