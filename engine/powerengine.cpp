#include "engine/powerengine.h"

#include "device/hidtransaction.h"

#include <QtDebug>

PowerEngine::PowerEngine() = default;
PowerEngine::~PowerEngine() = default;

PowerPreset *PowerEngine::selectedPreset()
{
    if (presetIndex < 1 || presetIndex > presets.size())
        return nullptr;
    return &presets[presetIndex - 1];
}

const power::Answer *PowerEngine::poll()
{
    if (!hidDevice || !present)
        return nullptr;
    power::Request request;
    request.apply = presetsLoaded;
    request.rateCode = rateCode;
    request.presetIndex = presetIndex;
    request.voltageSetpoint = voltageSetpoint;
    request.currentSetpoint = currentSetpoint;
    request.outputOn = outputOn;
    request.ovpOn = ovpOn;
    request.ocpOn = ocpOn;
    if (mOffPending) {
        request.outputOn = 0;
        // The status must be this supply's, on this handle: not one of a
        // supply unplugged since, nor of one that came back on another path.
        const bool statusKnown =
            mHaveStatus && mStatusDevice == hidDevice && mStatusPath == openedPath;
        if (!presetsLoaded && statusKnown) {
            // The settings are the supply's own, as it reported them last:
            // only the output changes. Without a selected slot the supply
            // reports no set-points; it gets 0 V and 0 A with its output off.
            const power::Status &last = mAnswer.status;
            request.apply = true;
            request.presetIndex = last.presetIndex <= power::kPresetCount ? last.presetIndex : 0;
            request.voltageSetpoint =
                request.presetIndex ? last.presetVoltage[request.presetIndex - 1] : 0;
            request.currentSetpoint =
                request.presetIndex ? last.presetCurrent[request.presetIndex - 1] : 0;
            request.ovpOn = last.ovpOn != 0;
            request.ocpOn = last.ocpOn != 0;
        }
    }
    const bool carriesOff = request.apply && request.outputOn == 0;
    power::buildRequest(outReport, request);
    if (hid::transact(hidDevice, outReport, inReport) <= 0 || !power::isStatusAnswer(inReport[0]))
        return nullptr;
    mAnswer.status = power::decodeStatus(inReport);
    mHaveStatus = true;
    mStatusDevice = hidDevice;
    mStatusPath = openedPath;
    const power::Status &status = mAnswer.status;
    mAnswer.sample = {engine::nowUs(), status.volts, status.amps, status.volts * status.amps};
    mAnswer.confirmsOutputOff = mOffPending && carriesOff && status.outputOn == 0;
    if (mAnswer.confirmsOutputOff)
        mOffPending = false;
    voltage = status.volts;
    current = status.amps;
    listeners.answer(mAnswer);
    return &mAnswer;
}

void PowerEngine::markGap()
{
    // The supply that comes back may hold other settings.
    mHaveStatus = false;
    listeners.gap(engine::nowUs());
}

void PowerEngine::switchOutputOff()
{
    outputOn = 0;
    mOffPending = true;
}

void PowerEngine::takeOver(const power::Status &status, int voltageLimit, int currentLimit)
{
    presets.clear();
    // A stored preset beyond the dials' end (a damaged answer, a supply of a
    // wider range) is taken at that end, as a dial would set it: its button,
    // the dials and the set-points sent then all say the same.
    for (int k = 0; k < power::kPresetCount; ++k)
        presets.append({float(qMin<int>(status.presetVoltage[k], voltageLimit)),
                        float(qMin<int>(status.presetCurrent[k], currentLimit))});
    // A switch is on for any byte but 0, and is sent back as the 1 a click
    // would send: the requests carry what the buttons show (the output an
    // off on its way, which the button shows only once the supply reports
    // it). A slot number
    // beyond M6 selects none, as it is shown.
    outputOn = status.outputOn != 0 && !mOffPending;
    ovpOn = status.ovpOn != 0;
    ocpOn = status.ocpOn != 0;
    presetIndex = status.presetIndex <= power::kPresetCount ? status.presetIndex : 0;
    followSelectedPreset();
    presetsLoaded = true;
}

bool PowerEngine::followStatus(const power::Status &status)
{
    // With the output off the device's mode says nothing new: the lights keep
    // the last state seen with the output on.
    if (outputOn && power::isKnownMode(status.mode))
        mode = status.mode;
    if (!power::protectionTripped(mode, status.protectionActive))
        return false;
    // The supply has cut its output: switch ours off too, so that the next
    // request re-arms it. Logged once, when the output goes off, not on every
    // request while the device keeps its flag.
    if (outputOn)
        qDebug("进入了保护");
    outputOn = 0;
    return true;
}

void PowerEngine::followSelectedPreset()
{
    if (const PowerPreset *preset = selectedPreset()) {
        voltageSetpoint = quint16(preset->presetVoltage);
        currentSetpoint = quint16(preset->presetCurrent);
    } else {
        voltageSetpoint = 0;
        currentSetpoint = 0;
    }
}

bool PowerEngine::storeVoltage(quint16 units)
{
    PowerPreset *preset = selectedPreset();
    if (!preset)
        return false;
    preset->presetVoltage = units;
    voltageSetpoint = units;
    return true;
}

bool PowerEngine::storeCurrent(quint16 units)
{
    PowerPreset *preset = selectedPreset();
    if (!preset)
        return false;
    preset->presetCurrent = units;
    currentSetpoint = units;
    return true;
}
