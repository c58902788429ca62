// The process-wide simulated HID bus behind the hidapi functions.
#pragma once

#include "sim/device_model.h"
#include "sim/sim_bytes.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <condition_variable>
#include <string>
#include <vector>

namespace sim {

/// How the next reads of a device behave.
enum class ReadBehaviour {
    Normal,  ///< the oldest queued answer, or wait for the timeout and return 0
    Fail,    ///< return -1 at once
    Zero,    ///< return 0 at once
    Timeout, ///< wait the timeout (bounded by Bus::timeoutCap, blocking reads by
             ///< Bus::blockingWait) and return 0
    Stall,   ///< the device hangs: wait the full timeout (blocking reads:
             ///< Bus::blockingWait) and return 0
};

namespace detail {
struct DeviceSlot;
class HidBackend;
} // namespace detail

/// Builds an input report from its leading bytes; the rest is zero.
InputReport makeReport(std::initializer_list<std::uint8_t> leadingBytes);

class Bus {
public:
    static Bus &instance();

    Bus(const Bus &) = delete;
    Bus &operator=(const Bus &) = delete;

    // ---- attaching -------------------------------------------------------
    /// Attaches a device answered by \a model; returns its id. Each attach
    /// gets a fresh path "/dev/hidrawN" (N never reused, not even by reset).
    int attach(std::shared_ptr<DeviceModel> model, int interfaceNumber = 0);
    /// Attaches a device with an explicit identity (any vendor/product);
    /// \a model may be null: such a device never answers on its own.
    int attach(const DeviceIdentity &identity, std::shared_ptr<DeviceModel> model = nullptr);
    /// Attaches a device of any vendor that answers nothing.
    int attachOther(std::uint16_t vendorId, std::uint16_t productId, int interfaceNumber = 0,
                    const std::wstring &product = L"Other HID device");
    /// Detaches a device: it leaves the enumeration; open handles stay valid
    /// objects but writes and reads on them fail (-1). Returns false for an
    /// unknown or already detached id.
    bool detach(int id);
    void detachAll();
    /// Detaches everything, forgets every device and restores all defaults
    /// (caps, waits). Paths keep increasing.
    void reset();

    std::vector<int> attachedIds() const; ///< in enumeration (attach) order
    bool isAttached(int id) const;
    std::string path(int id) const;               ///< "" for an unknown id
    int idForPath(const std::string &path) const; ///< -1 when unknown
    DeviceIdentity identity(int id) const;
    std::shared_ptr<DeviceModel> model(int id) const;
    template <class M> std::shared_ptr<M> modelAs(int id) const
    {
        return std::dynamic_pointer_cast<M>(model(id));
    }

    // ---- fault injection -------------------------------------------------
    /// hid_open_path on this device returns null and hid_error(NULL) \a reason.
    void setFailOpen(int id, bool fail, const std::string &reason = "Permission denied");
    void failOpen(int id, bool fail, const std::string &reason = "Permission denied")
    {
        setFailOpen(id, fail, reason);
    }
    /// Behaviour of the next \a count reads (-1: until changed). Every read
    /// that is not Normal discards the oldest queued answer, if any, so that
    /// one write still pairs with one read afterwards.
    void setReadBehaviour(int id, ReadBehaviour behaviour, int count = -1);
    ReadBehaviour readBehaviour(int id) const;
    /// The next \a count model answers (-1: all) carry \a code in byte 0.
    void setWrongCode(int id, std::uint8_t code, int count = -1);
    void clearWrongCode(int id);
    /// Scripted answers: each written request the model answers is answered
    /// by the next scripted report instead (the model still processes the
    /// request); a read with no queued answer returns the next scripted
    /// report at once. For a device without model, only the latter.
    void scriptAnswer(int id, const InputReport &report);
    void scriptAnswers(int id, const std::vector<InputReport> &reports);
    void clearScript(int id);
    std::size_t scriptedLeft(int id) const;
    /// Latency added to every answer of this device.
    void setAnswerDelay(int id, int ms);

    // ---- inspection ------------------------------------------------------
    /// Every output report written, as passed to hid_write (normally 65
    /// bytes, byte 0 the report ID), oldest first. Only the latest
    /// writeLogLimit() reports are kept.
    std::vector<std::vector<std::uint8_t>> writes(int id) const;
    /// Reports written since attach or clearWrites (also those no longer kept).
    std::size_t writeCount(int id) const;
    std::vector<std::uint8_t> lastWrite(int id) const; ///< empty when none
    void clearWrites(int id);
    int readCount(int id) const; ///< hid_read/hid_read_timeout calls
    /// The longest a read of this device was allowed to wait, in ms: the
    /// timeout it was given, blockingWait() for a blocking read, 0 for a
    /// non-blocking one. What the program asked for, whatever the read did.
    int longestReadWait(int id) const;
    /// The waits every read of this device was allowed (as above), added up.
    std::int64_t readWaitsAllowed(int id) const;
    /// Every input report a read handed to the program (queued answers and
    /// scripted ones, as the program got them), oldest first; only the latest
    /// writeLogLimit() are kept. With it a test knows exactly which answers
    /// the program received, whatever faults were injected on the way.
    std::vector<InputReport> deliveries(int id) const;
    /// Reports reads handed out since attach (also those no longer kept).
    std::size_t deliveryCount(int id) const;
    int openHandles(int id) const; ///< handles opened and not yet closed
    int openCount(int id) const;   ///< successful hid_open_path calls
    int totalOpenHandles() const;  ///< over every device ever attached since reset
    std::size_t pendingAnswers(int id) const;

    // ---- timing ----------------------------------------------------------
    /// Longest wait of a ReadBehaviour::Timeout read (default 1000 ms).
    void setTimeoutCap(int ms);
    int timeoutCap() const;
    /// How long a blocking hid_read waits with nothing to read before it
    /// returns 0 (default 2000 ms).
    void setBlockingWait(int ms);
    int blockingWait() const;

    /// Reports kept in each device's output log (default 100000).
    void setWriteLogLimit(std::size_t reports);
    std::size_t writeLogLimit() const;

    static constexpr int kDefaultTimeoutCapMs = 1000;
    static constexpr std::size_t kDefaultWriteLogLimit = 100000;
    static constexpr int kDefaultBlockingWaitMs = 2000;

private:
    Bus() = default;
    friend class detail::HidBackend;

    std::shared_ptr<detail::DeviceSlot> slotLocked(int id) const;
    /// Detaches an attached device; the bus mutex is held.
    bool detachLocked(int id);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::shared_ptr<detail::DeviceSlot>> attached_; ///< attach order
    std::map<int, std::shared_ptr<detail::DeviceSlot>> all_;    ///< also detached ones
    int nextId_ = 1;
    int nextPathNumber_ = 0;
    int timeoutCapMs_ = kDefaultTimeoutCapMs;
    int blockingWaitMs_ = kDefaultBlockingWaitMs;
    std::size_t writeLogLimit_ = kDefaultWriteLogLimit;
    std::wstring globalError_ = L"Success";
};

/// The process-wide bus.
Bus &bus();

} // namespace sim
