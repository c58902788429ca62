// The hidapi C functions, implemented on the simulated bus.
#include "sim/bus_p.h"

#include <hidapi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace sim {
namespace detail {

namespace {

wchar_t *dupWide(const std::wstring &s)
{
    auto *p = static_cast<wchar_t *>(std::malloc((s.size() + 1) * sizeof(wchar_t)));
    if (!p)
        return nullptr;
    std::wmemcpy(p, s.c_str(), s.size() + 1);
    return p;
}

char *dupNarrow(const std::string &s)
{
    auto *p = static_cast<char *>(std::malloc(s.size() + 1));
    if (!p)
        return nullptr;
    std::memcpy(p, s.c_str(), s.size() + 1);
    return p;
}

hid_device_info *makeInfo(const DeviceSlot &slot)
{
    auto *info = static_cast<hid_device_info *>(std::calloc(1, sizeof(hid_device_info)));
    if (!info)
        return nullptr;
    info->path = dupNarrow(slot.path);
    info->vendor_id = slot.identity.vendorId;
    info->product_id = slot.identity.productId;
    info->serial_number = dupWide(slot.identity.serial);
    info->release_number = slot.identity.releaseNumber;
    info->manufacturer_string = dupWide(slot.identity.manufacturer);
    info->product_string = dupWide(slot.identity.product);
    info->usage_page = slot.identity.usagePage;
    info->usage = slot.identity.usage;
    info->interface_number = slot.identity.interfaceNumber;
    info->next = nullptr;
    info->bus_type = HID_API_BUS_USB;
    return info;
}

void freeInfo(hid_device_info *info)
{
    while (info) {
        hid_device_info *next = info->next;
        std::free(info->path);
        std::free(info->serial_number);
        std::free(info->manufacturer_string);
        std::free(info->product_string);
        std::free(info);
        info = next;
    }
}

int copyString(const std::wstring &s, wchar_t *out, std::size_t maxlen)
{
    if (!out || maxlen == 0)
        return -1;
    std::size_t n = std::min(s.size(), maxlen - 1);
    std::wmemcpy(out, s.c_str(), n);
    out[n] = L'\0';
    return 0;
}

} // namespace

/// The hidapi layer's access to the bus internals.
class HidBackend {
public:
    static Bus &b() { return Bus::instance(); }

    static hid_device_info *enumerate(unsigned short vid, unsigned short pid)
    {
        Bus &bus = b();
        std::lock_guard<std::mutex> lock(bus.mutex_);
        hid_device_info *head = nullptr;
        hid_device_info **tail = &head;
        for (const auto &slot : bus.attached_) {
            if (vid != 0 && slot->identity.vendorId != vid)
                continue;
            if (pid != 0 && slot->identity.productId != pid)
                continue;
            hid_device_info *info = makeInfo(*slot);
            if (!info)
                break;
            *tail = info;
            tail = &info->next;
        }
        bus.globalError_ = head ? L"Success" : L"No HID devices found in the system.";
        return head;
    }

    static hid_device *openPath(const char *path)
    {
        Bus &bus = b();
        std::lock_guard<std::mutex> lock(bus.mutex_);
        if (!path) {
            bus.globalError_ = L"Invalid argument: path is NULL";
            return nullptr;
        }
        std::shared_ptr<DeviceSlot> found;
        for (const auto &slot : bus.attached_)
            if (slot->path == path)
                found = slot;
        if (!found) {
            bus.globalError_ = L"Failed to open a device with path '" + widen(path) +
                               L"': No such file or directory";
            return nullptr;
        }
        if (found->failOpen) {
            bus.globalError_ = found->failReason;
            return nullptr;
        }
        auto *dev = new hid_device_;
        dev->slot = found;
        found->openHandles++;
        found->opens++;
        bus.globalError_ = L"Success";
        return dev;
    }

