#include "sim/bus_p.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace sim {

namespace be {
std::uint16_t toU16(double value)
{
    if (!(value > 0.0)) // also NaN
        return 0;
    if (value >= 65535.0)
        return 65535;
    return static_cast<std::uint16_t>(std::lround(value));
}
} // namespace be

namespace detail {
std::wstring widen(const std::string &s)
{
    std::wstring w;
    w.reserve(s.size());
    for (unsigned char c : s)
        w.push_back(static_cast<wchar_t>(c)); // reasons are ASCII
    return w;
}
} // namespace detail

using detail::DeviceSlot;

InputReport makeReport(std::initializer_list<std::uint8_t> leadingBytes)
{
    InputReport r{};
    std::size_t i = 0;
    for (auto b : leadingBytes) {
        if (i >= r.size())
            break;
        r[i++] = b;
    }
    return r;
}

Bus &Bus::instance()
{
    // Never destroyed: handles may still be closed during static destruction.
    static Bus *theBus = new Bus;
    return *theBus;
}

Bus &bus()
{
    return Bus::instance();
}

std::shared_ptr<DeviceSlot> Bus::slotLocked(int id) const
{
    auto it = all_.find(id);
    if (it == all_.end())
        throw std::out_of_range("sim::Bus: unknown device id " + std::to_string(id));
    return it->second;
}

int Bus::attach(std::shared_ptr<DeviceModel> model, int interfaceNumber)
{
    if (!model)
        throw std::invalid_argument("sim::Bus::attach: null model");
    DeviceIdentity ident = model->identity();
    ident.interfaceNumber = interfaceNumber;
    return attach(ident, std::move(model));
}

int Bus::attach(const DeviceIdentity &identity, std::shared_ptr<DeviceModel> model)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto slot = std::make_shared<DeviceSlot>();
    slot->id = nextId_++;
    slot->path = "/dev/hidraw" + std::to_string(nextPathNumber_++);
    slot->identity = identity;
    if (slot->identity.serial.empty())
        slot->identity.serial = L"SIM" + std::to_wstring(slot->id);
    slot->model = std::move(model);
    attached_.push_back(slot);
    all_[slot->id] = slot;
    changed_.notify_all();
    return slot->id;
}

int Bus::attachOther(std::uint16_t vendorId, std::uint16_t productId, int interfaceNumber,
                     const std::wstring &product)
{
    DeviceIdentity ident;
    ident.vendorId = vendorId;
    ident.productId = productId;
    ident.interfaceNumber = interfaceNumber;
    ident.manufacturer = L"Other vendor";
    ident.product = product;
    ident.usagePage = 0x0001;
    ident.usage = 0x0006;
    return attach(ident, nullptr);
}

bool Bus::detach(int id)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return detachLocked(id);
}

bool Bus::detachLocked(int id)
{
    auto it = std::find_if(attached_.begin(), attached_.end(),
                           [id](const auto &s) { return s->id == id; });
    if (it == attached_.end())
        return false;
    (*it)->attached = false;
    (*it)->pending.clear();
    attached_.erase(it);
    changed_.notify_all();
    return true;
}

void Bus::detachAll()
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto &s : attached_) {
        s->attached = false;
        s->pending.clear();
    }
    attached_.clear();
    changed_.notify_all();
}

void Bus::reset()
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto &s : attached_) {
        s->attached = false;
        s->pending.clear();
    }
    attached_.clear();
    all_.clear();
    timeoutCapMs_ = kDefaultTimeoutCapMs;
    blockingWaitMs_ = kDefaultBlockingWaitMs;
    writeLogLimit_ = kDefaultWriteLogLimit;
    globalError_ = L"Success";
    changed_.notify_all();
}

std::vector<int> Bus::attachedIds() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<int> ids;
    for (const auto &s : attached_)
        ids.push_back(s->id);
    return ids;
}

bool Bus::isAttached(int id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = all_.find(id);
    return it != all_.end() && it->second->attached;
}

std::string Bus::path(int id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = all_.find(id);
    return it == all_.end() ? std::string() : it->second->path;
}

int Bus::idForPath(const std::string &path) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto &kv : all_)
        if (kv.second->path == path)
            return kv.first;
    return -1;
}

DeviceIdentity Bus::identity(int id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return slotLocked(id)->identity;
}

