// A recording process killed with SIGKILL: every complete line of its file is
// a valid line, and every sample it had taken more than a second before the
// kill is in the file. The process is recordingchild: the real window on a
// simulated meter at 100 Sa/s with all its timers running.
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <ctime>

namespace {

long long monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The most any sample taken before a kill may be missing from the file.
constexpr long long kMayLoseMs = 1000;

} // namespace

class KilledRecordingTest : public QObject {
    Q_OBJECT
private slots:
    void killedRecordingKeepsAllButTheLastSecond_data()
    {
        QTest::addColumn<int>("runMs");
        QTest::newRow("killed after 1.5 s") << 1500;
        QTest::newRow("killed after 3.2 s") << 3200;
    }
    void killedRecordingKeepsAllButTheLastSecond()
    {
        QFETCH(int, runMs);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("meter.csv"));
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QStringLiteral(RECORDING_CHILD), {path});
        QVERIFY(child.waitForStarted());
        QByteArray output;
        while (!output.contains("recording\n") && child.waitForReadyRead(10000))
            output += child.readAllStandardOutput();
        QVERIFY2(output.contains("recording\n"), output.constData());

        QTest::qWait(runMs);
        QCOMPARE(::kill(pid_t(child.processId()), SIGKILL), 0);
        const long long killedAt = monotonicMs();
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        output += child.readAllStandardOutput();

        // What the child had taken a second before the kill.
        long long takenBefore = -1;
        const QByteArrayList reports = output.mid(output.indexOf("recording\n") + 10).split('\n');
        for (const QByteArray &report : reports) {
            const QByteArrayList fields = report.split(' ');
            if (fields.size() == 2 && fields[0].toLongLong() <= killedAt - kMayLoseMs)
                takenBefore = fields[1].toLongLong();
        }
        QVERIFY2(takenBefore > 0, output.right(200).constData());

        // Complete lines: the header, then sample lines in time order.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        QByteArrayList lines = content.left(content.lastIndexOf('\n')).split('\n');
        QCOMPARE(lines.takeFirst(), QByteArray("time_utc,elapsed_s,voltage_V,current_A,power_W,"
                                               "dplus_V,dminus_V,cc1_V,cc2_V,charge_mAh,"
                                               "energy_mWh,event"));
        qint64 lastUtc = 0;
        double lastElapsed = -1;
        for (const QByteArray &line : lines) {
            const QByteArrayList fields = line.split(',');
            QVERIFY2(fields.size() == 12 && fields[11].isEmpty(), line.constData());
            const QDateTime utc =
                QDateTime::fromString(QString::fromLatin1(fields[0]), Qt::ISODateWithMs);
            QVERIFY2(utc.isValid() && utc.timeSpec() == Qt::UTC, line.constData());
            QVERIFY(utc.toMSecsSinceEpoch() >= lastUtc);
            lastUtc = utc.toMSecsSinceEpoch();
            bool ok = false;
            const double elapsed = fields[1].toDouble(&ok);
            QVERIFY2(ok && elapsed >= lastElapsed, line.constData());
            lastElapsed = elapsed;
            for (int k = 2; k <= 10; ++k) {
                fields[k].toDouble(&ok);
                QVERIFY2(ok, line.constData());
            }
        }
        QVERIFY2(
            lines.size() >= takenBefore,
            qPrintable(QStringLiteral("%1 lines in the file, %2 taken a second before the kill")
                           .arg(lines.size())
                           .arg(takenBefore)));
    }
};

QTEST_GUILESS_MAIN(KilledRecordingTest)
#include "tst_killedrecording.moc"
