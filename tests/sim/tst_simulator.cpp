// The simulated HID bus seen through the hidapi functions: enumeration,
// opening, fault injection, the output log and handles of detached devices.
#include "sim_test_helpers.h"

#include <QElapsedTimer>
#include <QtTest>

#include <atomic>
#include <thread>

using namespace simtest;
using sim::ReadBehaviour;

class TestSimulator : public QObject {
    Q_OBJECT

private slots:
    void init() { sim::bus().reset(); }
    void cleanup() { sim::bus().reset(); }

    void enumerateNothing();
    void enumerationOrderAndPaths();
    void enumerationFilter();
    void twoInterfacesOfOneKind();
    void otherVendorNeverAnswers();
    void replugGivesNewPath();
    void failOpenReportsReason();
    void openUnknownPathFails();
    void openByVendorProduct();
    void stringsAndDeviceInfo();
    void unsupportedCallsFail();
    void readFailForNextReads();
    void readZero();
    void timeoutHonouredAndBounded();
    void blockingReadIsBounded();
    void stallWaitsFullTimeout();
    void idleReadWaitsTimeout();
    void nonblockingRead();
    void wrongCodeCounted();
    void wrongCodePersistent();
    void scriptedAnswers();
    void scriptedUnsolicited();
    void outputLogAndReadCount();
    void readWaitsAllowedAreLogged();
    void shortAndLongBuffers();
    void writeLogLimit();
    void deliveryLog();
    void numberedReportIsNotUnderstood();
    void answerDelay();
    void detachInvalidatesHandles();
    void detachWakesBlockedReader();
    void handlesCountedPerDevice();
    void resetRestoresDefaults();
    void threadsOnTwoDevices();
    void demoBench();
};

void TestSimulator::enumerateNothing()
{
    QCOMPARE(hid_init(), 0);
    QVERIFY(hid_enumerate(0, 0) == nullptr);
    QVERIFY(enumerate().empty());
}

void TestSimulator::enumerationOrderAndPaths()
{
    int meter = sim::bus().attach(std::make_shared<sim::MeterModel>());
    int other = sim::bus().attachOther(0x046D, 0xC077);
    int psu = sim::bus().attach(std::make_shared<sim::PowerSupplyModel>());
    int boot = sim::bus().attach(std::make_shared<sim::BootLineModel>());
    int fw = sim::bus().attach(std::make_shared<sim::FirmwareModel>());

    auto list = enumerate();
    QCOMPARE(list.size(), size_t(5));
    const int ids[] = {meter, other, psu, boot, fw};
    const unsigned short vids[] = {0x2E88, 0x046D, 0x2E88, 0x2E88, 0x2E88};
    const unsigned short pids[] = {0x4607, 0xC077, 0x4608, 0x4609, 0x4606};
    int lastN = -1;
    for (int k = 0; k < 5; ++k) {
        QCOMPARE(list[k].vid, vids[k]);
        QCOMPARE(list[k].pid, pids[k]);
        QCOMPARE(list[k].path, sim::bus().path(ids[k]));
        QVERIFY(QString::fromStdString(list[k].path).startsWith("/dev/hidraw"));
        int n = QString::fromStdString(list[k].path).mid(11).toInt();
        QVERIFY(n > lastN);
        lastN = n;
    }
    std::vector<int> attached = sim::bus().attachedIds();
    QCOMPARE(attached, std::vector<int>(std::begin(ids), std::end(ids)));
}

void TestSimulator::enumerationFilter()
{
    sim::bus().attach(std::make_shared<sim::MeterModel>());
    sim::bus().attachOther(0x046D, 0x4607);
    sim::bus().attach(std::make_shared<sim::PowerSupplyModel>());
    sim::bus().attachOther(0x046D, 0xC077);

    QCOMPARE(enumerate(0x2E88, 0).size(), size_t(2));
    QCOMPARE(enumerate(0, 0x4607).size(), size_t(2)); // product filter alone
    auto one = enumerate(0x2E88, 0x4608);
    QCOMPARE(one.size(), size_t(1));
    QCOMPARE(one[0].pid, (unsigned short)0x4608);
    QCOMPARE(enumerate(0x046D, 0).size(), size_t(2));
    QVERIFY(enumerate(0x1234, 0).empty());
    QVERIFY(hid_enumerate(0x2E88, 0x4606) == nullptr);
}

