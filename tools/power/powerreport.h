#pragma once

#include <QString>

// The power supply's report exchange: the status request that also carries
// the set-points and switches, the decoding of its answer, and what the page
// makes of an answer (lights, protection trip, gauge range, preset texts).
namespace power {

// Reads the status, the presets and the switches without changing anything;
// sent until the device's stored settings have been taken over.
constexpr quint8 kReadCommand = 6;
// Reads the status and applies the selected preset, set-points and switches.
constexpr quint8 kApplyCommand = 7;
constexpr int kPresetCount = 6;

// What one request carries.
struct Request {
    bool apply = false;  // command 7 (settings taken over) or 6
    quint8 rateCode = 0; // byte 2 of every request
    quint8 presetIndex = 0;
    quint16 voltageSetpoint = 0; // 10 mV
    quint16 currentSetpoint = 0; // 1 mA
    quint8 outputOn = 0;
    quint8 ovpOn = 0;
    quint8 ocpOn = 0;
};

// Fills the whole 65-byte output report: report ID 0, the command, the rate
// code and, for command 7 only, the selection, set-points and switches.
void buildRequest(quint8 *out, const Request &request);

// Answer codes that carry a status; the device answers either.
inline bool isStatusAnswer(quint8 code)
{
    return code == 8 || code == 9;
}

// Regulation and protection state reported in the answer.
enum Mode {
    ConstantVoltage = 0,
    ConstantCurrent = 1,
    OcpTripped = 2,
    OvpTripped = 3,
    OtherMode = 4
};

struct Status {
    double volts = 0;
    double amps = 0;
    quint16 presetVoltage[kPresetCount] = {}; // 10 mV, M1 first
    quint16 presetCurrent[kPresetCount] = {}; // 1 mA
    quint8 outputOn = 0;
    quint8 mode = 0;
    quint8 ovpOn = 0;
    quint8 ocpOn = 0;
    quint8 presetIndex = 0;
    quint8 protectionActive = 0;
};

// Decodes a 64-byte status answer (the caller checks the answer code first).
Status decodeStatus(const quint8 *report);

// The four state lights.
struct Lights {
    bool cv = false;
    bool cc = false;
    bool ovp = false;
    bool ocp = false;
};

// The lights a mode shows; false for a mode that leaves them as they are
// (mode 4, whose meaning the device does not define, and anything above).
bool lightsForMode(int mode, Lights *lights);

// A reported mode above 4 is not a mode: it is ignored.
inline bool isKnownMode(quint8 mode)
{
    return mode <= OtherMode;
}

// The supply has cut its output: an OCP or OVP mode with the protection flag.
inline bool protectionTripped(int mode, quint8 protectionActive)
{
    return (mode == OcpTripped || mode == OvpTripped) && protectionActive != 0;
}

// The upper end of a gauge for a reading: `normal` below it, `extended` below
// that, and 0 when the reading is beyond both and the gauge is left alone.
double gaugeUpper(double value, double normal, double extended);

// "M1 5.00V/1.000A": slot 1-6 with its voltage (10 mV) and current (1 mA).
QString presetButtonText(int slot, double presetVoltage, double presetCurrent);

} // namespace power
