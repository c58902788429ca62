#include "sim/firmware_model.h"

#include <algorithm>

namespace sim {

DeviceIdentity FirmwareModel::identity() const
{
    DeviceIdentity id;
    id.vendorId = kVendorId;
    id.productId = kFirmwareProductId;
    id.manufacturer = L"KRIV";
    id.product = L"Firmware Update Mode (simulated)";
    return id;
}

std::optional<Answer> FirmwareModel::handleOutputReport(const OutputReport &req)
{
    std::function<void(std::uint8_t)> observer;
    std::optional<Answer> answer;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        commands_.push_back(req[1]);
        answer = handleLocked(req);
        observer = observer_;
    }
    if (observer)
        observer(req[1]);
    return answer;
}

void FirmwareModel::note(std::string problem)
{
    problems_.push_back(std::move(problem));
}

void FirmwareModel::checkZero(const OutputReport &req, std::size_t from, std::size_t to,
                              const std::string &what)
{
    for (std::size_t k = from; k <= to; ++k) {
        if (req[k] != 0) {
            note(what + ": byte " + std::to_string(k) + " is not zero");
            return;
        }
    }
}

std::optional<Answer> FirmwareModel::handleLocked(const OutputReport &req)
{
    auto answer = [this](std::uint8_t code) {
        Answer a;
        a.report[0] = code;
        if (!answeredSinceBegin_) {
            a.delayMs = firstAnswerDelayMs_;
            answeredSinceBegin_ = true;
        }
        return a;
    };
    if (ended_ && req[1] != kAnnounce)
        note("report " + std::to_string(req[1]) + " after the end");

    switch (req[1]) {
    case kAnnounce:
        checkZero(req, 2, 16, "announcement");
        checkZero(req, 21, 64, "announcement");
        announced_ = true;
        size_ = be::get32(req, 17);
        begun_ = false;
        beginSize_ = 0;
        dataReports_ = 0;
        acks_ = 0;
        ended_ = false;
        failed_ = false;
        received_.clear();
        return std::nullopt;
    case kBegin: {
        checkZero(req, 2, 16, "begin");
        checkZero(req, 21, 64, "begin");
        beginSize_ = be::get32(req, 17);
        if (!announced_)
            note("begin without announcement");
        else if (beginSize_ != size_)
            note("begin size " + std::to_string(beginSize_) + " differs from the announced " +
                 std::to_string(size_));
        if (begun_)
            note("second begin in one transfer");
        answeredSinceBegin_ = false;
        begun_ = announced_ && beginAnswer_ == kAck;
        return answer(announced_ ? beginAnswer_ : kRefuse);
    }
    case kData: {
        ++dataReports_;
        checkZero(req, 2, 4, "data report " + std::to_string(dataReports_));
        const std::size_t expected = (static_cast<std::size_t>(size_) + kChunk - 1) / kChunk;
        if (!begun_)
            note("data report " + std::to_string(dataReports_) + " before an accepted begin");
        else if (failed_)
            note("data report " + std::to_string(dataReports_) + " after a refusal");
        else if (!ended_ && received_.size() >= static_cast<std::size_t>(size_))
            note("data report " + std::to_string(dataReports_) + " past the announced size");
        const bool accept = begun_ && !failed_ && !ended_ && dataReports_ != refuseN_ &&
                            received_.size() < static_cast<std::size_t>(size_);
        if (!accept) {
            failed_ = true;
            return answer(kRefuse);
        }
        received_.insert(received_.end(), req.begin() + 5, req.begin() + 5 + kChunk);
        const bool completes = received_.size() >= static_cast<std::size_t>(size_);
        if (completes && std::any_of(received_.begin() + size_, received_.end(),
                                     [](std::uint8_t b) { return b != 0; }))
            note("padding after the image is not zero");
        if (dataReports_ == vanishN_) {
            vanishN_ = 0;
            unplugNow_ = true;
            return std::nullopt; // pulled out before it could answer
        }
        if (silentN_ > 0 && dataReports_ >= silentN_)
            return std::nullopt; // has stopped answering
        if (completes && static_cast<std::size_t>(dataReports_) == expected)
            return std::nullopt; // the report that completes the image is not answered
        ++acks_;
        return answer(kAck);
    }
    case kEnd:
        checkZero(req, 2, 64, "end");
        if (!begun_)
            note("end without an accepted begin");
        else if (failed_)
            note("end after a refusal");
        else if (received_.size() < static_cast<std::size_t>(size_))
            note("end after " + std::to_string(received_.size()) + " of " + std::to_string(size_) +
                 " bytes");
        ended_ = true;
        return std::nullopt;
    default:
        note("unknown command " + std::to_string(req[1]));
        return std::nullopt;
    }
}