void TestSimulator::twoInterfacesOfOneKind()
{
    auto m0 = std::make_shared<sim::MeterModel>();
    auto m1 = std::make_shared<sim::MeterModel>();
    int a = sim::bus().attach(m0, 0);
    int b = sim::bus().attach(m1, 1);
    auto list = enumerate(0x2E88, 0x4607);
    QCOMPARE(list.size(), size_t(2));
    QVERIFY(list[0].path != list[1].path);
    QCOMPARE(list[0].interfaceNumber, 0);
    QCOMPARE(list[1].interfaceNumber, 1);

    // Each interface has its own model and its own answers.
    m0->setRawSamples(1000, 0);
    m1->setRawSamples(2000, 0);
    hid_device *da = openId(a);
    hid_device *db = openId(b);
    QVERIFY(da && db);
    In in{};
    QCOMPARE(transact(da, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(u16(in, 4), 1000u);
    QCOMPARE(transact(db, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(u16(in, 4), 2000u);
    hid_close(da);
    hid_close(db);
}

void TestSimulator::otherVendorNeverAnswers()
{
    int id = sim::bus().attachOther(0x046D, 0xC077);
    hid_device *dev = openId(id);
    QVERIFY(dev);
    In in{};
    QCOMPARE(transact(dev, request(0x06), in, 30), 0);
    QCOMPARE(sim::bus().writeCount(id), size_t(1));
    hid_close(dev);
}

void TestSimulator::replugGivesNewPath()
{
    int first = sim::bus().attach(std::make_shared<sim::MeterModel>());
    const std::string oldPath = sim::bus().path(first);
    QVERIFY(sim::bus().detach(first));
    QVERIFY(!sim::bus().detach(first));
    QVERIFY(enumerate().empty());
    QVERIFY(hid_open_path(oldPath.c_str()) == nullptr);

    int second = sim::bus().attach(std::make_shared<sim::MeterModel>());
    const std::string newPath = sim::bus().path(second);
    QVERIFY(newPath != oldPath);
    QVERIFY(hid_open_path(oldPath.c_str()) == nullptr);
    auto list = enumerate();
    QCOMPARE(list.size(), size_t(1));
    QCOMPARE(list[0].path, newPath);

    // Paths are not reused after a reset either.
    sim::bus().reset();
    int third = sim::bus().attach(std::make_shared<sim::MeterModel>());
    QVERIFY(sim::bus().path(third) != newPath && sim::bus().path(third) != oldPath);
}

void TestSimulator::failOpenReportsReason()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    const std::string path = sim::bus().path(id);
    sim::bus().setFailOpen(id, true);
    QVERIFY(hid_open_path(path.c_str()) == nullptr);
    QCOMPARE(wide(hid_error(nullptr)), QString("Permission denied"));
    QCOMPARE(sim::bus().openHandles(id), 0);

    sim::bus().setFailOpen(id, true, "Device or resource busy");
    QVERIFY(hid_open_path(path.c_str()) == nullptr);
    QCOMPARE(wide(hid_error(nullptr)), QString("Device or resource busy"));
    // The device is still listed.
    QCOMPARE(enumerate().size(), size_t(1));

    sim::bus().failOpen(id, false);
    hid_device *dev = hid_open_path(path.c_str());
    QVERIFY(dev);
    QCOMPARE(sim::bus().openHandles(id), 1);
    hid_close(dev);
}

void TestSimulator::openUnknownPathFails()
{
    QVERIFY(hid_open_path("/dev/hidraw999999") == nullptr);
    QVERIFY(wide(hid_error(nullptr)).contains("No such file or directory"));
    QVERIFY(hid_open_path(nullptr) == nullptr);
}

void TestSimulator::openByVendorProduct()
{
    sim::bus().attachOther(0x046D, 0xC077);
    int meter = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = hid_open(0x2E88, 0x4607, nullptr);
    QVERIFY(dev);
    QCOMPARE(sim::bus().openHandles(meter), 1);
    hid_close(dev);
    QVERIFY(hid_open(0x2E88, 0x4608, nullptr) == nullptr);
}

void TestSimulator::stringsAndDeviceInfo()
{
    int id = sim::bus().attach(std::make_shared<sim::PowerSupplyModel>());
    hid_device_info *head = hid_enumerate(0, 0);
    QVERIFY(head);
    QVERIFY(wide(head->product_string).contains("Power Supply"));
    QCOMPARE(head->bus_type, HID_API_BUS_USB);
    QVERIFY(head->next == nullptr);
    hid_free_enumeration(head);

    hid_device *dev = openId(id);
    QVERIFY(dev);
    wchar_t buf[64];
    QCOMPARE(hid_get_manufacturer_string(dev, buf, 64), 0);
    QCOMPARE(wide(buf), QString("KRIV"));
    QCOMPARE(hid_get_product_string(dev, buf, 4), 0);
    QCOMPARE(wide(buf), QString("Adj")); // truncated, terminated
    QCOMPARE(hid_get_serial_number_string(dev, buf, 64), 0);
    QVERIFY(!wide(buf).isEmpty());
    hid_device_info *info = hid_get_device_info(dev);
    QVERIFY(info);
    QCOMPARE(info->product_id, (unsigned short)0x4608);
    QCOMPARE(std::string(info->path), sim::bus().path(id));
    QVERIFY(hid_get_device_info(dev) == info); // owned by the handle
    QCOMPARE(hid_version()->major, HID_API_VERSION_MAJOR);
    QVERIFY(hid_version_str() != nullptr);
    hid_close(dev);
    QCOMPARE(hid_exit(), 0);
}

void TestSimulator::unsupportedCallsFail()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = openId(id);
    unsigned char buf[65] = {0};
    wchar_t wbuf[16];
    QCOMPARE(hid_send_feature_report(dev, buf, 65), -1);
    QCOMPARE(hid_get_feature_report(dev, buf, 65), -1);
    QCOMPARE(hid_get_input_report(dev, buf, 65), -1);
    QCOMPARE(hid_get_indexed_string(dev, 1, wbuf, 16), -1);
    QVERIFY(wide(hid_error(dev)).contains("not supported"));
    QCOMPARE(hid_write(nullptr, buf, 65), -1);
    QCOMPARE(hid_read(nullptr, buf, 64), -1);
    hid_close(nullptr); // harmless
    hid_close(dev);
}

void TestSimulator::readFailForNextReads()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = openId(id);
    sim::bus().setReadBehaviour(id, ReadBehaviour::Fail, 2);
    In in{};
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), -1);
    QVERIFY(!wide(hid_error(dev)).isEmpty());
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), -1);
    // The failed reads lost their answers: the next pair is in step again.
    QCOMPARE(sim::bus().pendingAnswers(id), size_t(0));
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[0], (unsigned char)8);
    QCOMPARE(sim::bus().readBehaviour(id), ReadBehaviour::Normal);

    // Until changed.
    sim::bus().setReadBehaviour(id, ReadBehaviour::Fail);
    for (int k = 0; k < 5; ++k)
        QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), -1);
    sim::bus().setReadBehaviour(id, ReadBehaviour::Normal);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    hid_close(dev);
}

