#include "firmwaretransfer.h"

#include "device/hidtransaction.h"
#include "firmwarereports.h"

#include <QElapsedTimer>
#include <QScopeGuard>

#include <cstring>

namespace firmware {

const char *outcomeName(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Sent:
        return "sent";
    case Outcome::InvalidImage:
        return "invalid image";
    case Outcome::Refused:
        return "refused";
    case Outcome::NoAnswer:
        return "no answer";
    case Outcome::Lost:
        return "device lost";
    }
    return "?";
}

namespace {

// Waits up to timeoutMs for the device's answer. True when it is "ready";
// otherwise `failure` says why not.
bool awaitReady(hid_device *device, quint8 *readBuf, int timeoutMs, const Pacing &pacing,
                Outcome &failure)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        std::memset(readBuf, 0, kReadBufferSize);
        const int left = timeoutMs - int(waited.elapsed());
        const int read = hid::receiveReport(device, readBuf, qBound(0, left, kWaitSliceMs));
        if (read < 0) {
            failure = Outcome::Lost;
            return false;
        }
        if (read > 0) {
            failure = Outcome::Refused;
            return readBuf[0] == kReadyCode;
        }
        if (waited.elapsed() >= timeoutMs) {
            failure = Outcome::NoAnswer;
            return false;
        }
        if (pacing.keepAlive)
            pacing.keepAlive();
    }
}

} // namespace

Outcome sendImage(hid_device *device, quint8 *writeBuf, quint8 *readBuf, const char *image,
                  qint64 imageSize, qint64 &offset, const Pacing &pacing)
{
    offset = 0;
    const auto idleAgain = qScopeGuard([&offset] { offset = 0; });
    if (imageSize <= 0 || imageSize > kMaxImageSize)
        return Outcome::InvalidImage;

    buildAnnouncement(writeBuf, quint32(imageSize));
    if (hid::sendReport(device, writeBuf) < 0)
        return Outcome::Lost;
    buildBegin(writeBuf, quint32(imageSize));
    if (hid::sendReport(device, writeBuf) < 0)
        return Outcome::Lost;
    Outcome failure = Outcome::Lost;
    if (!awaitReady(device, readBuf, pacing.firstAnswerTimeoutMs, pacing, failure))
        return failure;

    for (;;) {
        buildDataReport(writeBuf, image, imageSize, offset);
        offset += kChunkSize;
        if (hid::sendReport(device, writeBuf) < 0)
            return Outcome::Lost;
        const int progress = progressValue(offset, imageSize);
        if (progress != kKeepProgress && pacing.showProgress)
            pacing.showProgress(progress);
        if (pacing.pause)
            pacing.pause();
        if (offset >= imageSize) {
            // The last data report is not acknowledged, and the end is not
            // answered; a failed write is the only sign of a lost device here.
            buildEndReport(writeBuf);
            return hid::sendReport(device, writeBuf) < 0 ? Outcome::Lost : Outcome::Sent;
        }
        if (!awaitReady(device, readBuf, pacing.answerTimeoutMs, pacing, failure))
            return failure;
    }
}

} // namespace firmware
