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
    std::lock_guard<std::mutex> lock(mutex_);
    auto answer = [this](std::uint8_t code) {
        Answer a;
        a.report[0] = code;
        if (!answeredSinceBegin_) {
            a.delayMs = firstAnswerDelayMs_;
            answeredSinceBegin_ = true;
        }
        return a;
    };

    switch (req[1]) {
    case kAnnounce:
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
        beginSize_ = be::get32(req, 17);
        answeredSinceBegin_ = false;
        begun_ = announced_ && beginAnswer_ == kAck;
        return answer(announced_ ? beginAnswer_ : kRefuse);
    }
    case kData: {
        ++dataReports_;
        const std::size_t expected = (static_cast<std::size_t>(size_) + kChunk - 1) / kChunk;
        const bool accept = begun_ && !failed_ && !ended_ && dataReports_ != refuseN_ &&
                            received_.size() < static_cast<std::size_t>(size_);
        if (!accept) {
            failed_ = true;
            return answer(kRefuse);
        }
        received_.insert(received_.end(), req.begin() + 5, req.begin() + 5 + kChunk);
        if (received_.size() >= static_cast<std::size_t>(size_) &&
            static_cast<std::size_t>(dataReports_) == expected)
            return std::nullopt; // the report that completes the image is not answered
        ++acks_;
        return answer(kAck);
    }
    case kEnd:
        ended_ = true;
        return std::nullopt;
    default:
        return std::nullopt;
    }
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
}

} // namespace sim