void TestSimulator::readZero()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = openId(id);
    sim::bus().setReadBehaviour(id, ReadBehaviour::Zero, 1);
    sim::bus().setBlockingWait(kLongWaitMs); // what a blocking read that waited would take
    In in{};
    in.fill(0xEE);
    QElapsedTimer t;
    t.start();
    write(dev, request(0x06, {{2, 20}}));
    QCOMPARE(hid_read(dev, in.data(), in.size()), 0);
    QVERIFY2(t.elapsed() < kLateWakeMs, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(in[0], (unsigned char)0xEE); // nothing copied
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    hid_close(dev);
}

void TestSimulator::timeoutHonouredAndBounded()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = openId(id);
    In in{};
    QCOMPARE(sim::bus().timeoutCap(), sim::Bus::kDefaultTimeoutCapMs);

    // The read's own timeout, not the cap, ends a wait shorter than the cap.
    sim::bus().setTimeoutCap(kLongWaitMs);
    sim::bus().setReadBehaviour(id, ReadBehaviour::Timeout, 1);
    QElapsedTimer t;
    t.start();
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in, 120), 0);
    qint64 took = t.elapsed();
    QVERIFY2(took >= 115 && took < 120 + kLateWakeMs, qPrintable(QString::number(took)));

    // A long timeout is cut at the cap.
    sim::bus().setTimeoutCap(150);
    sim::bus().setReadBehaviour(id, ReadBehaviour::Timeout, 1);
    t.restart();
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in, kLongWaitMs), 0);
    took = t.elapsed();
    QVERIFY2(took >= 145 && took < 150 + kLateWakeMs, qPrintable(QString::number(took)));

    // Back to normal: the answer of the timed-out request is gone.
    QCOMPARE(transact(dev, request(0x06, {{2, 40}}), in), 64);
    QCOMPARE(sim::bus().pendingAnswers(id), size_t(0));
    hid_close(dev);
}

