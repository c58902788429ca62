// The firmware page end to end: the real window opening image files through a
// replaced file dialog and sending them to the simulated firmware-update
// device, which checks every report it receives.
#include "tests/support/testbench.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <vector>

namespace {

// An image whose bytes are never zero, so that zero padding shows; `seed`
// makes another image of the same size.
QByteArray makeImage(int size, int seed = 1)
{
    QByteArray image(size, '\0');
    for (int k = 0; k < size; ++k)
        image[k] = char((k * seed) % 251 + 1);
    return image;
}

QByteArray bytesOf(const std::vector<std::uint8_t> &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), int(v.size()));
}

// A 65-byte report written out by hand, as hex: report ID 0, the command,
// `field` at byte `at`, zeros elsewhere.
QByteArray handReport(quint8 command, int at = 0, const QByteArray &field = {})
{
    QByteArray report(65, '\0');
    report[1] = char(command);
    report.replace(at, field.size(), field);
    return report.toHex(' ');
}

// Command bytes, as hex: announcement, begin, `data` data reports, and the
// end if asked.
QByteArray commandSequence(int data, bool end)
{
    QByteArray commands = QByteArray::fromHex("0501") + QByteArray(data, '\x03');
    if (end)
        commands += '\x04';
    return commands.toHex(' ');
}

QString joined(const std::vector<std::string> &lines)
{
    QStringList list;
    for (const std::string &line : lines)
        list << QString::fromStdString(line);
    return list.join(QStringLiteral("; "));
}

// The window with a simulated firmware-update device opened by discovery, a
// file dialog that answers what the test chooses, and a record of the page's
// controls at every report the device receives.
class FirmwareBench {
public:
    struct Controls {
        bool openEnabled;
        bool sendEnabled;
        bool discoveryEnabled;
    };
    struct DialogCall {
        QWidget *parent;
        QString caption, directory, filter;
    };

    testbench::Window w = testbench::makeWindow();
    std::shared_ptr<sim::FirmwareModel> model = std::make_shared<sim::FirmwareModel>();
    int id = sim::bus().attach(model);
    QTemporaryDir dir;
    QString dialogAnswer;
    QList<DialogCall> dialogCalls;
    std::vector<Controls> duringTransfer;
    testbench::ModalCloser boxes;

    FirmwareBench()
    {
        w->fileDialogs.openFileName = [this](QWidget *parent, const QString &caption,
                                             const QString &directory, const QString &filter) {
            dialogCalls.append({parent, caption, directory, filter});
            return dialogAnswer;
        };
        model->setObserver([this](std::uint8_t) {
            duringTransfer.push_back(
                {ui().openFile->isEnabled(), ui().SendData->isEnabled(), w->discoveryEnabled});
        });
        w->discoverDevices();
    }
    ~FirmwareBench() { model->setObserver(nullptr); }

    Ui_Widget &ui() const { return w.ui(); }

    QString writeFile(const QString &name, const QByteArray &content) const
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    // The user opens a file through the dialog (an empty path: cancels it).
    void choose(const QString &path)
    {
        dialogAnswer = path;
        ui().openFile->click();
    }
    void send() { ui().SendData->click(); }

    std::vector<std::vector<std::uint8_t>> writes() const { return sim::bus().writes(id); }
    QByteArray writeHex(size_t k) const { return bytesOf(writes().at(k)).toHex(' '); }

    QStringList boxTexts() const { return boxes.texts(); }
};

// After every way out of a transfer: both buttons usable, discovery back on,
// no offset left over.
#define EXPECT_IDLE(b)                                                                             \
    do {                                                                                           \
        QVERIFY((b).ui().openFile->isEnabled());                                                   \
        QVERIFY((b).ui().SendData->isEnabled());                                                   \
        QVERIFY((b).w->discoveryEnabled);                                                          \
        QCOMPARE((b).w->transferOffset, qint64(0));                                                \
    } while (false)

// At every report the device received, both buttons were disabled and
// discovery was off.
#define EXPECT_LOCKED_DURING_TRANSFER(b)                                                           \
    do {                                                                                           \
        QVERIFY(!(b).duringTransfer.empty());                                                      \
        for (const FirmwareBench::Controls &c : (b).duringTransfer) {                              \
            QVERIFY(!c.openEnabled);                                                               \
            QVERIFY(!c.sendEnabled);                                                               \
            QVERIFY(!c.discoveryEnabled);                                                          \
        }                                                                                          \
    } while (false)

// The message boxes shown, each with the title "提示" and the window as parent.
#define EXPECT_BOXES(b, texts)                                                                     \
    do {                                                                                           \
        QCOMPARE((b).boxTexts(), texts);                                                           \
        for (const testbench::ModalCloser::Box &box : (b).boxes.boxes) {                           \
            QCOMPARE(box.title, QStringLiteral("提示"));                                           \
            QVERIFY(box.parentIsWindow);                                                           \
        }                                                                                          \
    } while (false)

