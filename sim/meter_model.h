// The USB voltage/current meter (product 0x4607).
#pragma once

#include "sim/device_model.h"

#include <array>
#include <chrono>

namespace sim {

/// Answers command 0x06 (rate code in byte 2) with a type-8 report carrying
/// one to five voltage/current samples at bytes 4-23 and D+, D-, CC1, CC2 at
/// bytes 24-31, all unsigned 16-bit big-endian. Other commands get no answer.
class MeterModel : public DeviceModel {
public:
    enum class Source {
        Fixed,         ///< the values set by the setters
        PhoneCharging, ///< a phone charging, driven by std::chrono::steady_clock
    };
    enum class Charger {
        QuickCharge, ///< D+ and D- about 0.6 V
        Apple,       ///< D+ and D- about 2.7 V (Apple 2.4 A divider)
        HostPort,    ///< a computer port: data lines near 0 V
    };

    static constexpr std::uint8_t kCommand = 0x06;
    static constexpr int kMaxSamples = 5;

    MeterModel();

    DeviceIdentity identity() const override;
    std::optional<Answer> handleOutputReport(const OutputReport &request) override;

    /// Samples in one report for a rate code: 1, 2, 10, 20 -> 1; 40 -> 2;
    /// 80 -> 4; 100 -> 5; any other code -> 1.
    static int samplesForRate(int rateCode);

    // Conversions of the report's scales (rounded to the nearest raw value).
    static std::uint16_t voltsToRaw(double volts);     ///< raw = V * 1000 / 1.25
    static std::uint16_t ampsToRaw(double amps);       ///< raw = A * 1000 * 5 / 2.4
    static std::uint16_t lineVoltsToRaw(double volts); ///< raw = V * 4096 / 3.3
    static double rawToVolts(std::uint16_t raw);
    static double rawToAmps(std::uint16_t raw);
    static double rawToLineVolts(std::uint16_t raw);

    // ---- fixed values (switch the source to Fixed) ------------------------
    void setRawSample(int index, std::uint16_t voltageRaw, std::uint16_t currentRaw); ///< index 0-4
    void setRawSamples(std::uint16_t voltageRaw, std::uint16_t currentRaw);           ///< all five
    void setRawLines(std::uint16_t dPlus, std::uint16_t dMinus, std::uint16_t cc1,
                     std::uint16_t cc2);
    void setSample(int index, double volts, double amps);
    void setReading(double volts, double amps); ///< all five samples
    void setLines(double dPlus, double dMinus, double cc1, double cc2);

    // ---- phone charging profile ------------------------------------------
    /// About 5.1 V, current ramping from 0 to about 1.9 A over about seven
    /// seconds, then settling with small noise; CC1 about 1.7 V, CC2 near 0.
    /// Restarts the profile clock.
    void startPhoneCharging(Charger charger = Charger::QuickCharge);
    /// The profile's values at \a seconds after its start (for tests).
    struct Sample {
        double volts, amps;
    };
    static Sample phoneChargingAt(double seconds, std::uint64_t noiseSeed);
    std::array<double, 4> chargerLines() const;

    Source source() const;
    void setSource(Source source);

    /// Response type in byte 0 (8 by default; the program also accepts 9).
    void setResponseType(std::uint8_t type);

    int lastRateCode() const; ///< -1 before the first request
    int requestCount() const; ///< command-0x06 requests answered

private:
    void fillFixed(InputReport &r, int samples) const;
    void fillProfile(InputReport &r, int samples, int rateCode);

    Source source_ = Source::Fixed;
    Charger charger_ = Charger::QuickCharge;
    std::array<std::uint16_t, kMaxSamples> voltageRaw_{};
    std::array<std::uint16_t, kMaxSamples> currentRaw_{};
    std::array<std::uint16_t, 4> lineRaw_{};
    std::uint8_t responseType_ = 8;
    int lastRateCode_ = -1;
    int requests_ = 0;
    std::chrono::steady_clock::time_point profileStart_;
};

} // namespace sim
