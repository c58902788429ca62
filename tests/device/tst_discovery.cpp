// Discovery end to end: the real window on the simulated bus.
#include "app/language.h"
#include "device/hidtransaction.h"
#include "tests/support/testbench.h"

#include <QTranslator>
#include <QtTest>

using testbench::makeWindow;

namespace {
const QString kRed = QStringLiteral("color:#ff0000");
const QString kGreen = QStringLiteral("color:#00ff00");

QList<QPushButton *> powerControls(Ui_Widget &ui)
{
    return {ui.adjON_OFFButton, ui.adjOCPButton,    ui.adjOVPButton,
            ui.adjM1PushButton, ui.adjM2PushButton, ui.adjM3PushButton,
            ui.adjM4PushButton, ui.adjM5PushButton, ui.adjM6PushButton};
}
} // namespace

class DiscoveryTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { sim::bus().reset(); }

    void noInstrumentChangesNothing()
    {
        auto w = makeWindow();
        sim::bus().attachOther(0x046D, 0xC077);
        w->discoverDevices();
        QCOMPARE(w->usbHid->deviceList.size(), 1);
        for (QLabel *label :
             {w.ui().vcMeterDeviceID, w.ui().adjDeviceID, w.ui().oneKeyLineDeviceID})
            QCOMPARE(label->text(), QStringLiteral("无连接"));
        QCOMPARE(w.ui().vcMeterDeviceID->styleSheet(), QStringLiteral("color: rgb(255, 0, 0);"));
        QCOMPARE(w.ui().adjDeviceID->styleSheet(), QStringLiteral("color:rgb(255,0,0);"));
        QVERIFY(!w->vcMeter->opened && !w->adjPower->opened && !w->oneKeyLine->opened);
    }

    // Each instrument turns its label green with its model text and back.
    void plugAndUnplugShowOnTheLabels_data()
    {
        QTest::addColumn<int>("productId");
        QTest::addColumn<QString>("labelName");
        QTest::addColumn<QString>("model");
        QTest::newRow("meter") << 0x4607 << "vcMeterDeviceID"
                               << "M52";
        QTest::newRow("power supply") << 0x4608 << "adjDeviceID"
                                      << "V7204";
        QTest::newRow("boot line") << 0x4609 << "oneKeyLineDeviceID"
                                   << "KRIV";
    }
    void plugAndUnplugShowOnTheLabels()
    {
        QFETCH(int, productId);
        QFETCH(QString, labelName);
        QFETCH(QString, model);
        auto w = makeWindow();
        auto *label = w->findChild<QLabel *>(labelName);
        QVERIFY(label);

        const int id = sim::bus().attachOther(0x2E88, quint16(productId));
        w->discoverDevices();
        QCOMPARE(label->text(), model);
        QCOMPARE(label->styleSheet(), kGreen);
        QCOMPARE(sim::bus().openHandles(id), 1);

        w->discoverDevices(); // still there: the same handle stays in use
        QCOMPARE(sim::bus().openCount(id), 1);

        sim::bus().detach(id);
        w->discoverDevices();
        QCOMPARE(label->text(), QStringLiteral("无连接"));
        QCOMPARE(label->styleSheet(), kRed);
        QCOMPARE(sim::bus().openHandles(id), 0); // the dropped handle was closed
    }

    void meterRecordsWhileConnected()
    {
        auto w = makeWindow();
        const int id = testbench::attachMeter();
        w->discoverDevices();
        QVERIFY(w->vcMeter->opened);
        QVERIFY(w->vcMeter->chartRunning);
        QCOMPARE(w.ui().vcMeter_chartStart->text(), QStringLiteral("暂停"));
        sim::bus().detach(id);
        w->discoverDevices();
        QVERIFY(!w->vcMeter->opened);
        QVERIFY(!w->vcMeter->hidDevice);
        QVERIFY(!w->vcMeter->chartRunning);
        QCOMPARE(w.ui().vcMeter_chartStart->text(), QStringLiteral("开始"));
    }

    void powerSupplyControlsFollowTheConnection()
    {
        auto w = makeWindow();
        Ui_Widget &ui = w.ui();
        QCOMPARE(ui.adjVoltageDial->maximum(), 3000);
        QCOMPARE(ui.adjCurrentDial->maximum(), 5000);

        const int id = sim::bus().attach(std::make_shared<sim::PowerSupplyModel>());
        w->discoverDevices();
        for (QPushButton *button : powerControls(ui))
            QVERIFY2(button->isEnabled(), qPrintable(button->objectName()));
        QCOMPARE(ui.adjVoltageDial->maximum(), 3000);
        QCOMPARE(ui.adjCurrentDial->maximum(), 6000);
        QVERIFY(w->adjPower->chartRunning);
        QCOMPARE(ui.adjPowChartStart->text(), QStringLiteral("暂停"));

        ui.adjON_OFFButton->setChecked(true);
        ui.adjM2PushButton->setChecked(true);
        ui.adjM2PushButton->setText(QStringLiteral("M2 5.00V/1.000A"));
        ui.cvLight->setChecked(true);
        w->adjPower->presetsLoaded = true;

        sim::bus().detach(id);
        w->discoverDevices();
        const QList<QPushButton *> controls = powerControls(ui);
        for (QPushButton *button : controls) {
            QVERIFY2(!button->isEnabled(), qPrintable(button->objectName()));
            QVERIFY2(!button->isChecked(), qPrintable(button->objectName()));
        }
        for (int i = 0; i < 6; ++i)
            QCOMPARE(controls[3 + i]->text(), QStringLiteral("M%1").arg(i + 1));
        for (QPushButton *light : {ui.cvLight, ui.ccLight, ui.ovpLight, ui.ocpLight})
            QVERIFY(!light->isChecked());
        QVERIFY(!w->adjPower->presetsLoaded);
        QVERIFY(!w->adjPower->chartRunning);
        QCOMPARE(ui.adjPowChartStart->text(), QStringLiteral("开始"));
        QCOMPARE(ui.adjVoltageDial->maximum(), 3000);
        QCOMPARE(ui.adjCurrentDial->maximum(), 5000);
        QCOMPARE(w->adjPower->maxCurrent, 5.0);
    }

    void twoMetersUseTheOneListedLast()
    {
        auto w = makeWindow();
        const int first = testbench::attachMeter();
        const int second = testbench::attachMeter();
        w->discoverDevices();
        QCOMPARE(w->vcMeter->deviceIndex, 1);
        QCOMPARE(sim::bus().openHandles(second), 1);
        QCOMPARE(sim::bus().openHandles(first), 0);

        // The one in use goes; the other is still there and takes over.
        sim::bus().detach(second);
        w->discoverDevices();
        QVERIFY(w->vcMeter->opened);
        QCOMPARE(sim::bus().openHandles(first), 1);
        QCOMPARE(sim::bus().openHandles(second), 0);
        QCOMPARE(w.ui().vcMeterDeviceID->text(), QStringLiteral("M52"));
    }

    void twoInterfacesOfOneKindAreTwoEntries()
    {
        auto w = makeWindow();
        sim::bus().attachOther(0x2E88, 0x4609, 0);
        sim::bus().attachOther(0x2E88, 0x4609, 1);
        w->discoverDevices();
        QCOMPARE(w->usbHid->deviceList.size(), 2);
        QCOMPARE(w->oneKeyLine->deviceIndex, 1);
    }

    // Unplugged and plugged in again between two passes: the old handle is
    // dead, so the new attachment is opened.
    void replugBetweenPassesReopens()
    {
        auto w = makeWindow();
        auto model = std::make_shared<sim::MeterModel>();
        const int before = sim::bus().attach(model);
        w->discoverDevices();
        sim::bus().detach(before);
        const int after = sim::bus().attach(model);
        w->discoverDevices();
        QVERIFY(w->vcMeter->opened);
        QCOMPARE(sim::bus().openHandles(before), 0);
        QCOMPARE(sim::bus().openHandles(after), 1);
        QCOMPARE(w.ui().vcMeterDeviceID->text(), QStringLiteral("M52"));

        // The new handle works: a poll reaches the new attachment.
        model->setReading(5.0, 1.0);
        w.pollMeter();
        QCOMPARE(sim::bus().writeCount(after), size_t(1));
    }

    void failingOpenStaysRedAndIsRetried()
    {
        auto w = makeWindow();
        const int id = sim::bus().attachOther(0x2E88, 0x4607);
        sim::bus().setFailOpen(id, true, "Permission denied");
        QTest::ignoreMessage(
            QtDebugMsg,
            QRegularExpression("cannot open HID device.*/dev/hidraw.*Permission denied"));
        w->discoverDevices();
        QVERIFY(!w->vcMeter->opened);
        QVERIFY(!w->vcMeter->hidDevice);
        QVERIFY(!w->vcMeter->chartRunning);
        QCOMPARE(w.ui().vcMeterDeviceID->text(), QStringLiteral("无连接"));
        QCOMPARE(w.ui().vcMeterDeviceID->styleSheet(), kRed);
        QVERIFY(w.ui().vcMeterDeviceID->toolTip().contains("udev"));

        w->discoverDevices();
        QCOMPARE(sim::bus().openCount(id), 0);

        sim::bus().setFailOpen(id, false);
        w->discoverDevices();
        QVERIFY(w->vcMeter->opened);
        QCOMPARE(w.ui().vcMeterDeviceID->text(), QStringLiteral("M52"));
        QCOMPARE(w.ui().vcMeterDeviceID->styleSheet(), kGreen);
        QVERIFY(w.ui().vcMeterDeviceID->toolTip().isEmpty());

        // Failing again and then unplugged: the reason goes with the device.
        sim::bus().detach(id);
        w->discoverDevices();
        const int again = sim::bus().attachOther(0x2E88, 0x4607);
        sim::bus().setFailOpen(again, true, "Permission denied");
        w->discoverDevices();
        QVERIFY(!w.ui().vcMeterDeviceID->toolTip().isEmpty());
        sim::bus().detach(again);
        w->discoverDevices();
        QVERIFY(w.ui().vcMeterDeviceID->toolTip().isEmpty());
        QCOMPARE(w.ui().vcMeterDeviceID->text(), QStringLiteral("无连接"));
    }

    // Unplugged and plugged in again while its handle is open, and the new
    // attachment cannot be opened: the dead handle is closed, the meter shows
    // as disconnected, and the next pass that can open it connects it.
    void replugWhoseReopenFailsDropsTheOldHandle()
    {
        auto w = makeWindow();
        testbench::ModalCloser closer;
        auto model = std::make_shared<sim::MeterModel>();
        const int before = sim::bus().attach(model);
        w->discoverDevices();
        QVERIFY(w->vcMeter->opened);
        QVERIFY(w->vcMeter->chartRunning);

        sim::bus().detach(before);
        const int after = sim::bus().attach(model);
        sim::bus().setFailOpen(after, true, "Permission denied");
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("cannot open HID device"));
        w->discoverDevices();
        QCOMPARE(sim::bus().openHandles(before), 0);
        QCOMPARE(sim::bus().openHandles(after), 0);
        QVERIFY(!w->vcMeter->opened);
        QVERIFY(!w->vcMeter->hidDevice);
        QVERIFY(!w->vcMeter->chartRunning);
        QCOMPARE(w.ui().vcMeter_chartStart->text(), QStringLiteral("开始"));
        QCOMPARE(w.ui().vcMeterDeviceID->text(), QStringLiteral("无连接"));
        QCOMPARE(w.ui().vcMeterDeviceID->styleSheet(), kRed);
        QVERIFY(w.ui().vcMeterDeviceID->toolTip().contains(
            QString::fromStdString(sim::bus().path(after))));

        // Not recording any more: a poll sends nothing and shows no box.
        w.pollMeter();
        QCOMPARE(sim::bus().writeCount(after), size_t(0));
        QVERIFY(closer.boxes.isEmpty());

        sim::bus().setFailOpen(after, false);
        w->discoverDevices();
        QVERIFY(w->vcMeter->opened);
        QCOMPARE(sim::bus().openHandles(after), 1);
        QCOMPARE(w.ui().vcMeterDeviceID->text(), QStringLiteral("M52"));
        QVERIFY(w.ui().vcMeterDeviceID->toolTip().isEmpty());
    }

    // The label's tooltip while a listed instrument cannot be opened: the
    // path and the reason, and for a missing permission the udev rule to
    // install, in the language of the interface.
    void openFailureTooltip_data()
    {
        const QString udev =
            QStringLiteral("\n  sudo cp packaging/70-quorvaline.rules /etc/udev/rules.d/"
                           "\n  sudo udevadm control --reload-rules && sudo udevadm trigger");
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("expected"); // %1: the device's path
        QTest::newRow("permission")
            << false << "Permission denied"
            << QStringLiteral("无法打开设备 %1：Permission denied\n"
                              "没有访问权限：请安装 udev 规则，然后重新插入仪器：") +
                   udev;
        QTest::newRow("permission, in the HID library's words")
            << false << "Failed to open a device: permission denied"
            << QStringLiteral("无法打开设备 %1：Failed to open a device: permission denied\n"
                              "没有访问权限：请安装 udev 规则，然后重新插入仪器：") +
                   udev;
        QTest::newRow("busy") << false << "Device or resource busy"
                              << QStringLiteral("无法打开设备 %1：Device or resource busy");
        QTest::newRow("permission, English")
            << true << "Permission denied"
            << QStringLiteral("Cannot open the device %1: Permission denied\n"
                              "Access was denied: install the udev rule, then plug the "
                              "instrument in again:") +
                   udev;
        QTest::newRow("busy, English") << true << "Device or resource busy"
                                       << "Cannot open the device %1: Device or resource busy";
    }
    void openFailureTooltip()
    {
        QFETCH(bool, english);
        QFETCH(QString, reason);
        QFETCH(QString, expected);
        startup::initResources();
        QTranslator translator;
        if (english)
            QVERIFY(language::installTranslation(*QCoreApplication::instance(), translator, 1033));
        auto w = makeWindow();
        const int id = sim::bus().attachOther(0x2E88, 0x4607);
        sim::bus().setFailOpen(id, true, reason.toStdString());
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("cannot open HID device"));
        w->discoverDevices();
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(w.ui().vcMeterDeviceID->toolTip(),
                 expected.arg(QString::fromStdString(sim::bus().path(id))));
    }

    void powerSupplyThatCannotBeOpenedKeepsItsControlsDisabled()
    {
        auto w = makeWindow();
        const int id = sim::bus().attach(std::make_shared<sim::PowerSupplyModel>());
        sim::bus().setFailOpen(id, true, "Permission denied");
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("cannot open HID device"));
        w->discoverDevices();
        for (QPushButton *button : powerControls(w.ui()))
            QVERIFY(!button->isEnabled());
        QCOMPARE(w.ui().adjCurrentDial->maximum(), 5000);
        QCOMPARE(w.ui().adjDeviceID->text(), QStringLiteral("无连接"));
    }

    void firmwareDeviceIsOpenedSilently()
    {
        auto w = makeWindow();
        const int id = sim::bus().attach(std::make_shared<sim::FirmwareModel>());
        w->discoverDevices();
        QVERIFY(w->firmwarePresent);
        QVERIFY(w->firmwareOpened);
        QVERIFY(w->firmwareHandle);
        QCOMPARE(w->firmwareDeviceIndex, 0);
        for (QLabel *label :
             {w.ui().vcMeterDeviceID, w.ui().adjDeviceID, w.ui().oneKeyLineDeviceID})
            QCOMPARE(label->text(), QStringLiteral("无连接"));
        sim::bus().detach(id);
        w->discoverDevices();
        QVERIFY(!w->firmwareOpened);
        QVERIFY(!w->firmwareHandle);
    }

    void noPassWhileDiscoveryIsDisabled()
    {
        auto w = makeWindow();
        testbench::attachMeter();
        w->discoveryEnabled = false;
        w->discoveryTick();
        QVERIFY(w->usbHid->deviceList.isEmpty());
        QVERIFY(!w->vcMeter->opened);
        w->discoveryEnabled = true;
        w->discoveryTick();
        QVERIFY(w->vcMeter->opened);
    }

    // The timers run: within about a second of plugging in, the label is green.
    void discoveryTimerFindsTheInstrumentWithinASecond()
    {
        sim::bus().reset();
        startup::initResources();
        Widget w;
        testbench::attachMeter();
        QTRY_COMPARE_WITH_TIMEOUT(w.ui->vcMeterDeviceID->text(), QStringLiteral("M52"), 1500);
    }

    // The boot line stops answering while its page is shown and polled every
    // 2 ms: the window still answers. A stalled poll keeps it waiting for its
    // read's bound, and no longer: an event queued between two polls runs
    // after one more poll at most, not after every poll that falls due
    // meanwhile, and no read is allowed to wait longer than a poll's bound.
    void stalledDeviceDoesNotFreezeTheWindow()
    {
        sim::bus().reset();
        startup::initResources();
        Widget w;
        const int id = sim::bus().attach(std::make_shared<sim::BootLineModel>());
        w.discoverDevices();
        w.ui->ironToolButton->click();
        sim::bus().setReadBehaviour(id, sim::ReadBehaviour::Stall);
        QTest::qWait(200); // the polls are now stalling

        for (int i = 0; i < 5; ++i) {
            const int readsBefore = sim::bus().readCount(id);
            int readsBetween = -1;
            QTimer::singleShot(0, &w,
                               [&] { readsBetween = sim::bus().readCount(id) - readsBefore; });
            QTRY_VERIFY_WITH_TIMEOUT(readsBetween >= 0, 2000);
            QVERIFY2(readsBetween <= 1, qPrintable(QString::number(readsBetween)));
        }
        QVERIFY(sim::bus().readCount(id) > 1);
        QCOMPARE(sim::bus().longestReadWait(id), hid::kPollTimeoutMs);
    }
};

QTEST_MAIN(DiscoveryTest)
#include "tst_discovery.moc"