bool FirmwareModel::takeUnplugRequest()
{
    std::lock_guard<std::mutex> lock(mutex_);
    const bool now = unplugNow_;
    unplugNow_ = false;
    return now;
}

void FirmwareModel::refuseDataReport(int n)
{
    std::lock_guard<std::mutex> lock(mutex_);
    refuseN_ = std::max(0, n);
}

void FirmwareModel::setBeginAnswer(std::uint8_t code)
{
    std::lock_guard<std::mutex> lock(mutex_);
    beginAnswer_ = code;
}

void FirmwareModel::setFirstAnswerDelay(int ms)
{
    std::lock_guard<std::mutex> lock(mutex_);
    firstAnswerDelayMs_ = std::max(0, ms);
}

void FirmwareModel::vanishAtDataReport(int n)
{
    std::lock_guard<std::mutex> lock(mutex_);
    vanishN_ = std::max(0, n);
}

void FirmwareModel::setSilentFromDataReport(int n)
{
    std::lock_guard<std::mutex> lock(mutex_);
    silentN_ = std::max(0, n);
}

void FirmwareModel::setObserver(std::function<void(std::uint8_t)> observer)
{
    std::lock_guard<std::mutex> lock(mutex_);
    observer_ = std::move(observer);
}

bool FirmwareModel::announced() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return announced_;
}

std::uint32_t FirmwareModel::announcedSize() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return size_;
}

bool FirmwareModel::begun() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return begun_;
}

std::uint32_t FirmwareModel::beginSize() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return beginSize_;
}

int FirmwareModel::dataReports() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return dataReports_;
}

int FirmwareModel::acknowledgements() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return acks_;
}

bool FirmwareModel::endReceived() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return ended_;
}

bool FirmwareModel::failed() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return failed_;
}

std::vector<std::uint8_t> FirmwareModel::received() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

std::vector<std::uint8_t> FirmwareModel::image() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const std::size_t n = std::min(received_.size(), static_cast<std::size_t>(size_));
    return std::vector<std::uint8_t>(received_.begin(),
                                     received_.begin() + static_cast<std::ptrdiff_t>(n));
}

std::vector<std::uint8_t> FirmwareModel::commands() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

std::vector<std::string> FirmwareModel::problems() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return problems_;
}

bool FirmwareModel::imageCompleteLocked() const
{
    if (!announced_ || !begun_ || !ended_ || failed_ || size_ == 0)
        return false;
    const std::size_t expected = (static_cast<std::size_t>(size_) + kChunk - 1) / kChunk;
    if (static_cast<std::size_t>(dataReports_) != expected || received_.size() != expected * kChunk)
        return false;
    return std::all_of(received_.begin() + size_, received_.end(),
                       [](std::uint8_t b) { return b == 0; });
}

bool FirmwareModel::imageComplete() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return imageCompleteLocked();
}

void FirmwareModel::clearTransfer()
{
    std::lock_guard<std::mutex> lock(mutex_);
    announced_ = false;
    size_ = 0;
    begun_ = false;
    beginSize_ = 0;
    dataReports_ = 0;
    acks_ = 0;
    ended_ = false;
    failed_ = false;
    answeredSinceBegin_ = false;
    received_.clear();
    commands_.clear();
    problems_.clear();
    unplugNow_ = false;
}

} // namespace sim