void TestSimulator::blockingReadIsBounded()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = openId(id);
    sim::bus().setBlockingWait(150);
    sim::bus().setTimeoutCap(kLongWaitMs); // not the bound of a blocking read
    sim::bus().setReadBehaviour(id, ReadBehaviour::Timeout, 1);
    In in{};
    write(dev, request(0x06, {{2, 20}}));
    QElapsedTimer t;
    t.start();
    QCOMPARE(hid_read(dev, in.data(), in.size()), 0);
    qint64 took = t.elapsed();
    QVERIFY2(took >= 145 && took < 150 + kLateWakeMs, qPrintable(QString::number(took)));
    // Normal blocking read of an answer returns at once, however long a
    // blocking read may wait.
    sim::bus().setBlockingWait(kLongWaitMs);
    write(dev, request(0x06, {{2, 20}}));
    t.restart();
    QCOMPARE(hid_read(dev, in.data(), in.size()), 64);
    QVERIFY2(t.elapsed() < kLateWakeMs, qPrintable(QString::number(t.elapsed())));
    // A blocking read with nothing to read gives up after the blocking wait.
    sim::bus().setBlockingWait(150);
    t.restart();
    QCOMPARE(hid_read(dev, in.data(), in.size()), 0);
    took = t.elapsed();
    QVERIFY2(took >= 145 && took < 150 + kLateWakeMs, qPrintable(QString::number(took)));
    hid_close(dev);
}

void TestSimulator::stallWaitsFullTimeout()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = openId(id);
    sim::bus().setTimeoutCap(50);
    sim::bus().setBlockingWait(100);
    sim::bus().setReadBehaviour(id, ReadBehaviour::Stall);
    In in{};
    QElapsedTimer t;
    t.start();
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in, 250), 0);
    qint64 took = t.elapsed();
    QVERIFY2(took >= 245 && took < 250 + kLateWakeMs, qPrintable(QString::number(took)));
    t.restart();
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in, -1), 0); // blocking: bounded wait
    took = t.elapsed();
    QVERIFY2(took >= 95 && took < 100 + kLateWakeMs, qPrintable(QString::number(took)));
    QCOMPARE(sim::bus().readBehaviour(id), ReadBehaviour::Stall); // until changed
    sim::bus().setReadBehaviour(id, ReadBehaviour::Normal);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    hid_close(dev);
}

void TestSimulator::idleReadWaitsTimeout()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = openId(id);
    In in{};
    QElapsedTimer t;
    t.start();
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 80), 0);
    qint64 took = t.elapsed();
    QVERIFY2(took >= 75 && took < 80 + kLateWakeMs, qPrintable(QString::number(took)));
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 0), 0);
    // An unknown command is not answered.
    QCOMPARE(transact(dev, request(0x42), in, 30), 0);
    hid_close(dev);
}

void TestSimulator::nonblockingRead()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = openId(id);
    QCOMPARE(hid_set_nonblocking(dev, 1), 0);
    sim::bus().setBlockingWait(kLongWaitMs);
    In in{};
    QElapsedTimer t;
    t.start();
    QCOMPARE(hid_read(dev, in.data(), in.size()), 0);
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), kLongWaitMs), 0);
    QVERIFY2(t.elapsed() < kLateWakeMs, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(sim::bus().longestReadWait(id), 0); // neither was allowed to wait
    write(dev, request(0x06, {{2, 20}}));
    QCOMPARE(hid_read(dev, in.data(), in.size()), 64);
    QCOMPARE(hid_set_nonblocking(dev, 0), 0);
    hid_close(dev);
}