    static hid_device *open(unsigned short vid, unsigned short pid, const wchar_t *serial)
    {
        std::string path;
        {
            Bus &bus = b();
            std::lock_guard<std::mutex> lock(bus.mutex_);
            for (const auto &slot : bus.attached_) {
                if (slot->identity.vendorId != vid || slot->identity.productId != pid)
                    continue;
                if (serial && slot->identity.serial != serial)
                    continue;
                path = slot->path;
                break;
            }
            if (path.empty()) {
                bus.globalError_ =
                    L"No HID device with the requested vendor, product and serial number";
                return nullptr;
            }
        }
        return openPath(path.c_str());
    }

    static void close(hid_device *dev)
    {
        if (!dev)
            return;
        {
            Bus &bus = b();
            std::lock_guard<std::mutex> lock(bus.mutex_);
            if (dev->slot && dev->slot->openHandles > 0)
                dev->slot->openHandles--;
        }
        freeInfo(dev->info);
        delete dev;
    }

    static int write(hid_device *dev, const unsigned char *data, std::size_t length)
    {
        if (!dev)
            return -1;
        Bus &bus = b();
        std::unique_lock<std::mutex> lock(bus.mutex_);
        DeviceSlot &slot = *dev->slot;
        if (!slot.attached) {
            dev->error = L"Device disconnected (write: No such device)";
            return -1;
        }
        if (!data || length == 0) {
            dev->error = L"Invalid argument";
            return -1;
        }
        slot.writes.emplace_back(data, data + length);
        slot.writeCount++;
        while (slot.writes.size() > bus.writeLogLimit_)
            slot.writes.pop_front();

        OutputReport request{};
        std::memcpy(request.data(), data, std::min(length, request.size()));
        // The devices use no numbered reports: with a report ID other than 0
        // the report is misframed and the device does not understand it.
        if (request[0] == 0 && slot.model) {
            std::optional<Answer> answer = slot.model->handleOutputReport(request);
            if (answer) {
                InputReport report = answer->report;
                if (!slot.script.empty()) {
                    report = slot.script.front();
                    slot.script.pop_front();
                } else if (slot.wrongCodeOn) {
                    report[0] = slot.wrongCode;
                    if (slot.wrongCodeCount > 0 && --slot.wrongCodeCount == 0)
                        slot.wrongCodeOn = false;
                }
                PendingAnswer p;
                p.report = report;
                p.readyAt = Clock::now() + std::chrono::milliseconds(slot.answerDelayMs +
                                                                     std::max(0, answer->delayMs));
                slot.pending.push_back(p);
                bus.changed_.notify_all();
            }
            // The device may be pulled out right after taking this report.
            if (slot.model->takeUnplugRequest())
                bus.detachLocked(slot.id);
        }
        dev->error = L"Success";
        return static_cast<int>(length);
    }

    // Notes a report a read hands to the program; the bus mutex is held.
    static void logDelivery(const Bus &bus, DeviceSlot &slot, const InputReport &report)
    {
        slot.delivered.push_back(report);
        slot.deliveredCount++;
        while (slot.delivered.size() > bus.writeLogLimit_)
            slot.delivered.pop_front();
    }