std::shared_ptr<DeviceModel> Bus::model(int id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = all_.find(id);
    return it == all_.end() ? nullptr : it->second->model;
}

void Bus::setFailOpen(int id, bool fail, const std::string &reason)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto s = slotLocked(id);
    s->failOpen = fail;
    s->failReason = detail::widen(reason);
}

void Bus::setReadBehaviour(int id, ReadBehaviour behaviour, int count)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto s = slotLocked(id);
    s->behaviour = behaviour;
    s->behaviourCount = behaviour == ReadBehaviour::Normal ? -1 : count;
    changed_.notify_all();
}

ReadBehaviour Bus::readBehaviour(int id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return slotLocked(id)->behaviour;
}

void Bus::setWrongCode(int id, std::uint8_t code, int count)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto s = slotLocked(id);
    s->wrongCodeOn = count != 0;
    s->wrongCode = code;
    s->wrongCodeCount = count;
}

void Bus::clearWrongCode(int id)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto s = slotLocked(id);
    s->wrongCodeOn = false;
    s->wrongCodeCount = -1;
}

void Bus::scriptAnswer(int id, const InputReport &report)
{
    std::lock_guard<std::mutex> lock(mutex_);
    slotLocked(id)->script.push_back(report);
    changed_.notify_all();
}

void Bus::scriptAnswers(int id, const std::vector<InputReport> &reports)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto s = slotLocked(id);
    for (const auto &r : reports)
        s->script.push_back(r);
    changed_.notify_all();
}

void Bus::clearScript(int id)
{
    std::lock_guard<std::mutex> lock(mutex_);
    slotLocked(id)->script.clear();
}

std::size_t Bus::scriptedLeft(int id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return slotLocked(id)->script.size();
}

void Bus::setAnswerDelay(int id, int ms)
{
    std::lock_guard<std::mutex> lock(mutex_);
    slotLocked(id)->answerDelayMs = std::max(0, ms);
}

std::vector<std::vector<std::uint8_t>> Bus::writes(int id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto s = slotLocked(id);
    return std::vector<std::vector<std::uint8_t>>(s->writes.begin(), s->writes.end());
}

std::size_t Bus::writeCount(int id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return slotLocked(id)->writeCount;
}

std::vector<std::uint8_t> Bus::lastWrite(int id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto s = slotLocked(id);
    return s->writes.empty() ? std::vector<std::uint8_t>() : s->writes.back();
}

void Bus::clearWrites(int id)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto s = slotLocked(id);
    s->writes.clear();
    s->writeCount = 0;
}

int Bus::readCount(int id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return slotLocked(id)->reads;
}

int Bus::longestReadWait(int id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return slotLocked(id)->longestReadWaitMs;
}

std::int64_t Bus::readWaitsAllowed(int id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return slotLocked(id)->readWaitsAllowedMs;
}

std::vector<InputReport> Bus::deliveries(int id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto s = slotLocked(id);
    return std::vector<InputReport>(s->delivered.begin(), s->delivered.end());
}

std::size_t Bus::deliveryCount(int id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return slotLocked(id)->deliveredCount;
}

int Bus::openHandles(int id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return slotLocked(id)->openHandles;
}

int Bus::openCount(int id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return slotLocked(id)->opens;
}

int Bus::totalOpenHandles() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const auto &kv : all_)
        n += kv.second->openHandles;
    return n;
}

std::size_t Bus::pendingAnswers(int id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return slotLocked(id)->pending.size();
}

void Bus::setTimeoutCap(int ms)
{
    std::lock_guard<std::mutex> lock(mutex_);
    timeoutCapMs_ = std::max(0, ms);
}

int Bus::timeoutCap() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return timeoutCapMs_;
}

void Bus::setBlockingWait(int ms)
{
    std::lock_guard<std::mutex> lock(mutex_);
    blockingWaitMs_ = std::max(0, ms);
}

int Bus::blockingWait() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return blockingWaitMs_;
}

void Bus::setWriteLogLimit(std::size_t reports)
{
    std::lock_guard<std::mutex> lock(mutex_);
    writeLogLimit_ = reports;
    for (auto &kv : all_)
        while (kv.second->writes.size() > writeLogLimit_)
            kv.second->writes.pop_front();
}

std::size_t Bus::writeLogLimit() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return writeLogLimit_;
}

} // namespace sim
