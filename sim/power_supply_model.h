// The adjustable bench power supply (product 0x4608).
#pragma once

#include "sim/device_model.h"

#include <array>
#include <chrono>
#include <limits>
#include <map>

namespace sim {

/// Answers command 6 (read) and 7 (read and apply) with response code 8:
/// output voltage (10 mV) and current (mA) at 4-7, presets M1-M6 (voltage at
/// 8..18, current at 20..30), output on 48, mode 49, OVP 50, OCP 51, selected
/// preset 52, protection active 53.
///
/// Command 7 applies: byte 5 selected preset (0-6), 6-7 voltage set-point in
/// 10 mV, 8-9 current limit in mA, 10 output on, 11 OVP enable, 12 OCP
/// enable; when the selected preset is 1-6 the set-points are stored in it.
///
/// Regulation into a resistive load R: CV while Vset/R <= Ilimit, else CC
/// with V = Ilimit * R. With OCP enabled, entering CC trips. An over-voltage
/// (output voltage above the OVP threshold, or forceOverVoltage) with OVP
/// enabled trips. A trip switches the output off, latches mode 2 (OCP) or 3
/// (OVP) and sets "protection active"; the host re-arms the output by
/// sending output off, after which output on switches it on again.
///
/// Instead of the resistive load the output may charge a cell (connectCell):
/// its open-circuit voltage rises with its state of charge, from emptyVolts
/// at empty to fullVolts at full, behind its internal resistance. While the
/// voltage set-point less the cell's voltage, over its resistance, asks for
/// more than the current limit the supply regulates the current (CC, the
/// output voltage rising as the cell fills); then the voltage (CV), with the
/// current tapering as the cell's voltage nears the set-point. The cell
/// takes the current the output gives it over the time that passes between
/// two requests (std::chrono::steady_clock), or over runCell's seconds; it
/// never gives current back.
class PowerSupplyModel : public DeviceModel {
public:
    /// A rechargeable cell on the output.
    struct Cell {
        double capacityMah = 50;
        double emptyVolts = 3.2;
        double fullVolts = 4.2;
        double ohms = 0.15;
        double stateOfCharge = 0.1; ///< 0 empty … 1 full
    };

    enum Mode : std::uint8_t { CV = 0, CC = 1, OCP = 2, OVP = 3, Other = 4 };
    struct Preset {
        std::uint16_t voltage10mV = 0;
        std::uint16_t currentMa = 0;
        bool operator==(const Preset &o) const
        {
            return voltage10mV == o.voltage10mV && currentMa == o.currentMa;
        }
    };
    struct State {
        std::uint16_t voltageSetpoint10mV = 0;
        std::uint16_t currentLimitMa = 0;
        bool outputOn = false;
        bool ovpEnabled = false;
        bool ocpEnabled = false;
        std::uint8_t selectedPreset = 0;
        std::array<Preset, 6> presets{};
        double loadOhms = 0;
        std::uint8_t mode = CV;
        bool protectionActive = false;
        std::uint16_t outputVoltage10mV = 0; ///< as reported at bytes 4-5
        std::uint16_t outputCurrentMa = 0;   ///< as reported at bytes 6-7
    };

    static constexpr double kOpenCircuit = std::numeric_limits<double>::infinity();
    static std::array<Preset, 6> defaultPresets();

    PowerSupplyModel();

    DeviceIdentity identity() const override;
    std::optional<Answer> handleOutputReport(const OutputReport &request) override;

    State state() const;

    /// Resistive load in ohms; kOpenCircuit for none, 0 for a short. Takes
    /// the place of a cell.
    void setLoad(double ohms);
    /// The resistive load, also while a cell takes its place.
    double load() const;
    /// A cell on the output instead of the resistive load, charging from now.
    void connectCell(const Cell &cell);
    bool hasCell() const;
    /// The cell as it is now (its state of charge); a default Cell without one.
    Cell cell() const;
    /// Charges the cell as if the output had run for \a seconds as it is set
    /// now (for tests: minutes of charging in no time).
    void runCell(double seconds);
    /// The cell's open-circuit voltage at a state of charge.
    static double cellVolts(const Cell &cell, double stateOfCharge);
    void setSetpoints(std::uint16_t voltage10mV, std::uint16_t currentMa);
    void setOutput(bool on);
    void setOvpEnabled(bool on);
    void setOcpEnabled(bool on);
    void setSelectedPreset(std::uint8_t index); ///< 0-6; 1-6 also loads its set-points
    void setPreset(int slot, Preset preset);    ///< slot 1-6
    Preset preset(int slot) const;              ///< slot 1-6
    /// Output voltage (10 mV units) above which OVP trips; default 3100 (31 V).
    void setOvpThreshold(std::uint16_t voltage10mV);
    /// Models an over-voltage at the output: with the output on and OVP
    /// enabled the supply trips (mode 3). Returns whether it tripped.
    bool forceOverVoltage();
    /// Clears a latched trip (as a power cycle would).
    void clearProtection();

    /// Raw answer fields: these bytes override the encoded answer.
    void overrideByte(int offset, std::uint8_t value);
    void overrideU16(int offset, std::uint16_t value);
    void clearOverrides();
    /// Response code in byte 0 (8 by default; the program also accepts 9).
    void setResponseCode(std::uint8_t code);
    /// The next \a answers answers are noise: every byte pseudo-random, byte 0
    /// never 8 or 9. The requests are still processed.
    void answerGarbage(int answers);

    int lastCommand() const; ///< -1 before the first request
    OutputReport lastRequest() const;
    int requestCount() const; ///< command 6/7 requests answered
    int applyCount() const;   ///< command 7 requests

private:
    void regulateLocked();
    void tripLocked(std::uint8_t mode);
    /// The cell takes what the output gives it over the time since the last
    /// call (or `seconds`), in short steps.
    void chargeCellLocked();
    void chargeCellForLocked(double seconds);
    /// The output's voltage and current into the cell; whether in CC.
    bool cellOutputLocked(double vset, double ilim, double *volts, double *amps) const;

    State s_;
    std::uint16_t ovpThreshold_ = 3100;
    bool rearmed_ = true; ///< the host sent output off since the last trip
    std::uint8_t responseCode_ = 8;
    int garbageAnswers_ = 0;
    std::map<int, std::uint8_t> overrides_;
    int lastCommand_ = -1;
    OutputReport lastRequest_{};
    int requests_ = 0;
    int applies_ = 0;
    bool hasCell_ = false;
    Cell cell_;
    std::chrono::steady_clock::time_point cellClock_;
};

} // namespace sim
