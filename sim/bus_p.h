// Internal state of the simulated bus, shared by bus.cpp and hidapi_sim.cpp.
#pragma once

#include "sim/bus.h"

#include <hidapi.h>

#include <chrono>
#include <deque>

namespace sim {
namespace detail {

using Clock = std::chrono::steady_clock;

struct PendingAnswer {
    InputReport report{};
    Clock::time_point readyAt;
};

/// One simulated HID interface. Guarded by the bus mutex.
struct DeviceSlot {
    int id = 0;
    std::string path;
    DeviceIdentity identity;
    std::shared_ptr<DeviceModel> model;
    bool attached = true;

    bool failOpen = false;
    std::wstring failReason;
    ReadBehaviour behaviour = ReadBehaviour::Normal;
    int behaviourCount = -1;
    bool wrongCodeOn = false;
    std::uint8_t wrongCode = 0;
    int wrongCodeCount = -1;
    std::deque<InputReport> script;
    int answerDelayMs = 0;

    std::deque<PendingAnswer> pending;
    std::deque<std::vector<std::uint8_t>> writes; ///< the latest ones
    std::size_t writeCount = 0;
    int reads = 0;
    int longestReadWaitMs = 0;           ///< the longest wait a read was allowed
    std::int64_t readWaitsAllowedMs = 0; ///< the waits reads were allowed, added up
    std::deque<InputReport> delivered;   ///< the latest reports reads returned
    std::size_t deliveredCount = 0;
    int openHandles = 0;
    int opens = 0;
};

std::wstring widen(const std::string &s);

} // namespace detail
} // namespace sim

/// The handle hidapi declares opaque. It keeps its device slot alive, so a
/// handle of a detached device stays a valid object until hid_close.
struct hid_device_ {
    std::shared_ptr<sim::detail::DeviceSlot> slot;
    bool nonblocking = false;
    std::wstring error = L"Success";
    hid_device_info *info = nullptr;
};