void TestSimulator::wrongCodeCounted()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = openId(id);
    sim::bus().setWrongCode(id, 0x07, 2);
    In in{};
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[0], (unsigned char)0x07);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[0], (unsigned char)0x07);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[0], (unsigned char)0x08);
    hid_close(dev);
}

void TestSimulator::wrongCodePersistent()
{
    auto psu = std::make_shared<sim::PowerSupplyModel>();
    int id = sim::bus().attach(psu);
    hid_device *dev = openId(id);
    sim::bus().setWrongCode(id, 0x00);
    In in{};
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
        QCOMPARE(in[0], (unsigned char)0x00);
        QCOMPARE(u16(in, 8), 500u); // the rest is the normal answer
    }
    sim::bus().clearWrongCode(id);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[0], (unsigned char)0x08);
    hid_close(dev);
}

void TestSimulator::scriptedAnswers()
{
    auto meter = std::make_shared<sim::MeterModel>();
    int id = sim::bus().attach(meter);
    hid_device *dev = openId(id);
    sim::bus().scriptAnswer(id, sim::makeReport({0x09, 0, 0, 0, 0x12, 0x34}));
    sim::bus().scriptAnswers(
        id, {sim::makeReport({0x05}), sim::makeReport({0x08, 1, 2, 3, 0xFF, 0xFF})});
    QCOMPARE(sim::bus().scriptedLeft(id), size_t(3));
    In in{};
    QCOMPARE(transact(dev, request(0x06, {{2, 40}}), in), 64);
    QCOMPARE(in[0], (unsigned char)0x09);
    QCOMPARE(u16(in, 4), 0x1234u);
    QCOMPARE(meter->lastRateCode(), 40); // the model still saw the request
    QCOMPARE(transact(dev, request(0x06, {{2, 80}}), in), 64);
    QCOMPARE(in[0], (unsigned char)0x05);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(u16(in, 4), 0xFFFFu);
    QCOMPARE(sim::bus().scriptedLeft(id), size_t(0));
    // Then the model's own answers again, in step.
    meter->setRawSamples(4000, 0);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[0], (unsigned char)0x08);
    QCOMPARE(u16(in, 4), 4000u);
    QCOMPARE(sim::bus().pendingAnswers(id), size_t(0));

    sim::bus().scriptAnswer(id, sim::makeReport({0x01}));
    sim::bus().clearScript(id);
    QCOMPARE(sim::bus().scriptedLeft(id), size_t(0));
    hid_close(dev);
}

void TestSimulator::scriptedUnsolicited()
{
    int id = sim::bus().attachOther(0x2E88, 0x4600);
    hid_device *dev = openId(id);
    sim::bus().scriptAnswer(id, sim::makeReport({0x08, 0xAB}));
    In in{};
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 100), 64);
    QCOMPARE(in[1], (unsigned char)0xAB);
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 10), 0);
    hid_close(dev);
}

void TestSimulator::outputLogAndReadCount()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = openId(id);
    In in{};
    QCOMPARE(transact(dev, request(0x06, {{2, 100}}), in), 64);
    QCOMPARE(transact(dev, request(0x06, {{2, 1}, {64, 0x5A}}), in), 64);
    auto log = sim::bus().writes(id);
    QCOMPARE(log.size(), size_t(2));
    QCOMPARE(log[0].size(), size_t(65));
    QCOMPARE(log[0][0], (unsigned char)0x00);
    QCOMPARE(log[0][1], (unsigned char)0x06);
    QCOMPARE(log[0][2], (unsigned char)100);
    for (size_t k = 3; k < 65; ++k)
        QCOMPARE(log[0][k], (unsigned char)0);
    QCOMPARE(log[1][64], (unsigned char)0x5A);
    QCOMPARE(sim::bus().lastWrite(id), log[1]);
    QCOMPARE(sim::bus().readCount(id), 2);
    hid_read_timeout(dev, in.data(), in.size(), 0);
    QCOMPARE(sim::bus().readCount(id), 3);
    sim::bus().clearWrites(id);
    QCOMPARE(sim::bus().writeCount(id), size_t(0));
    QVERIFY(sim::bus().lastWrite(id).empty());
    hid_close(dev);
}

