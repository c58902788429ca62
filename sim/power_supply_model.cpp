#include "sim/power_supply_model.h"

#include "sim/noise.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace sim {

std::array<PowerSupplyModel::Preset, 6> PowerSupplyModel::defaultPresets()
{
    return {{{500, 1000}, {330, 500}, {900, 2000}, {1200, 1000}, {370, 2000}, {420, 3000}}};
}

PowerSupplyModel::PowerSupplyModel()
{
    s_.presets = defaultPresets();
    s_.selectedPreset = 1;
    s_.voltageSetpoint10mV = s_.presets[0].voltage10mV;
    s_.currentLimitMa = s_.presets[0].currentMa;
    s_.loadOhms = 10.0;
    regulateLocked();
}

DeviceIdentity PowerSupplyModel::identity() const
{
    DeviceIdentity id;
    id.vendorId = kVendorId;
    id.productId = kPowerSupplyProductId;
    id.manufacturer = L"KRIV";
    id.product = L"Adjustable Power Supply (simulated)";
    return id;
}

void PowerSupplyModel::tripLocked(std::uint8_t mode)
{
    s_.outputOn = false;
    s_.mode = mode;
    s_.protectionActive = true;
    s_.outputVoltage10mV = 0;
    s_.outputCurrentMa = 0;
    rearmed_ = false;
}

void PowerSupplyModel::regulateLocked()
{
    if (!s_.outputOn) {
        s_.outputVoltage10mV = 0;
        s_.outputCurrentMa = 0;
        if (!s_.protectionActive)
            s_.mode = CV;
        return;
    }
    const double vset = s_.voltageSetpoint10mV / 100.0;
    const double ilim = s_.currentLimitMa / 1000.0;
    const double r = s_.loadOhms < 0 ? 0.0 : s_.loadOhms;
    double v, i;
    std::uint8_t mode;
    if (hasCell_) {
        mode = cellOutputLocked(vset, ilim, &v, &i) ? CC : CV;
    } else if (std::isinf(r) || vset <= ilim * r) {
        // CV while the load draws no more than the limit at the set voltage.
        v = vset;
        i = std::isinf(r) ? 0.0 : vset / r;
        mode = CV;
    } else {
        i = ilim;
        v = ilim * r;
        mode = CC;
    }
    if (mode == CC && s_.ocpEnabled) {
        tripLocked(OCP);
        return;
    }
    s_.outputVoltage10mV = be::toU16(v * 100.0);
    if (s_.ovpEnabled && s_.outputVoltage10mV > ovpThreshold_) {
        tripLocked(OVP);
        return;
    }
    s_.mode = mode;
    s_.outputCurrentMa = be::toU16(i * 1000.0);
}

std::optional<Answer> PowerSupplyModel::handleOutputReport(const OutputReport &req)
{
    const int cmd = req[1];
    if (cmd != 6 && cmd != 7)
        return std::nullopt;
    std::lock_guard<std::mutex> lock(mutex_);
    lastCommand_ = cmd;
    lastRequest_ = req;
    ++requests_;
    // The cell has charged since the last request with the output as it was.
    chargeCellLocked();
    if (cmd == 7) {
        ++applies_;
        const std::uint8_t presetIndex = req[5];
        s_.selectedPreset = presetIndex <= 6 ? presetIndex : 0;
        s_.voltageSetpoint10mV = be::get16(req, 6);
        s_.currentLimitMa = be::get16(req, 8);
        if (s_.selectedPreset >= 1 && s_.selectedPreset <= 6)
            s_.presets[s_.selectedPreset - 1] = {s_.voltageSetpoint10mV, s_.currentLimitMa};
        const bool wantOn = req[10] != 0;
        s_.ovpEnabled = req[11] != 0;
        s_.ocpEnabled = req[12] != 0;
        if (!wantOn) {
            s_.outputOn = false;
            rearmed_ = true;
        } else if (!s_.outputOn && rearmed_) {
            // A switch-on clears a previous trip.
            s_.outputOn = true;
            s_.protectionActive = false;
        }
    }
    regulateLocked();

    Answer a;
    InputReport &r = a.report;
    r[0] = responseCode_;
    be::put16(r, 4, s_.outputVoltage10mV);
    be::put16(r, 6, s_.outputCurrentMa);
    for (int k = 0; k < 6; ++k) {
        be::put16(r, 8 + 2 * k, s_.presets[k].voltage10mV);
        be::put16(r, 20 + 2 * k, s_.presets[k].currentMa);
    }
    r[48] = s_.outputOn ? 1 : 0;
    r[49] = s_.mode;
    r[50] = s_.ovpEnabled ? 1 : 0;
    r[51] = s_.ocpEnabled ? 1 : 0;
    r[52] = s_.selectedPreset;
    r[53] = s_.protectionActive ? 1 : 0;
    for (const auto &kv : overrides_)
        r[kv.first] = kv.second;
    if (garbageAnswers_ > 0) {
        --garbageAnswers_;
        for (std::size_t k = 0; k < r.size(); ++k)
            r[k] = static_cast<std::uint8_t>((detail::noise(requests_ * 64ull + k) + 1.0) * 128.0);
        if (r[0] == 8 || r[0] == 9)
            r[0] = 0xA5;
    }
    return a;
}

