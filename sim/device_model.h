// Base of the simulated instruments: one model answers the output reports
// written to one simulated HID interface.
#pragma once

#include "sim/sim_bytes.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace sim {

/// What the bus lists for one interface in hid_enumerate.
struct DeviceIdentity {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t releaseNumber = 0x0100;
    std::wstring manufacturer;
    std::wstring product;
    std::wstring serial; ///< empty: the bus makes one up ("SIM<id>")
    std::uint16_t usagePage = 0xFF00;
    std::uint16_t usage = 0x0001;
    int interfaceNumber = 0;
};

constexpr std::uint16_t kVendorId = 0x2E88;
constexpr std::uint16_t kFirmwareProductId = 0x4606;
constexpr std::uint16_t kMeterProductId = 0x4607;
constexpr std::uint16_t kPowerSupplyProductId = 0x4608;
constexpr std::uint16_t kBootLineProductId = 0x4609;

/// One answer of a model to one output report.
struct Answer {
    InputReport report{};
    int delayMs = 0; ///< the answer becomes readable this long after the write
};

class DeviceModel {
public:
    virtual ~DeviceModel() = default;

    /// Vendor, product and strings the model appears with.
    virtual DeviceIdentity identity() const = 0;

    /// Called by the bus for every output report written (65 bytes, report
    /// ID 0 in byte 0, shorter writes padded with zeros). Returns the answer
    /// to queue, or nothing when the request is not answered.
    virtual std::optional<Answer> handleOutputReport(const OutputReport &request) = 0;

    /// Asked by the bus right after each handled output report: true when
    /// the device is pulled out at that moment. The bus then detaches it, so
    /// the report just written was delivered but nothing more gets through.
    /// Answers true once per request to vanish.
    virtual bool takeUnplugRequest() { return false; }

protected:
    /// Guards the model's state: the bus calls from the program's thread,
    /// tests set values from theirs.
    mutable std::mutex mutex_;
};

} // namespace sim