void TestSimulator::readWaitsAllowedAreLogged()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = openId(id);
    In in{};
    QCOMPARE(sim::bus().longestReadWait(id), 0);
    QCOMPARE(sim::bus().readWaitsAllowed(id), std::int64_t(0));
    // Answered at once or not, a read counts the timeout it was given.
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in, 30), 64);
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 20), 0);
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 0), 0);
    QCOMPARE(sim::bus().longestReadWait(id), 30);
    QCOMPARE(sim::bus().readWaitsAllowed(id), std::int64_t(30 + 20 + 0));
    // A blocking read may wait the blocking wait.
    sim::bus().setBlockingWait(40);
    QCOMPARE(hid_read(dev, in.data(), in.size()), 0);
    QCOMPARE(sim::bus().longestReadWait(id), 40);
    QCOMPARE(sim::bus().readWaitsAllowed(id), std::int64_t(30 + 20 + 40));
    // A non-blocking read may not wait, whatever its timeout.
    QCOMPARE(hid_set_nonblocking(dev, 1), 0);
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 500), 0);
    QCOMPARE(sim::bus().longestReadWait(id), 40);
    QCOMPARE(sim::bus().readWaitsAllowed(id), std::int64_t(30 + 20 + 40));
    hid_close(dev);
}

void TestSimulator::shortAndLongBuffers()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = openId(id);
    unsigned char shortReq[3] = {0x00, 0x06, 40};
    QCOMPARE(hid_write(dev, shortReq, 3), 3);
    QCOMPARE(sim::bus().lastWrite(id).size(), size_t(3)); // logged as written
    unsigned char buf[128];
    std::fill(std::begin(buf), std::end(buf), 0xEE);
    QCOMPARE(hid_read_timeout(dev, buf, 128, 200), 64); // a report is 64 bytes
    QCOMPARE(buf[64], (unsigned char)0xEE);
    QCOMPARE(hid_write(dev, shortReq, 3), 3);
    QCOMPARE(hid_read_timeout(dev, buf, 8, 200), 8);
    QCOMPARE(hid_write(dev, shortReq, 0), -1);
    hid_close(dev);
}

void TestSimulator::writeLogLimit()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = openId(id);
    sim::bus().setWriteLogLimit(3);
    In in{};
    for (int k = 1; k <= 5; ++k)
        QCOMPARE(transact(dev, request(0x06, {{2, static_cast<std::uint8_t>(k)}}), in), 64);
    auto log = sim::bus().writes(id);
    QCOMPARE(log.size(), size_t(3));
    QCOMPARE(log[0][2], (unsigned char)3); // the oldest were dropped
    QCOMPARE(log[2][2], (unsigned char)5);
    QCOMPARE(sim::bus().writeCount(id), size_t(5));
    sim::bus().reset();
    QCOMPARE(sim::bus().writeLogLimit(), sim::Bus::kDefaultWriteLogLimit);
    hid_close(dev);
}

// The log of what reads handed out: answers as the program got them (also
// with a wrong code, also scripted ones), nothing for a failed or empty read.
void TestSimulator::deliveryLog()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = openId(id);
    In in{};
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(sim::bus().deliveryCount(id), size_t(1));
    QCOMPARE(sim::bus().deliveries(id)[0], (sim::InputReport(in)));
    QCOMPARE(in[0], (unsigned char)0x08);

    sim::bus().setReadBehaviour(id, ReadBehaviour::Fail, 1);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), -1);
    sim::bus().setReadBehaviour(id, ReadBehaviour::Zero, 1);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 0);
    QCOMPARE(sim::bus().deliveryCount(id), size_t(1));

    sim::bus().setWrongCode(id, 0x55, 1);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    sim::InputReport scripted{};
    scripted[0] = 0x09;
    scripted[5] = 0x77;
    sim::bus().scriptAnswer(id, scripted);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(sim::bus().deliveryCount(id), size_t(3));
    const std::vector<sim::InputReport> log = sim::bus().deliveries(id);
    QCOMPARE(log.size(), size_t(3));
    QCOMPARE(log[1][0], (unsigned char)0x55);
    QCOMPARE(log[2], scripted);

    // Only the latest writeLogLimit() are kept; the count goes on.
    sim::bus().setWriteLogLimit(2);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(sim::bus().deliveries(id).size(), size_t(2));
    QCOMPARE(sim::bus().deliveries(id)[0], scripted);
    QCOMPARE(sim::bus().deliveryCount(id), size_t(4));
    hid_close(dev);
}