enum class DeviceFault {
    RefusesBegin,
    RefusesThird,
    SilentFromThird,
    PulledOutAtSecond,
    PulledOutAtLast
};

} // namespace

Q_DECLARE_METATYPE(DeviceFault)

class FirmwarePageTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { sim::bus().reset(); }

    // The device receives the announcement, the begin, every data report
    // with its 60 bytes (zeros past the image) and the end; the bar ends at 100.
    void imageIsSent_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("sizeBytes");
        QTest::addColumn<int>("dataReports");
        QTest::addColumn<QList<int>>("barValues");
        QTest::newRow("120 bytes")
            << 120 << QByteArray::fromHex("00000078") << 2 << QList<int>{60, 100};
        QList<int> onePerReport;
        for (int v = 1; v <= 100; ++v)
            onePerReport << v;
        QTest::newRow("6001 bytes")
            << 6001 << QByteArray::fromHex("00001771") << 101 << onePerReport;
        QTest::newRow("50 bytes") << 50 << QByteArray::fromHex("00000032") << 1 << QList<int>{100};
    }
    void imageIsSent()
    {
        QFETCH(int, size);
        QFETCH(QByteArray, sizeBytes);
        QFETCH(int, dataReports);
        QFETCH(QList<int>, barValues);
        FirmwareBench b;
        const QByteArray image = makeImage(size);
        b.choose(b.writeFile(QStringLiteral("image.bin"), image));
        QSignalSpy bar(b.ui().progressBar, &QProgressBar::valueChanged);
        b.send();

        QCOMPARE(bytesOf(b.model->commands()).toHex(' '), commandSequence(dataReports, true));
        QCOMPARE(b.writeHex(0), handReport(0x05, 17, sizeBytes));
        QCOMPARE(b.writeHex(1), handReport(0x01, 17, sizeBytes));
        for (int k = 0; k < dataReports; ++k)
            QCOMPARE(b.writeHex(size_t(2 + k)), handReport(0x03, 5, image.mid(60 * k, 60)));
        QCOMPARE(b.writeHex(size_t(2 + dataReports)), handReport(0x04));
        QCOMPARE(bytesOf(b.model->image()), image);
        QVERIFY(b.model->imageComplete());
        QVERIFY2(b.model->problems().empty(), qPrintable(joined(b.model->problems())));

        QList<int> shown;
        for (const QList<QVariant> &signal : bar)
            shown << signal.at(0).toInt();
        QCOMPARE(shown, barValues);
        QCOMPARE(b.ui().progressBar->value(), 100);
        EXPECT_BOXES(b, QStringList());
        EXPECT_IDLE(b);
        EXPECT_LOCKED_DURING_TRANSFER(b);
    }

    // The open dialog asks for a ".bin" image; the image is read in with
    // zeros after it, and the path shown. A cancelled dialog forgets the
    // path, keeps the text shown, and a send then sends nothing.
    void openThenCancel()
    {
        FirmwareBench b;
        const QString larger = b.writeFile(QStringLiteral("larger.bin"), makeImage(6001, 3));
        const QByteArray image = makeImage(120);
        const QString path = b.writeFile(QStringLiteral("image.bin"), image);
        b.choose(larger);
        b.choose(path);
        QCOMPARE(b.dialogCalls.size(), 2);
        QCOMPARE(b.dialogCalls[1].parent, static_cast<QWidget *>(b.w.widget.get()));
        QCOMPARE(b.dialogCalls[1].caption, QStringLiteral("open"));
        QCOMPARE(b.dialogCalls[1].directory, QStringLiteral("../"));
        QCOMPARE(b.dialogCalls[1].filter, QStringLiteral("BIN(*.bin);;All files(*)"));
        QCOMPARE(b.ui().filePath_text->text(), path);
        QCOMPARE(b.w->firmwareSize, qint64(120));
        QVERIFY(b.w->firmwareLoaded);
        QCOMPARE(b.w->firmwareImage.size(), 1048576);
        QCOMPARE(b.w->firmwareImage.left(120), image);
        QCOMPARE(b.w->firmwareImage.mid(120, 6000 - 120), QByteArray(6000 - 120, '\0'));

        b.choose(QString());
        QCOMPARE(b.w->firmwarePath, QString());
        QCOMPARE(b.ui().filePath_text->text(), path);
        b.send();
        QCOMPARE(sim::bus().writeCount(b.id), size_t(0));
        EXPECT_BOXES(b, QStringList());
        EXPECT_IDLE(b);
    }

    // An image of exactly 1 MiB is taken; one byte more is refused with a
    // message, the path forgotten and nothing sent, whether the file was too
    // large when opened or grew before the send.
    void sizeLimit_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("grewBeforeSend");
        QTest::addColumn<bool>("refused");
        QTest::newRow("1 MiB, opened") << 1048576 << false << false;
        QTest::newRow("1 MiB + 1, opened") << 1048577 << false << true;
        QTest::newRow("1 MiB + 1 by the send") << 1048577 << true << true;
    }
    void sizeLimit()
    {
        QFETCH(int, size);
        QFETCH(bool, grewBeforeSend);
        QFETCH(bool, refused);
        FirmwareBench b;
        const QByteArray image = makeImage(size);
        const QString path =
            b.writeFile(QStringLiteral("image.bin"), grewBeforeSend ? makeImage(120) : image);
        b.choose(path);
        if (grewBeforeSend) {
            b.writeFile(QStringLiteral("image.bin"), image);
            b.send();
        }
        if (refused) {
            EXPECT_BOXES(b, QStringList{QStringLiteral("文件超出规定大小！")});
            QCOMPARE(b.w->firmwarePath, QString());
            QCOMPARE(b.ui().filePath_text->text(), QString());
            QVERIFY(!b.w->firmwareLoaded);
            b.send(); // no path any more
        } else {
            EXPECT_BOXES(b, QStringList());
            QCOMPARE(b.ui().filePath_text->text(), path);
            QCOMPARE(b.w->firmwareSize, qint64(1048576));
            QVERIFY(b.w->firmwareLoaded);
            QCOMPARE(b.w->firmwareImage, image);
        }
        QCOMPARE(sim::bus().writeCount(b.id), size_t(0));
        QCOMPARE(b.boxes.boxes.size(), refused ? 1 : 0);
        EXPECT_IDLE(b);
    }

    // However the device ends a transfer early, the user reads "更新失败",
    // no end command follows, and the page is usable again. The progress bar
    // keeps the value of the last data report sent (60 of 600 bytes each:
    // 10 per report), also once discovery has run again.
    void deviceEndsTransfer_data()
    {
        QTest::addColumn<DeviceFault>("fault");
        QTest::addColumn<int>("dataReports");
        QTest::addColumn<int>("bar");
        QTest::newRow("begin answered 0x00") << DeviceFault::RefusesBegin << 0 << 0;
        QTest::newRow("third data report refused") << DeviceFault::RefusesThird << 3 << 30;
        QTest::newRow("silent from the third data report")
            << DeviceFault::SilentFromThird << 3 << 30;
        QTest::newRow("pulled out after the second") << DeviceFault::PulledOutAtSecond << 2 << 20;
        QTest::newRow("pulled out after the last") << DeviceFault::PulledOutAtLast << 10 << 100;
    }
    void deviceEndsTransfer()
    {
        QFETCH(DeviceFault, fault);
        QFETCH(int, dataReports);
        QFETCH(int, bar);
        FirmwareBench b;
        b.ui().progressBar->setValue(57); // what an earlier transfer left
        switch (fault) {
        case DeviceFault::RefusesBegin:
            b.model->setBeginAnswer(0x00);
            break;
        case DeviceFault::RefusesThird:
            b.model->refuseDataReport(3);
            break;
        case DeviceFault::SilentFromThird:
            b.model->setSilentFromDataReport(3);
            break;
        case DeviceFault::PulledOutAtSecond:
            b.model->vanishAtDataReport(2);
            break;
        case DeviceFault::PulledOutAtLast:
            b.model->vanishAtDataReport(10);
            break;
        }
        b.choose(b.writeFile(QStringLiteral("image.bin"), makeImage(600)));
        b.send();

        EXPECT_BOXES(b, QStringList{QStringLiteral("更新失败")});
        QCOMPARE(bytesOf(b.model->commands()).toHex(' '), commandSequence(dataReports, false));
        QVERIFY(!b.model->endReceived());
        QVERIFY2(b.model->problems().empty(), qPrintable(joined(b.model->problems())));
        EXPECT_IDLE(b);
        EXPECT_LOCKED_DURING_TRANSFER(b);
        QCOMPARE(b.ui().progressBar->value(), bar);

        // Discovery runs again: a device that has gone is dropped.
        b.w->discoverDevices();
        const bool gone =
            fault == DeviceFault::PulledOutAtSecond || fault == DeviceFault::PulledOutAtLast;
        QCOMPARE(b.w->firmwareHandle == nullptr, gone);
        QCoreApplication::processEvents();
        QCOMPARE(b.ui().progressBar->value(), bar);
    }

    // After a refusal the next send starts again with the image's first bytes.
    void retryStartsAtTheBeginning()
    {
        FirmwareBench b;
        b.model->refuseDataReport(3);
        const QByteArray image = makeImage(600);
        b.choose(b.writeFile(QStringLiteral("image.bin"), image));
        b.send();
        EXPECT_BOXES(b, QStringList{QStringLiteral("更新失败")});

        b.model->refuseDataReport(0);
        sim::bus().clearWrites(b.id);
        b.send();
        EXPECT_BOXES(b, QStringList{QStringLiteral("更新失败")}); // no second box
        QCOMPARE(b.writeHex(2), handReport(0x03, 5, image.left(60)));
        QCOMPARE(bytesOf(b.model->image()), image);
        QVERIFY(b.model->imageComplete());
        EXPECT_IDLE(b);
    }

    // A device that erases its flash for 3 s before it answers the begin is
    // waited for, and the window serves its timers meanwhile.
    void waitsForTheErase()
    {
        FirmwareBench b;
        b.model->setFirstAnswerDelay(3000);
        const QByteArray image = makeImage(600);
        b.choose(b.writeFile(QStringLiteral("image.bin"), image));
        // A timer of the window's, and the ticks it had when the device had
        // finished its erase and got the first data report.
        int ticks = 0;
        int ticksDuringErase = -1;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        b.model->setObserver([&](std::uint8_t command) {
            if (command == 0x03 && ticksDuringErase < 0)
                ticksDuringErase = ticks;
        });
        ticker.start(100);
        b.send();
        ticker.stop();
        EXPECT_BOXES(b, QStringList());
        QCOMPARE(bytesOf(b.model->image()), image);
        QVERIFY(b.model->imageComplete());
        // 30 ticks fall due in the erase; the keep-alive between the wait's
        // 50 ms slices lets them run then, not after it. At least 10: each
        // turn of the event loop may come three times later than it is due,
        // as on a machine whose cores other work keeps busy.
        QVERIFY2(ticksDuringErase >= 10, qPrintable(QString::number(ticksDuringErase)));
        EXPECT_IDLE(b);
    }

    // Nothing is sent without a device or without an image to send.
    void nothingSent_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("no firmware-update device")
            << "no device" << QStringList{QStringLiteral("设备未连接")};
        QTest::newRow("file removed after opening") << "removed" << QStringList();
        QTest::newRow("empty file") << "empty" << QStringList{QStringLiteral("更新失败")};
    }
    void nothingSent()
    {
        QFETCH(QString, situation);
        QFETCH(QStringList, boxes);
        FirmwareBench b;
        const QString path = b.writeFile(QStringLiteral("image.bin"),
                                         situation == "empty" ? QByteArray() : makeImage(120));
        b.choose(path);
        if (situation == "no device") {
            sim::bus().detach(b.id);
            b.w->discoverDevices();
        } else if (situation == "removed") {
            QVERIFY(QFile::remove(path));
        }
        b.send();
        QCOMPARE(sim::bus().writeCount(b.id), size_t(0));
        EXPECT_BOXES(b, boxes);
        EXPECT_IDLE(b);
    }

    // The send reads the file again: what is on disk then is what goes out.
    void replacedFileSendsNewContent()
    {
        FirmwareBench b;
        const QString path = b.writeFile(QStringLiteral("image.bin"), makeImage(120, 1));
        b.choose(path);
        const QByteArray replacement = makeImage(180, 7);
        b.writeFile(QStringLiteral("image.bin"), replacement);
        b.send();
        QCOMPARE(b.model->announcedSize(), 180u);
        QCOMPARE(bytesOf(b.model->image()), replacement);
        QVERIFY(b.model->imageComplete());
        EXPECT_BOXES(b, QStringList());
    }

    // With the discovery timer running, an instrument plugged in during a
    // transfer is found only after it: no pass ran in between.
    void noDiscoveryDuringTransfer()
    {
        FirmwareBench b;
        const QByteArray image = makeImage(6001);
        b.choose(b.writeFile(QStringLiteral("image.bin"), image));
        int meterId = -1;
        QTimer::singleShot(30, [&meterId] { meterId = testbench::attachMeter(); });
        b.w->discoveryTimer->start(10);
        b.send();
        QVERIFY(meterId > 0); // plugged in while the transfer ran
        QVERIFY(b.model->imageComplete());
        QCOMPARE(sim::bus().openCount(meterId), 0);
        QCOMPARE(sim::bus().openCount(b.id), 1);
        QTRY_VERIFY(b.w->vcMeter->opened); // the next passes find it
        b.w->discoveryTimer->stop();
        EXPECT_LOCKED_DURING_TRANSFER(b);
    }
};

QTEST_MAIN(FirmwarePageTest)
#include "tst_firmwarepage.moc"
