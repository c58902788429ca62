// The HID device list and the one transaction every instrument uses.
#include "device/hidtransaction.h"
#include "device/usbhid.h"
#include "sim/simulator.h"

#include <hidapi.h>

#include <QtTest>
#include <cstring>

class TransportTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { sim::bus().reset(); }

    void refreshOfAnEmptyBusIsEmpty()
    {
        sim::bus().reset();
        UsbHid list;
        list.refresh();
        QVERIFY(list.deviceList.isEmpty());
    }

    void refreshKeepsTheLibraryOrderWithOtherVendors()
    {
        sim::bus().reset();
        const int mouse = sim::bus().attachOther(0x046D, 0xC077);
        const int meter = sim::bus().attachOther(0x2E88, 0x4607);
        const int ponkey0 = sim::bus().attachOther(0x2E88, 0x4609, 0);
        const int ponkey1 = sim::bus().attachOther(0x2E88, 0x4609, 1);
        UsbHid list;
        list.refresh();
        QCOMPARE(list.deviceList.size(), 4);
        const int ids[] = {mouse, meter, ponkey0, ponkey1};
        const quint16 products[] = {0xC077, 0x4607, 0x4609, 0x4609};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(list.deviceList[i].productId, products[i]);
            QCOMPARE(list.deviceList[i].path, QByteArray::fromStdString(sim::bus().path(ids[i])));
        }
        QCOMPARE(list.deviceList[0].vendorId, quint16(0x046D));

        // A second refresh replaces the list wholesale.
        sim::bus().detach(meter);
        list.refresh();
        QCOMPARE(list.deviceList.size(), 3);
    }

    // A command that set more bytes before does not leak into the next one:
    // every report starts zeroed, and the output buffer is zeroed after the write.
    void unusedOutputBytesAreZero()
    {
        sim::bus().reset();
        const int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
        hid_device *device = hid_open_path(sim::bus().path(id).c_str());
        QVERIFY(device);
        quint8 out[65];
        quint8 in[64];

        hid::beginReport(out, 0x07);
        std::memset(out + 2, 0xAB, 63);
        hid::transact(device, out, in);
        for (quint8 byte : out)
            QCOMPARE(byte, quint8(0));

        std::memset(out, 0xCD, sizeof out); // garbage left in the buffer
        hid::beginReport(out, 0x06);
        out[2] = 20;
        QVERIFY(hid::transact(device, out, in) > 0);

        const std::vector<std::uint8_t> written = sim::bus().lastWrite(id);
        QCOMPARE(written.size(), size_t(65));
        QCOMPARE(written[0], std::uint8_t(0x00));
        QCOMPARE(written[1], std::uint8_t(0x06));
        QCOMPARE(written[2], std::uint8_t(20));
        for (size_t i = 3; i < written.size(); ++i)
            QCOMPARE(written[i], std::uint8_t(0));
        hid_close(device);
    }

    void failedOrMissingAnswersAbandonTheCycle_data()
    {
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<bool>("failed");
        QTest::newRow("answer") << int(sim::ReadBehaviour::Normal) << false;
        QTest::newRow("read error") << int(sim::ReadBehaviour::Fail) << true;
        QTest::newRow("empty read") << int(sim::ReadBehaviour::Zero) << true;
        QTest::newRow("time-out") << int(sim::ReadBehaviour::Timeout) << true;
    }
    void failedOrMissingAnswersAbandonTheCycle()
    {
        QFETCH(int, behaviour);
        QFETCH(bool, failed);
        sim::bus().reset();
        const int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
        hid_device *device = hid_open_path(sim::bus().path(id).c_str());
        sim::bus().setReadBehaviour(id, sim::ReadBehaviour(behaviour), 1);
        quint8 out[65];
        quint8 in[64];
        hid::beginReport(out, 0x06);
        QElapsedTimer clock;
        clock.start();
        const int n = hid::transact(device, out, in, 50);
        QCOMPARE(n <= 0, failed);
        QVERIFY(clock.elapsed() < 1000); // the wait is bounded by the transaction's limit
        hid_close(device);
    }

    void vanishedDeviceFailsUntilDropped()
    {
        sim::bus().reset();
        const int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
        hid_device *device = hid_open_path(sim::bus().path(id).c_str());
        sim::bus().detach(id);
        quint8 out[65];
        quint8 in[64];
        hid::beginReport(out, 0x06);
        QCOMPARE(hid::transact(device, out, in), -1);
        hid_close(device);
    }

    void bigEndianFields()
    {
        const quint8 bytes[] = {0x0F, 0xA0, 0xFF, 0xFF};
        QCOMPARE(hid::readU16(bytes), quint16(4000));
        QCOMPARE(hid::readU16(bytes + 2), quint16(65535));
        quint8 out[4] = {};
        hid::writeU32(out, 0x00000078);
        QCOMPARE(QByteArray(reinterpret_cast<char *>(out), 4), QByteArray::fromHex("00000078"));
        hid::writeU16(out, 0x1234);
        QCOMPARE(out[0], quint8(0x12));
        QCOMPARE(out[1], quint8(0x34));
    }
};

QTEST_MAIN(TransportTest)
#include "tst_transport.moc"