PowerSupplyModel::State PowerSupplyModel::state() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return s_;
}

void PowerSupplyModel::setLoad(double ohms)
{
    std::lock_guard<std::mutex> lock(mutex_);
    hasCell_ = false;
    s_.loadOhms = ohms < 0 ? 0.0 : ohms;
    regulateLocked();
}

void PowerSupplyModel::connectCell(const Cell &cell)
{
    std::lock_guard<std::mutex> lock(mutex_);
    hasCell_ = true;
    cell_ = cell;
    cell_.stateOfCharge = std::min(std::max(cell.stateOfCharge, 0.0), 1.0);
    cellClock_ = std::chrono::steady_clock::now();
    regulateLocked();
}

bool PowerSupplyModel::hasCell() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return hasCell_;
}

PowerSupplyModel::Cell PowerSupplyModel::cell() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return hasCell_ ? cell_ : Cell();
}

void PowerSupplyModel::runCell(double seconds)
{
    std::lock_guard<std::mutex> lock(mutex_);
    chargeCellForLocked(seconds);
    regulateLocked();
}

double PowerSupplyModel::cellVolts(const Cell &cell, double stateOfCharge)
{
    return cell.emptyVolts + (cell.fullVolts - cell.emptyVolts) * stateOfCharge;
}

bool PowerSupplyModel::cellOutputLocked(double vset, double ilim, double *volts, double *amps) const
{
    const double open = cellVolts(cell_, cell_.stateOfCharge);
    const double ohms = std::max(cell_.ohms, 1e-3);
    const double wanted = (vset - open) / ohms;
    if (wanted <= 0) {
        // The set-point is below the cell: no current, the cell holds the
        // terminals at its own voltage.
        *volts = open;
        *amps = 0;
        return false;
    }
    if (wanted <= ilim) {
        *volts = vset;
        *amps = wanted;
        return false;
    }
    *amps = ilim;
    *volts = open + ilim * ohms;
    return true;
}

void PowerSupplyModel::chargeCellLocked()
{
    const auto now = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(now - cellClock_).count();
    cellClock_ = now;
    chargeCellForLocked(seconds);
}

void PowerSupplyModel::chargeCellForLocked(double seconds)
{
    if (!hasCell_ || !s_.outputOn || !(seconds > 0))
        return;
    const double vset = s_.voltageSetpoint10mV / 100.0;
    const double ilim = s_.currentLimitMa / 1000.0;
    // Steps short against the taper's time constant (tens of seconds for the
    // demo's cell), and never more than a day's worth.
    constexpr double kStep = 0.05;
    seconds = std::min(seconds, 86400.0);
    while (seconds > 0) {
        const double dt = std::min(seconds, kStep);
        double volts = 0, amps = 0;
        cellOutputLocked(vset, ilim, &volts, &amps);
        cell_.stateOfCharge =
            std::min(1.0, cell_.stateOfCharge + amps * dt / (cell_.capacityMah * 3.6));
        seconds -= dt;
    }
}

