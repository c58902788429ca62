// The firmware-update mode of the instruments (product 0x4606).
#pragma once

#include "sim/device_model.h"

#include <vector>

namespace sim {

/// Report exchanges:
///  - 0x05 announcement: size big-endian at bytes 17-20; not answered.
///  - 0x01 begin: answered 0x02 (ready), or the configured begin answer.
///  - 0x03 data: 60 image bytes at 5-64; stored and acknowledged 0x02, except
///    the report that completes the announced size, which is not answered.
///    A refused report (see refuseDataReport) is answered 0x01 and ends the
///    transfer: later data reports are refused too.
///  - 0x04 end: not answered.
class FirmwareModel : public DeviceModel {
public:
    static constexpr std::uint8_t kBegin = 0x01;
    static constexpr std::uint8_t kAck = 0x02;
    static constexpr std::uint8_t kData = 0x03;
    static constexpr std::uint8_t kEnd = 0x04;
    static constexpr std::uint8_t kAnnounce = 0x05;
    static constexpr std::uint8_t kRefuse = 0x01;
    static constexpr int kChunk = 60;

    FirmwareModel() = default;

    DeviceIdentity identity() const override;
    std::optional<Answer> handleOutputReport(const OutputReport &request) override;

    // ---- behaviour -------------------------------------------------------
    /// Answer the \a n-th data report (1-based) with 0x01; 0 for never.
    void refuseDataReport(int n);
    /// Answer to the begin report (default 0x02; e.g. 0x00 to refuse).
    void setBeginAnswer(std::uint8_t code);
    /// Delay before the first answer after a begin (like erasing flash).
    void setFirstAnswerDelay(int ms);

    // ---- inspection ------------------------------------------------------
    bool announced() const;
    std::uint32_t announcedSize() const;
    bool begun() const;              ///< begin received and accepted
    std::uint32_t beginSize() const; ///< size bytes 17-20 of the begin report
    int dataReports() const;         ///< data reports received
    int acknowledgements() const;    ///< 0x02 answers to data reports
    bool endReceived() const;
    bool failed() const;                        ///< a data report was refused
    std::vector<std::uint8_t> received() const; ///< all data bytes, 60 per report
    /// The first announcedSize received bytes.
    std::vector<std::uint8_t> image() const;
    /// True once the end came after exactly ceil(size/60) accepted data
    /// reports carrying the announced bytes, with zero padding after them.
    bool imageComplete() const;
    /// Forgets the transfer (not the behaviour settings).
    void clearTransfer();

private:
    bool imageCompleteLocked() const;

    bool announced_ = false;
    std::uint32_t size_ = 0;
    bool begun_ = false;
    std::uint32_t beginSize_ = 0;
    int dataReports_ = 0;
    int acks_ = 0;
    bool ended_ = false;
    bool failed_ = false;
    bool answeredSinceBegin_ = false;
    std::vector<std::uint8_t> received_;

    int refuseN_ = 0;
    std::uint8_t beginAnswer_ = kAck;
    int firstAnswerDelayMs_ = 0;
};

} // namespace sim
