// The alerts of a fired stop condition themselves, without the window: the
// tone's samples, and the desktop notification sent over D-Bus to a stand-in
// for the desktop's notification service on a private bus of our own (a
// dbus-daemon started here; the test skips without one), to a bus without
// the service, and to no bus at all.
#include "app/alerts.h"
#include "tests/support/requiredchecks.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QtEndian>
#include <QtTest>

#include <optional>

namespace {

const char kService[] = "org.freedesktop.Notifications";

qint16 sampleAt(const QByteArray &pcm, int index)
{
    return qFromLittleEndian<qint16>(reinterpret_cast<const uchar *>(pcm.constData()) + 2 * index);
}

} // namespace

// What the desktop's notification service would be handed.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    int calls = 0;
    QString appName;
    QString summary;
    QString body;
    QVariantMap hints;
    int timeout = -1;

public slots:
    uint Notify(const QString &app, uint replaces, const QString &icon, const QString &summary_,
                const QString &body_, const QStringList &actions, const QVariantMap &hints_,
                int timeout_)
    {
        Q_UNUSED(replaces)
        Q_UNUSED(icon)
        Q_UNUSED(actions)
        ++calls;
        appName = app;
        summary = summary_;
        body = body_;
        hints = hints_;
        timeout = timeout_;
        return 17;
    }
};

class AlertsTest : public QObject {
    Q_OBJECT
private slots:
    // 2000 Hz at 8000 samples a second is a quarter turn a sample: 0, +A, 0,
    // −A … with A = 0.3 × 32767 = 9830.1; 20 ms are 160 samples, the fades
    // 5 ms = 40 samples at each end.
    void tonePcm_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("value");
        QTest::newRow("first: silent") << 0 << 0;
        QTest::newRow("fading in: 1/40 of A") << 1 << 246; // 245.75
        QTest::newRow("full, up") << 41 << 9830;
        QTest::newRow("full, zero crossing") << 42 << 0;
        QTest::newRow("full, down") << 43 << -9830;
        QTest::newRow("fading out: 2/40 of A") << 157 << 492; // 491.505
        QTest::newRow("last: silent") << 159 << 0;
    }
    void tonePcm()
    {
        QFETCH(int, index);
        QFETCH(int, value);
        const QByteArray pcm = alerts::tonePcm(8000, 2000, 20);
        QCOMPARE(pcm.size(), 320);
        QCOMPARE(int(sampleAt(pcm, index)), value);
    }

    // A bus that is not connected: not delivered, at once.
    void noBus()
    {
        const QDBusConnection bus =
            QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/quorvaline-bus"),
                                          QStringLiteral("quorvaline-no-bus"));
        QVERIFY(!bus.isConnected());
        std::optional<bool> delivered;
        alerts::notifyDesktop(bus, QStringLiteral("s"), QStringLiteral("b"),
                              [&](bool ok) { delivered = ok; });
        QVERIFY(delivered.has_value());
        QVERIFY(!*delivered);
        QDBusConnection::disconnectFromBus(QStringLiteral("quorvaline-no-bus"));
    }

    // On a bus with the service: it gets the summary and body, critical
    // urgency and no expiry, and the alert counts as delivered. On a bus
    // without it: not delivered.
    void privateBus_data()
    {
        QTest::addColumn<bool>("serviceThere");
        QTest::newRow("service there") << true;
        QTest::newRow("no service") << false;
    }
    void privateBus()
    {
        QFETCH(bool, serviceThere);
        QProcess daemon;
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--print-address=1")});
        if (!daemon.waitForStarted(5000))
            SKIP_UNLESS_REQUIRED("no dbus-daemon to run a private bus with");
        QTRY_VERIFY_WITH_TIMEOUT(daemon.canReadLine(), 5000);
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();

        FakeNotifications fake;
        {
            QDBusConnection service =
                QDBusConnection::connectToBus(address, QStringLiteral("quorvaline-service"));
            QDBusConnection caller =
                QDBusConnection::connectToBus(address, QStringLiteral("quorvaline-caller"));
            QVERIFY(service.isConnected());
            QVERIFY(caller.isConnected());
            if (serviceThere) {
                QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"),
                                               &fake, QDBusConnection::ExportAllSlots));
                QVERIFY(service.registerService(QLatin1String(kService)));
            }
            std::optional<bool> delivered;
            alerts::notifyDesktop(caller, QStringLiteral("Stop condition met"),
                                  QStringLiteral("10:15:02 Power supply: current < 100 mA"),
                                  [&](bool ok) { delivered = ok; });
            QTRY_VERIFY_WITH_TIMEOUT(delivered.has_value(), 10000);
            QCOMPARE(*delivered, serviceThere);
            QCOMPARE(fake.calls, serviceThere ? 1 : 0);
            if (serviceThere) {
                QCOMPARE(fake.appName, QStringLiteral("QUORVALINE"));
                QCOMPARE(fake.summary, QStringLiteral("Stop condition met"));
                QCOMPARE(fake.body, QStringLiteral("10:15:02 Power supply: current < 100 mA"));
                QCOMPARE(fake.hints.value(QStringLiteral("urgency")).toInt(), 2);
                QCOMPARE(fake.timeout, 0);
            }
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("quorvaline-service"));
        QDBusConnection::disconnectFromBus(QStringLiteral("quorvaline-caller"));
        daemon.terminate();
        QVERIFY(daemon.waitForFinished(5000));
    }
};

QTEST_MAIN(AlertsTest)
#include "tst_alerts.moc"
