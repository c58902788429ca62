// The firmware transfer without the window: the reports byte for byte, the
// progress values, and the stop-and-wait sequence against the simulated
// firmware-update device.
#include "firmware/firmwarereports.h"
#include "firmware/firmwaretransfer.h"
#include "sim/simulator.h"

#include <hidapi.h>

#include <QtTest>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

Q_DECLARE_METATYPE(firmware::Outcome)

namespace {

using Report = std::array<quint8, 65>;

// An image whose bytes are never zero, so that zero padding shows.
QByteArray makeImage(int size)
{
    QByteArray image(size, '\0');
    for (int k = 0; k < size; ++k)
        image[k] = char(k % 251 + 1);
    return image;
}

// A buffer full of leftovers of an earlier report.
Report dirtyBuffer()
{
    Report out;
    out.fill(0xAA);
    return out;
}

// A report written out by hand: zeros, with the given bytes at their places.
Report handReport(std::initializer_list<std::pair<int, quint8>> bytes)
{
    Report out{};
    for (const auto &b : bytes)
        out[size_t(b.first)] = b.second;
    return out;
}

// Reports compare as hex text, so that a failure shows the bytes.
QByteArray hex(const Report &report)
{
    return QByteArray(reinterpret_cast<const char *>(report.data()), int(report.size())).toHex(' ');
}

QByteArray bytesOf(const std::vector<std::uint8_t> &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), int(v.size()));
}

QString joined(const std::vector<std::string> &lines)
{
    QStringList list;
    for (const std::string &line : lines)
        list << QString::fromStdString(line);
    return list.join(QStringLiteral("; "));
}

// The simulated device and a handle to it.
struct Device {
    std::shared_ptr<sim::FirmwareModel> model = std::make_shared<sim::FirmwareModel>();
    int id = sim::bus().attach(model);
    hid_device *handle = hid_open_path(sim::bus().path(id).c_str());
    ~Device() { hid_close(handle); }
};

struct Run {
    firmware::Outcome outcome;
    qint64 offsetAfter;
    std::vector<int> progress;
    int keepAlives = 0;
};

Run send(Device &device, const QByteArray &image, firmware::Pacing pacing = {})
{
    Run run{};
    pacing.showProgress = [&run](int value) { run.progress.push_back(value); };
    pacing.keepAlive = [&run] { ++run.keepAlives; };
    quint8 writeBuf[65] = {};
    quint8 readBuf[firmware::kReadBufferSize] = {};
    qint64 offset = -1;
    run.outcome = firmware::sendImage(device.handle, writeBuf, readBuf, image.constData(),
                                      image.size(), offset, pacing);
    run.offsetAfter = offset;
    return run;
}

} // namespace

class FirmwareTransferTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { sim::bus().reset(); }

    // The size travels big-endian in bytes 17-20 of the announcement and of
    // the begin command; every other byte but the command is zero.
    void announcementAndBegin_data()
    {
        QTest::addColumn<quint32>("size");
        QTest::addColumn<QByteArray>("sizeBytes");
        QTest::newRow("120") << 120u << QByteArray::fromHex("00000078");
        QTest::newRow("6001") << 6001u << QByteArray::fromHex("00001771");
        QTest::newRow("1 MiB") << 1048576u << QByteArray::fromHex("00100000");
        QTest::newRow("all four bytes") << 0x12345678u << QByteArray::fromHex("12345678");
    }
    void announcementAndBegin()
    {
        QFETCH(quint32, size);
        QFETCH(QByteArray, sizeBytes);
        Report expected = handReport({{1, 0x05}});
        for (int k = 0; k < 4; ++k)
            expected[size_t(17 + k)] = quint8(sizeBytes[k]);

        Report out = dirtyBuffer();
        firmware::buildAnnouncement(out.data(), size);
        QCOMPARE(hex(out), hex(expected));

        out = dirtyBuffer();
        firmware::buildBegin(out.data(), size);
        expected[1] = 0x01;
        QCOMPARE(hex(out), hex(expected));
    }

    // Image bytes from byte 5 on; bytes past the end of the image are zero.
    void dataReport_data()
    {
        QTest::addColumn<int>("imageSize");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("imageBytes");
        QTest::newRow("first of 120") << 120 << 0 << 60;
        QTest::newRow("second of 120") << 120 << 60 << 60;
        QTest::newRow("last of 6001") << 6001 << 6000 << 1;
        QTest::newRow("last of 1 MiB") << 1048576 << 1048560 << 16;
        QTest::newRow("only one of 50") << 50 << 0 << 50;
    }
    void dataReport()
    {
        QFETCH(int, imageSize);
        QFETCH(int, offset);
        QFETCH(int, imageBytes);
        const QByteArray image = makeImage(imageSize);
        Report expected = handReport({{1, 0x03}});
        for (int k = 0; k < imageBytes; ++k)
            expected[size_t(5 + k)] = quint8(image[offset + k]);

        Report out = dirtyBuffer();
        firmware::buildDataReport(out.data(), image.constData(), imageSize, offset);
        QCOMPARE(hex(out), hex(expected));
    }

    void endReport()
    {
        Report out = dirtyBuffer();
        firmware::buildEndReport(out.data());
        QCOMPARE(hex(out), hex(handReport({{1, 0x04}})));
    }

    void dataReportCount_data()
    {
        QTest::addColumn<qint64>("imageSize");
        QTest::addColumn<qint64>("reports");
        QTest::newRow("empty") << qint64(0) << qint64(0);
        QTest::newRow("1") << qint64(1) << qint64(1);
        QTest::newRow("60") << qint64(60) << qint64(1);
        QTest::newRow("61") << qint64(61) << qint64(2);
        QTest::newRow("120") << qint64(120) << qint64(2);
        QTest::newRow("6001") << qint64(6001) << qint64(101);
        QTest::newRow("1 MiB") << qint64(1048576) << qint64(17477);
    }
    void dataReportCount()
    {
        QFETCH(qint64, imageSize);
        QFETCH(qint64, reports);
        QCOMPARE(firmware::dataReportCount(imageSize), reports);
    }

    // 100 once the image has gone; whole hundredths of the image before that
    // (-1: the bar keeps its value); the percentage for images under 100 bytes.
    void progressValue_data()
    {
        QTest::addColumn<qint64>("sent");
        QTest::addColumn<qint64>("imageSize");
        QTest::addColumn<int>("value");
        QTest::newRow("120: nothing yet") << qint64(0) << qint64(120) << 0;
        QTest::newRow("120: first report") << qint64(60) << qint64(120) << 60;
        QTest::newRow("120: last report") << qint64(120) << qint64(120) << 100;
        QTest::newRow("6001: first report") << qint64(60) << qint64(6001) << 1;
        QTest::newRow("6001: report 99") << qint64(5940) << qint64(6001) << 99;
        QTest::newRow("6001: report 100") << qint64(6000) << qint64(6001) << 100;
        QTest::newRow("6001: report 101, the last") << qint64(6060) << qint64(6001) << 100;
        QTest::newRow("199: first report") << qint64(60) << qint64(199) << 60;
        QTest::newRow("199: 120 sent, past 100 hundredths") << qint64(120) << qint64(199) << -1;
        QTest::newRow("199: 180 sent") << qint64(180) << qint64(199) << -1;
        QTest::newRow("199: last report") << qint64(240) << qint64(199) << 100;
        QTest::newRow("300: 240 sent") << qint64(240) << qint64(300) << 80;
        QTest::newRow("50: its only report") << qint64(60) << qint64(50) << 100;
        QTest::newRow("99: first report") << qint64(60) << qint64(99) << 60;
        QTest::newRow("61: first report") << qint64(60) << qint64(61) << 98;
        QTest::newRow("1 MiB: first report") << qint64(60) << qint64(1048576) << 0;
        QTest::newRow("1 MiB: 10500 sent") << qint64(10500) << qint64(1048576) << 1;
        QTest::newRow("1 MiB: 1048440 sent") << qint64(1048440) << qint64(1048576) << 99;
        QTest::newRow("1 MiB: 1048500 sent") << qint64(1048500) << qint64(1048576) << 100;
        QTest::newRow("1 MiB: last report") << qint64(1048620) << qint64(1048576) << 100;
    }
    void progressValue()
    {
        QFETCH(qint64, sent);
        QFETCH(qint64, imageSize);
        QFETCH(int, value);
        QCOMPARE(firmware::progressValue(sent, imageSize), value);
    }

    // The largest image goes out whole: 17477 data reports, the device holds
    // every byte, and the bar ends at 100.
    void largestImageArrivesIntact()
    {
        Device device;
        const QByteArray image = makeImage(1048576);
        const Run run = send(device, image);
        QCOMPARE(run.outcome, firmware::Outcome::Sent);
        QCOMPARE(run.offsetAfter, qint64(0));
        QCOMPARE(device.model->dataReports(), 17477);
        QVERIFY(device.model->endReceived());
        QVERIFY(device.model->imageComplete());
        QCOMPARE(bytesOf(device.model->image()), image);
        QVERIFY2(device.model->problems().empty(), qPrintable(joined(device.model->problems())));
        QCOMPARE(device.model->commands().size(), size_t(17477 + 3));
        QCOMPARE(run.progress.back(), 100);
        QVERIFY(std::is_sorted(run.progress.begin(), run.progress.end()));

        // The last data report: 16 image bytes, then 44 zeros.
        const std::vector<std::vector<std::uint8_t>> writes = sim::bus().writes(device.id);
        const std::vector<std::uint8_t> &last = writes[writes.size() - 2];
        QCOMPARE(last[1], std::uint8_t(0x03));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(last.data()) + 5, 16), image.right(16));
        QVERIFY(std::all_of(last.begin() + 21, last.end(), [](std::uint8_t b) { return b == 0; }));
    }

    // An empty image, or one over 1 MiB, is not announced at all.
    void invalidImageSendsNothing_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("empty") << 0;
        QTest::newRow("1 MiB + 1") << 1048577;
    }
    void invalidImageSendsNothing()
    {
        QFETCH(int, size);
        Device device;
        const Run run = send(device, makeImage(size));
        QCOMPARE(run.outcome, firmware::Outcome::InvalidImage);
        QCOMPARE(run.offsetAfter, qint64(0));
        QCOMPARE(sim::bus().writeCount(device.id), size_t(0));
    }

    // A wait for an answer is read in slices with the window kept alive in
    // between; an answer that does not come within the bound ends the
    // transfer with nothing more sent. `waits` counts the waits for an
    // answer: the one after the begin, then one after each data report but
    // the last, up to the one that failed.
    void answerWaits_data()
    {
        QTest::addColumn<int>("eraseMs");
        QTest::addColumn<int>("silentFrom");
        QTest::addColumn<int>("firstBoundMs");
        QTest::addColumn<int>("boundMs");
        QTest::addColumn<firmware::Outcome>("outcome");
        QTest::addColumn<int>("dataReports");
        QTest::addColumn<int>("waits");
        QTest::newRow("erase within the first bound")
            << 400 << 0 << 1000 << 50 << firmware::Outcome::Sent << 5 << 5;
        QTest::newRow("erase longer than the first bound")
            << 400 << 0 << 150 << 1000 << firmware::Outcome::NoAnswer << 0 << 1;
        QTest::newRow("silent from data report 3")
            << 0 << 3 << 1000 << 200 << firmware::Outcome::NoAnswer << 3 << 4;
    }
    void answerWaits()
    {
        QFETCH(int, eraseMs);
        QFETCH(int, silentFrom);
        QFETCH(int, firstBoundMs);
        QFETCH(int, boundMs);
        QFETCH(firmware::Outcome, outcome);
        QFETCH(int, dataReports);
        QFETCH(int, waits);
        Device device;
        device.model->setFirstAnswerDelay(eraseMs);
        device.model->setSilentFromDataReport(silentFrom);
        firmware::Pacing pacing;
        pacing.firstAnswerTimeoutMs = firstBoundMs;
        pacing.answerTimeoutMs = boundMs;
        QElapsedTimer clock;
        clock.start();
        const Run run = send(device, makeImage(300), pacing);
        QCOMPARE(run.outcome, outcome);
        QCOMPARE(run.offsetAfter, qint64(0));
        QCOMPARE(device.model->dataReports(), dataReports);
        QCOMPARE(device.model->endReceived(), outcome == firmware::Outcome::Sent);
        // No read waits longer than a slice, and the window is kept alive
        // between any two reads of one wait: each wait is its reads, with a
        // keep-alive after each read that came back empty, but the last.
        QVERIFY2(sim::bus().longestReadWait(device.id) <= firmware::kWaitSliceMs,
                 qPrintable(QString::number(sim::bus().longestReadWait(device.id))));
        const int reads = sim::bus().readCount(device.id);
        QVERIFY2(
            run.keepAlives == reads - waits,
            qPrintable(QStringLiteral("%1 keep-alives, %2 reads").arg(run.keepAlives).arg(reads)));
        // The 400 ms erase, and a silence of 150 ms or more, cannot pass in
        // one slice of 50 ms: those waits were sliced. (Only a stop of the
        // whole process for the length of the wait could make one read
        // span it.)
        QVERIFY2(run.keepAlives >= 1, qPrintable(QString::number(reads)));
        if (outcome == firmware::Outcome::NoAnswer) // it gave up at the bound, not before
            QVERIFY(clock.elapsed() >= (dataReports == 0 ? firstBoundMs : boundMs));
    }

    // A device pulled out ends the transfer as lost: when a read fails, and
    // when only the write of the end command can tell.
    void pulledOut_data()
    {
        QTest::addColumn<int>("vanishAt");
        QTest::addColumn<int>("dataReports");
        QTest::newRow("after data report 2 of 5") << 2 << 2;
        QTest::newRow("after the last data report") << 5 << 5;
    }
    void pulledOut()
    {
        QFETCH(int, vanishAt);
        QFETCH(int, dataReports);
        Device device;
        device.model->vanishAtDataReport(vanishAt);
        const Run run = send(device, makeImage(300));
        QCOMPARE(run.outcome, firmware::Outcome::Lost);
        QCOMPARE(run.offsetAfter, qint64(0));
        QCOMPARE(device.model->dataReports(), dataReports);
        QVERIFY(!device.model->endReceived());
        QVERIFY(!sim::bus().isAttached(device.id));
    }
};

QTEST_GUILESS_MAIN(FirmwareTransferTest)
#include "tst_firmwaretransfer.moc"
