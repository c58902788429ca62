// The firmware transfer's reading of the device's acknowledgements, through
// the real transfer on a simulated firmware-update device that answers only
// what the input scripts. The first two input bytes give the image size
// (1-1024 bytes); the rest, in 64-byte pieces, are the device's answers. The
// outcome and the reports sent are worked out here from the answers alone:
// one answer to the begin and one to each data report but the last, each
// "ready" only when its first byte is 0x02.
#include "device/hidtransaction.h"
#include "firmware/firmwarereports.h"
#include "firmware/firmwaretransfer.h"
#include "fuzzcheck.h"
#include "sim/simulator.h"

#include <hidapi.h>

#include <QByteArray>

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const qint64 imageSize = 1 + ((data[0] << 8 | data[1]) % 1024);
    std::vector<sim::InputReport> answers;
    for (size_t at = 2; at < size; at += 64) {
        sim::InputReport answer{};
        std::memcpy(answer.data(), data + at, qMin<size_t>(64, size - at));
        answers.push_back(answer);
    }

    sim::Bus &bus = sim::bus();
    bus.reset();
    sim::DeviceIdentity identity;
    identity.vendorId = sim::kVendorId;
    identity.productId = 0x4606;
    const int id = bus.attach(identity);
    bus.scriptAnswers(id, answers);
    hid_device *device = hid_open_path(bus.path(id).c_str());
    FUZZ_CHECK(device);

    QByteArray image(int(imageSize), '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(i * 7 + 1);
    quint8 writeBuf[hid::kOutputReportSize] = {};
    quint8 readBuf[firmware::kReadBufferSize] = {};
    qint64 offset = -1;
    firmware::Pacing pacing;
    pacing.firstAnswerTimeoutMs = 0; // an answer not scripted is missing at once
    pacing.answerTimeoutMs = 0;
    const firmware::Outcome outcome = firmware::sendImage(
        device, writeBuf, readBuf, image.constData(), imageSize, offset, pacing);

    // Worked out from the answers: how many data reports go out, and why it ends.
    const qint64 reports = (imageSize + 59) / 60;
    firmware::Outcome expected = firmware::Outcome::Sent;
    qint64 dataSent = reports;
    for (qint64 wait = 0; wait < reports; ++wait) { // the begin's answer, then data 1..reports-1
        if (size_t(wait) >= answers.size()) {
            expected = firmware::Outcome::NoAnswer;
            dataSent = wait;
            break;
        }
        if (answers[size_t(wait)][0] != 0x02) {
            expected = firmware::Outcome::Refused;
            dataSent = wait;
            break;
        }
    }
    FUZZ_CHECK(outcome == expected, "outcome %s, expected %s", firmware::outcomeName(outcome),
               firmware::outcomeName(expected));
    FUZZ_CHECK(offset == 0);

    const std::vector<std::vector<std::uint8_t>> writes = bus.writes(id);
    const size_t expectedWrites =
        2 + size_t(dataSent) + (expected == firmware::Outcome::Sent ? 1 : 0);
    FUZZ_CHECK(writes.size() == expectedWrites, "%zu writes, expected %zu", writes.size(),
               expectedWrites);
    FUZZ_CHECK(writes[0][1] == 0x05 && writes[1][1] == 0x01);
    for (qint64 r = 0; r < dataSent; ++r) {
        const std::vector<std::uint8_t> &report = writes[size_t(2 + r)];
        FUZZ_CHECK(report.size() == 65 && report[1] == 0x03);
        for (int i = 0; i < 60; ++i) {
            const qint64 at = r * 60 + i;
            const std::uint8_t byte = at < imageSize ? std::uint8_t(image[int(at)]) : 0;
            FUZZ_CHECK(report[size_t(5 + i)] == byte);
        }
    }
    if (expected == firmware::Outcome::Sent)
        FUZZ_CHECK(writes.back()[1] == 0x04);
    // Every answer waited for is read once, and no more.
    const size_t consumed = expected == firmware::Outcome::Sent      ? size_t(reports)
                            : expected == firmware::Outcome::Refused ? size_t(dataSent) + 1
                                                                     : answers.size();
    FUZZ_CHECK(bus.scriptedLeft(id) == answers.size() - consumed, "%zu answers left, expected %zu",
               bus.scriptedLeft(id), answers.size() - consumed);
    hid_close(device);
    return 0;
}
