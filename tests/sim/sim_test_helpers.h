// Helpers of the simulator tests: everything goes through the hidapi functions.
#pragma once

#include "sim/simulator.h"

#include <hidapi/hidapi.h>

#include <QString>
#include <QtTest>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace simtest {

// How much later than asked a thread that waits may wake up, and go on, on
// a machine whose cores other work keeps busy: the slack of every upper
// bound on a wait.
constexpr int kLateWakeMs = 2000;
// A wait that a read which returns at once must not have started: so long
// that a read which waited it could never pass for one that returned at
// once, however late threads wake.
constexpr int kLongWaitMs = 10 * kLateWakeMs;

using Out = std::array<unsigned char, 65>;
using In = std::array<unsigned char, 64>;

struct Entry {
    std::string path;
    unsigned short vid;
    unsigned short pid;
    int interfaceNumber;
};

inline std::vector<Entry> enumerate(unsigned short vid = 0, unsigned short pid = 0)
{
    std::vector<Entry> list;
    hid_device_info *head = hid_enumerate(vid, pid);
    for (hid_device_info *p = head; p; p = p->next)
        list.push_back({p->path, p->vendor_id, p->product_id, p->interface_number});
    hid_free_enumeration(head);
    return list;
}

inline hid_device *openId(int id)
{
    return hid_open_path(sim::bus().path(id).c_str());
}

/// A request as the program builds it: zeroed, report ID 0, command, args
/// from byte 2 on.
inline Out request(std::uint8_t command,
                   std::initializer_list<std::pair<int, std::uint8_t>> args = {})
{
    Out out{};
    out[0] = 0x00;
    out[1] = command;
    for (const auto &a : args)
        out[static_cast<std::size_t>(a.first)] = a.second;
    return out;
}

inline int write(hid_device *dev, const Out &out)
{
    return hid_write(dev, out.data(), out.size());
}

/// One write and one bounded read; returns the read's result.
inline int transact(hid_device *dev, const Out &out, In &in, int timeoutMs = 500)
{
    if (write(dev, out) != 65)
        return -2;
    return hid_read_timeout(dev, in.data(), in.size(), timeoutMs);
}

inline unsigned u16(const In &in, int offset)
{
    return static_cast<unsigned>(in[static_cast<std::size_t>(offset)]) * 256u +
           in[static_cast<std::size_t>(offset + 1)];
}

inline QString wide(const wchar_t *s)
{
    return s ? QString::fromWCharArray(s) : QString();
}

} // namespace simtest