    static int read(hid_device *dev, unsigned char *data, std::size_t length, int milliseconds)
    {
        if (!dev)
            return -1;
        Bus &bus = b();
        std::unique_lock<std::mutex> lock(bus.mutex_);
        std::shared_ptr<DeviceSlot> keep = dev->slot;
        DeviceSlot &slot = *keep;
        slot.reads++;
        if (!slot.attached) {
            dev->error = L"Device disconnected (read: No such device)";
            return -1;
        }
        if (!data) {
            dev->error = L"Invalid argument";
            return -1;
        }
        const bool blocking = milliseconds < 0 && !dev->nonblocking;
        if (dev->nonblocking)
            milliseconds = 0;
        const int allowedMs = blocking ? bus.blockingWaitMs_ : std::max(0, milliseconds);
        slot.longestReadWaitMs = std::max(slot.longestReadWaitMs, allowedMs);
        slot.readWaitsAllowedMs += allowedMs;

        ReadBehaviour behaviour = slot.behaviour;
        if (behaviour != ReadBehaviour::Normal) {
            if (slot.behaviourCount > 0 && --slot.behaviourCount == 0) {
                slot.behaviour = ReadBehaviour::Normal;
                slot.behaviourCount = -1;
            }
            if (!slot.pending.empty())
                slot.pending.pop_front(); // that answer is lost
        }

        auto waitIdle = [&](int ms) -> int {
            auto deadline = Clock::now() + std::chrono::milliseconds(ms);
            while (slot.attached) {
                if (bus.changed_.wait_until(lock, deadline) == std::cv_status::timeout)
                    break;
            }
            if (!slot.attached) {
                dev->error = L"Device disconnected (read: No such device)";
                return -1;
            }
            return 0;
        };

        switch (behaviour) {
        case ReadBehaviour::Fail:
            dev->error = L"Simulated read error (Input/output error)";
            return -1;
        case ReadBehaviour::Zero:
            return 0;
        case ReadBehaviour::Timeout:
            return waitIdle(blocking ? bus.blockingWaitMs_
                                     : std::min(milliseconds, bus.timeoutCapMs_));
        case ReadBehaviour::Stall:
            return waitIdle(blocking ? bus.blockingWaitMs_ : milliseconds);
        case ReadBehaviour::Normal:
            break;
        }

        auto deadline =
            Clock::now() + std::chrono::milliseconds(blocking ? bus.blockingWaitMs_ : milliseconds);
        for (;;) {
            if (!slot.attached) {
                dev->error = L"Device disconnected (read: No such device)";
                return -1;
            }
            auto now = Clock::now();
            auto wakeAt = deadline;
            if (!slot.pending.empty()) {
                const PendingAnswer &p = slot.pending.front();
                if (p.readyAt <= now) {
                    std::size_t n = std::min(length, p.report.size());
                    std::memcpy(data, p.report.data(), n);
                    logDelivery(bus, slot, p.report);
                    slot.pending.pop_front();
                    dev->error = L"Success";
                    return static_cast<int>(n);
                }
                // A blocking read waits for an answer that is on its way.
                if (blocking && p.readyAt > deadline)
                    deadline = p.readyAt;
                wakeAt = std::min(deadline, p.readyAt);
            } else if (!slot.script.empty()) {
                std::size_t n = std::min(length, slot.script.front().size());
                std::memcpy(data, slot.script.front().data(), n);
                logDelivery(bus, slot, slot.script.front());
                slot.script.pop_front();
                dev->error = L"Success";
                return static_cast<int>(n);
            }
            if (now >= deadline)
                return 0;
            bus.changed_.wait_until(lock, wakeAt);
        }
    }

    static int setNonblocking(hid_device *dev, int nonblock)
    {
        if (!dev)
            return -1;
        std::lock_guard<std::mutex> lock(b().mutex_);
        dev->nonblocking = nonblock != 0;
        return 0;
    }

    static int getString(hid_device *dev, int which, wchar_t *out, std::size_t maxlen)
    {
        if (!dev)
            return -1;
        std::lock_guard<std::mutex> lock(b().mutex_);
        if (!dev->slot->attached) {
            dev->error = L"Device disconnected";
            return -1;
        }
        const DeviceIdentity &id = dev->slot->identity;
        const std::wstring &s = which == 0 ? id.manufacturer : which == 1 ? id.product : id.serial;
        return copyString(s, out, maxlen);
    }

    static hid_device_info *deviceInfo(hid_device *dev)
    {
        if (!dev)
            return nullptr;
        std::lock_guard<std::mutex> lock(b().mutex_);
        if (!dev->info)
            dev->info = makeInfo(*dev->slot);
        return dev->info;
    }

    static const wchar_t *error(hid_device *dev)
    {
        if (dev)
            return dev->error.c_str();
        thread_local std::wstring copy;
        std::lock_guard<std::mutex> lock(b().mutex_);
        copy = b().globalError_;
        return copy.c_str();
    }