void TestSimulator::numberedReportIsNotUnderstood()
{
    auto meter = std::make_shared<sim::MeterModel>();
    int id = sim::bus().attach(meter);
    hid_device *dev = openId(id);
    Out out = request(0x06, {{2, 20}});
    out[0] = 0x06; // a report ID the devices do not use
    In in{};
    QCOMPARE(transact(dev, out, in, 30), 0);
    QCOMPARE(meter->requestCount(), 0);
    hid_close(dev);
}

void TestSimulator::answerDelay()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = openId(id);
    sim::bus().setAnswerDelay(id, 120);
    In in{};
    // Timed from before the request: the answer is due 120 ms after it,
    // however late this thread runs in between (a count from after the
    // first read would lose the time that read came back late).
    QElapsedTimer t;
    t.start();
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in, 20), 0); // not there yet
    QCOMPARE(hid_read(dev, in.data(), in.size()), 64);            // blocking read waits for it
    QVERIFY2(t.elapsed() >= 119, qPrintable(QString::number(t.elapsed()))); // 1 ms of rounding
    hid_close(dev);
}

void TestSimulator::detachInvalidatesHandles()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = openId(id);
    QVERIFY(dev);
    In in{};
    QCOMPARE(write(dev, request(0x06, {{2, 20}})), 65);
    QVERIFY(sim::bus().detach(id));
    QVERIFY(!sim::bus().isAttached(id));
    // The queued answer went with the device.
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 100), -1);
    QCOMPARE(write(dev, request(0x06, {{2, 20}})), -1);
    QCOMPARE(hid_read(dev, in.data(), in.size()), -1);
    QVERIFY(!wide(hid_error(dev)).isEmpty());
    wchar_t buf[16];
    QCOMPARE(hid_get_product_string(dev, buf, 16), -1);
    QCOMPARE(sim::bus().openHandles(id), 1); // still open until closed
    QCOMPARE(sim::bus().totalOpenHandles(), 1);
    hid_close(dev);
    QCOMPARE(sim::bus().openHandles(id), 0);
    QCOMPARE(sim::bus().totalOpenHandles(), 0);
}

