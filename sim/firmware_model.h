// The firmware-update mode of the instruments (product 0x4606).
#pragma once

#include "sim/device_model.h"

#include <functional>
#include <string>
#include <vector>

namespace sim {

/// Report exchanges:
///  - 0x05 announcement: size big-endian at bytes 17-20; not answered. Starts
///    a new transfer.
///  - 0x01 begin: answered 0x02 (ready), or the configured begin answer.
///  - 0x03 data: 60 image bytes at 5-64; stored and acknowledged 0x02, except
///    the report that completes the announced size, which is not answered.
///    A refused report (see refuseDataReport) is answered 0x01 and ends the
///    transfer: later data reports are refused too.
///  - 0x04 end: not answered.
///
/// The model checks what it receives against this exchange and notes every
/// deviation in problems(): unused bytes that are not zero, a begin without
/// announcement or with another size, data out of turn or after a refusal,
/// padding after the image that is not zero, an end before the last data
/// report, reports after the end, unknown commands.
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
    bool takeUnplugRequest() override;

    // ---- behaviour -------------------------------------------------------
    /// Answer the \a n-th data report (1-based) of each transfer with 0x01;
    /// 0 for never.
    void refuseDataReport(int n);
    /// Answer to the begin report (default 0x02; e.g. 0x00 to refuse).
    void setBeginAnswer(std::uint8_t code);
    /// Delay before the first answer after a begin (like erasing flash).
    void setFirstAnswerDelay(int ms);
    /// The device is pulled out right after taking the \a n-th data report
    /// (1-based) of a transfer: that report is stored, not answered, and the
    /// bus detaches the device. 0 for never. Happens once.
    void vanishAtDataReport(int n);
    /// The device stops answering from the \a n-th data report (1-based) of
    /// each transfer on; it still takes the reports. 0 for never.
    void setSilentFromDataReport(int n);
    /// Called with the command byte of every report received, after the
    /// model has handled it. It runs on the writing thread while the bus is
    /// busy: it may inspect this model, never call the bus.
    void setObserver(std::function<void(std::uint8_t command)> observer);

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
    /// Command byte of every report received since creation or
    /// clearTransfer, in order (also across transfers).
    std::vector<std::uint8_t> commands() const;
    /// Every deviation from the exchange noticed since creation or
    /// clearTransfer, as readable text.
    std::vector<std::string> problems() const;
    /// Forgets the transfers, the command log and the problems (not the
    /// behaviour settings).
    void clearTransfer();

private:
    bool imageCompleteLocked() const;
    std::optional<Answer> handleLocked(const OutputReport &req);
    void checkZero(const OutputReport &req, std::size_t from, std::size_t to,
                   const std::string &what);
    void note(std::string problem);

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
    std::vector<std::uint8_t> commands_;
    std::vector<std::string> problems_;

    int refuseN_ = 0;
    std::uint8_t beginAnswer_ = kAck;
    int firstAnswerDelayMs_ = 0;
    int vanishN_ = 0;
    int silentN_ = 0;
    bool unplugNow_ = false;
    std::function<void(std::uint8_t)> observer_;
};

} // namespace sim