double PowerSupplyModel::load() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return s_.loadOhms;
}

void PowerSupplyModel::setSetpoints(std::uint16_t voltage10mV, std::uint16_t currentMa)
{
    std::lock_guard<std::mutex> lock(mutex_);
    s_.voltageSetpoint10mV = voltage10mV;
    s_.currentLimitMa = currentMa;
    regulateLocked();
}

void PowerSupplyModel::setOutput(bool on)
{
    std::lock_guard<std::mutex> lock(mutex_);
    s_.outputOn = on;
    if (on) {
        s_.protectionActive = false;
        rearmed_ = true;
    }
    regulateLocked();
}

void PowerSupplyModel::setOvpEnabled(bool on)
{
    std::lock_guard<std::mutex> lock(mutex_);
    s_.ovpEnabled = on;
    regulateLocked();
}

void PowerSupplyModel::setOcpEnabled(bool on)
{
    std::lock_guard<std::mutex> lock(mutex_);
    s_.ocpEnabled = on;
    regulateLocked();
}

void PowerSupplyModel::setSelectedPreset(std::uint8_t index)
{
    if (index > 6)
        throw std::out_of_range("PowerSupplyModel: preset index must be 0-6");
    std::lock_guard<std::mutex> lock(mutex_);
    s_.selectedPreset = index;
    if (index >= 1) {
        s_.voltageSetpoint10mV = s_.presets[index - 1].voltage10mV;
        s_.currentLimitMa = s_.presets[index - 1].currentMa;
    }
    regulateLocked();
}

void PowerSupplyModel::setPreset(int slot, Preset preset)
{
    if (slot < 1 || slot > 6)
        throw std::out_of_range("PowerSupplyModel: preset slot must be 1-6");
    std::lock_guard<std::mutex> lock(mutex_);
    s_.presets[slot - 1] = preset;
}

PowerSupplyModel::Preset PowerSupplyModel::preset(int slot) const
{
    if (slot < 1 || slot > 6)
        throw std::out_of_range("PowerSupplyModel: preset slot must be 1-6");
    std::lock_guard<std::mutex> lock(mutex_);
    return s_.presets[slot - 1];
}

void PowerSupplyModel::setOvpThreshold(std::uint16_t voltage10mV)
{
    std::lock_guard<std::mutex> lock(mutex_);
    ovpThreshold_ = voltage10mV;
    regulateLocked();
}

bool PowerSupplyModel::forceOverVoltage()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!s_.outputOn || !s_.ovpEnabled)
        return false;
    tripLocked(OVP);
    return true;
}

void PowerSupplyModel::clearProtection()
{
    std::lock_guard<std::mutex> lock(mutex_);
    s_.protectionActive = false;
    rearmed_ = true;
    regulateLocked();
}

void PowerSupplyModel::overrideByte(int offset, std::uint8_t value)
{
    if (offset < 0 || offset > 63)
        throw std::out_of_range("PowerSupplyModel: answer offset must be 0-63");
    std::lock_guard<std::mutex> lock(mutex_);
    overrides_[offset] = value;
}

void PowerSupplyModel::overrideU16(int offset, std::uint16_t value)
{
    overrideByte(offset, static_cast<std::uint8_t>(value >> 8));
    overrideByte(offset + 1, static_cast<std::uint8_t>(value & 0xFF));
}

void PowerSupplyModel::clearOverrides()
{
    std::lock_guard<std::mutex> lock(mutex_);
    overrides_.clear();
}

void PowerSupplyModel::setResponseCode(std::uint8_t code)
{
    std::lock_guard<std::mutex> lock(mutex_);
    responseCode_ = code;
}

void PowerSupplyModel::answerGarbage(int answers)
{
    std::lock_guard<std::mutex> lock(mutex_);
    garbageAnswers_ = answers < 0 ? 0 : answers;
}

int PowerSupplyModel::lastCommand() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lastCommand_;
}

OutputReport PowerSupplyModel::lastRequest() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lastRequest_;
}

int PowerSupplyModel::requestCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

int PowerSupplyModel::applyCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return applies_;
}

} // namespace sim