void TestSimulator::detachWakesBlockedReader()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = openId(id);
    sim::bus().setBlockingWait(kLongWaitMs);
    std::atomic<int> result{1};
    QElapsedTimer t;
    t.start();
    std::thread reader([&] {
        In in{};
        result = hid_read(dev, in.data(), in.size());
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    sim::bus().detach(id);
    reader.join();
    QCOMPARE(result.load(), -1);
    QVERIFY2(t.elapsed() < 50 + kLateWakeMs, qPrintable(QString::number(t.elapsed())));
    hid_close(dev);
}

void TestSimulator::handlesCountedPerDevice()
{
    int a = sim::bus().attach(std::make_shared<sim::MeterModel>());
    int b = sim::bus().attach(std::make_shared<sim::BootLineModel>());
    hid_device *a1 = openId(a);
    hid_device *a2 = openId(a);
    hid_device *b1 = openId(b);
    QCOMPARE(sim::bus().openHandles(a), 2);
    QCOMPARE(sim::bus().openHandles(b), 1);
    QCOMPARE(sim::bus().openCount(a), 2);
    hid_close(a1);
    QCOMPARE(sim::bus().openHandles(a), 1);
    QCOMPARE(sim::bus().openCount(a), 2);
    hid_close(a2);
    hid_close(b1);
    QCOMPARE(sim::bus().totalOpenHandles(), 0);
}

void TestSimulator::resetRestoresDefaults()
{
    int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
    hid_device *dev = openId(id);
    sim::bus().setTimeoutCap(5);
    sim::bus().setBlockingWait(5);
    sim::bus().reset();
    QCOMPARE(sim::bus().timeoutCap(), sim::Bus::kDefaultTimeoutCapMs);
    QCOMPARE(sim::bus().blockingWait(), sim::Bus::kDefaultBlockingWaitMs);
    QVERIFY(enumerate().empty());
    QVERIFY(sim::bus().attachedIds().empty());
    In in{};
    QCOMPARE(write(dev, request(0x06)), -1); // a handle from before stays harmless
    QCOMPARE(hid_read(dev, in.data(), in.size()), -1);
    hid_close(dev);
    QVERIFY_EXCEPTION_THROWN(sim::bus().writes(id), std::out_of_range);
}

void TestSimulator::threadsOnTwoDevices()
{
    auto meter = std::make_shared<sim::MeterModel>();
    auto boot = std::make_shared<sim::BootLineModel>();
    int m = sim::bus().attach(meter);
    int b = sim::bus().attach(boot);
    hid_device *dm = openId(m);
    hid_device *db = openId(b);
    std::atomic<int> bad{0};
    auto worker = [&](hid_device *dev, std::uint8_t expect) {
        for (int k = 0; k < 500; ++k) {
            In in{};
            if (transact(dev, request(0x06, {{2, 20}}), in, 1000) != 64 || in[0] != expect)
                ++bad;
        }
    };
    std::thread t1(worker, dm, 8);
    std::thread t2(worker, db, 8);
    for (int k = 0; k < 200; ++k) {
        meter->setRawSamples(static_cast<std::uint16_t>(k), 1);
        boot->setRaw(4000, static_cast<std::uint16_t>(k), 0, 0);
        (void)enumerate();
    }
    t1.join();
    t2.join();
    QCOMPARE(bad.load(), 0);
    QCOMPARE(meter->requestCount(), 500);
    QCOMPARE(sim::bus().writeCount(b), size_t(500));
    hid_close(dm);
    hid_close(db);
}

void TestSimulator::demoBench()
{
    sim::DemoBench bench = sim::attachDemoBench();
    auto list = enumerate();
    QCOMPARE(list.size(), size_t(4));
    QCOMPARE(list[0].pid, (unsigned short)0x4607);
    QCOMPARE(list[1].pid, (unsigned short)0x4608);
    QCOMPARE(list[2].pid, (unsigned short)0x4609);
    QCOMPARE(list[3].pid, (unsigned short)0x4606);
    for (const auto &e : list)
        QCOMPARE(e.vid, (unsigned short)0x2E88);
    QCOMPARE(bench.powerSupply->load(), 20.0);
    QCOMPARE(bench.meter->source(), sim::MeterModel::Source::PhoneCharging);

    hid_device *meter = openId(bench.meterId);
    In in{};
    QCOMPARE(transact(meter, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[0], (unsigned char)8);
    const double volts = u16(in, 4) * 1.25 / 1000;
    QVERIFY2(volts > 4.9 && volts < 5.2, qPrintable(QString::number(volts)));
    const double dPlus = u16(in, 24) * 3.3 / 4096;
    QVERIFY2(dPlus > 0.5 && dPlus < 0.7, qPrintable(QString::number(dPlus)));
    hid_close(meter);

    hid_device *psu = openId(bench.powerSupplyId);
    QCOMPARE(transact(psu, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[0], (unsigned char)8);
    QCOMPARE(u16(in, 8), 500u);
    hid_close(psu);

    hid_device *fw = openId(bench.firmwareId);
    Out announce = request(0x05, {{20, 60}});
    write(fw, announce);
    announce[1] = 0x01;
    write(fw, announce);
    QElapsedTimer t;
    t.start();
    QCOMPARE(hid_read(fw, in.data(), in.size()), 64); // waits for the erase
    QVERIFY(t.elapsed() >= 250);
    QCOMPARE(in[0], (unsigned char)0x02);
    hid_close(fw);
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