    static int unsupported(hid_device *dev, const wchar_t *what)
    {
        if (dev) {
            std::lock_guard<std::mutex> lock(b().mutex_);
            dev->error = std::wstring(what) + L" is not supported by the simulated device";
        }
        return -1;
    }

    static void freeEnumeration(hid_device_info *devs) { freeInfo(devs); }
};

} // namespace detail
} // namespace sim

using sim::detail::HidBackend;

extern "C" {

int HID_API_EXPORT HID_API_CALL hid_init(void)
{
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_exit(void)
{
    return 0;
}

struct hid_device_info HID_API_EXPORT *HID_API_CALL hid_enumerate(unsigned short vendor_id,
                                                                  unsigned short product_id)
{
    return HidBackend::enumerate(vendor_id, product_id);
}

void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info *devs)
{
    HidBackend::freeEnumeration(devs);
}

HID_API_EXPORT hid_device *HID_API_CALL hid_open(unsigned short vendor_id,
                                                 unsigned short product_id,
                                                 const wchar_t *serial_number)
{
    return HidBackend::open(vendor_id, product_id, serial_number);
}

HID_API_EXPORT hid_device *HID_API_CALL hid_open_path(const char *path)
{
    return HidBackend::openPath(path);
}

int HID_API_EXPORT HID_API_CALL hid_write(hid_device *dev, const unsigned char *data, size_t length)
{
    return HidBackend::write(dev, data, length);
}

int HID_API_EXPORT HID_API_CALL hid_read_timeout(hid_device *dev, unsigned char *data,
                                                 size_t length, int milliseconds)
{
    return HidBackend::read(dev, data, length, milliseconds);
}

int HID_API_EXPORT HID_API_CALL hid_read(hid_device *dev, unsigned char *data, size_t length)
{
    return HidBackend::read(dev, data, length, -1);
}

int HID_API_EXPORT HID_API_CALL hid_set_nonblocking(hid_device *dev, int nonblock)
{
    return HidBackend::setNonblocking(dev, nonblock);
}

int HID_API_EXPORT HID_API_CALL hid_send_feature_report(hid_device *dev, const unsigned char *,
                                                        size_t)
{
    return HidBackend::unsupported(dev, L"hid_send_feature_report");
}

int HID_API_EXPORT HID_API_CALL hid_get_feature_report(hid_device *dev, unsigned char *, size_t)
{
    return HidBackend::unsupported(dev, L"hid_get_feature_report");
}

int HID_API_EXPORT HID_API_CALL hid_get_input_report(hid_device *dev, unsigned char *, size_t)
{
    return HidBackend::unsupported(dev, L"hid_get_input_report");
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device *dev)
{
    HidBackend::close(dev);
}

int HID_API_EXPORT_CALL hid_get_manufacturer_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return HidBackend::getString(dev, 0, string, maxlen);
}

int HID_API_EXPORT_CALL hid_get_product_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return HidBackend::getString(dev, 1, string, maxlen);
}

int HID_API_EXPORT_CALL hid_get_serial_number_string(hid_device *dev, wchar_t *string,
                                                     size_t maxlen)
{
    return HidBackend::getString(dev, 2, string, maxlen);
}

struct hid_device_info HID_API_EXPORT *HID_API_CALL hid_get_device_info(hid_device *dev)
{
    return HidBackend::deviceInfo(dev);
}

int HID_API_EXPORT_CALL hid_get_indexed_string(hid_device *dev, int, wchar_t *, size_t)
{
    return HidBackend::unsupported(dev, L"hid_get_indexed_string");
}

HID_API_EXPORT const wchar_t *HID_API_CALL hid_error(hid_device *dev)
{
    return HidBackend::error(dev);
}

HID_API_EXPORT const struct hid_api_version *HID_API_CALL hid_version(void)
{
    static const hid_api_version version = {HID_API_VERSION_MAJOR, HID_API_VERSION_MINOR,
                                            HID_API_VERSION_PATCH};
    return &version;
}

HID_API_EXPORT const char *HID_API_CALL hid_version_str(void)
{
    return HID_API_VERSION_STR;
}

} // extern "C"
