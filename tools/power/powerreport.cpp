#include "powerreport.h"

#include "device/hidtransaction.h"

namespace power {

namespace {
constexpr int kVoltageOffset = 4;
constexpr int kCurrentOffset = 6;
constexpr int kPresetVoltageOffset = 8;
constexpr int kPresetCurrentOffset = 20;
constexpr int kOutputOffset = 48;
constexpr int kModeOffset = 49;
constexpr int kOvpOffset = 50;
constexpr int kOcpOffset = 51;
constexpr int kPresetIndexOffset = 52;
constexpr int kProtectionOffset = 53;
} // namespace

void buildRequest(quint8 *out, const Request &request)
{
    hid::beginReport(out, request.apply ? kApplyCommand : kReadCommand);
    out[2] = request.rateCode;
    if (!request.apply)
        return;
    out[5] = request.presetIndex;
    hid::writeU16(out + 6, request.voltageSetpoint);
    hid::writeU16(out + 8, request.currentSetpoint);
    out[10] = request.outputOn;
    out[11] = request.ovpOn;
    out[12] = request.ocpOn;
}

Status decodeStatus(const quint8 *report)
{
    Status status;
    status.volts = hid::readU16(report + kVoltageOffset) / 100.0;
    status.amps = hid::readU16(report + kCurrentOffset) / 1000.0;
    for (int k = 0; k < kPresetCount; ++k) {
        status.presetVoltage[k] = hid::readU16(report + kPresetVoltageOffset + 2 * k);
        status.presetCurrent[k] = hid::readU16(report + kPresetCurrentOffset + 2 * k);
    }
    status.outputOn = report[kOutputOffset];
    status.mode = report[kModeOffset];
    status.ovpOn = report[kOvpOffset];
    status.ocpOn = report[kOcpOffset];
    status.presetIndex = report[kPresetIndexOffset];
    status.protectionActive = report[kProtectionOffset];
    return status;
}

bool lightsForMode(int mode, Lights *lights)
{
    switch (mode) {
    case ConstantVoltage:
        *lights = {true, false, false, false};
        return true;
    case ConstantCurrent:
        *lights = {false, true, false, false};
        return true;
    case OcpTripped:
        *lights = {false, false, false, true};
        return true;
    case OvpTripped:
        *lights = {false, false, true, false};
        return true;
    default:
        return false;
    }
}

double gaugeUpper(double value, double normal, double extended)
{
    if (value < normal)
        return normal;
    if (value < extended)
        return extended;
    return 0;
}

QString presetButtonText(int slot, double presetVoltage, double presetCurrent)
{
    return QStringLiteral("M%1 %2V/%3A")
        .arg(QString::number(slot), QString::number(presetVoltage / 100, 'f', 2),
             QString::number(presetCurrent / 1000, 'f', 3));
}

} // namespace power
