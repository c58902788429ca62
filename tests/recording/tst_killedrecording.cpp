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

// The most any sample taken before a kill may be missing from the file: the
// recording hands its lines to the writer thread every
// ToolRecording::kHandOverMs (100 ms), and the writer writes them at its
// next turn. Ten hand-over intervals leave room for both to come late on a
// machine whose cores other work keeps busy; the test prints how far behind
// the file was at each kill.
constexpr long long kMayLoseMs = 1000;

// The child's reports "<monotonic ms> <sample lines>", in the order printed.
QList<QPair<long long, long long>> progressReports(const QByteArray &output)
{
    QList<QPair<long long, long long>> reports;
    const int start = output.indexOf("recording\n");
    if (start < 0)
        return reports;
    for (const QByteArray &line : output.mid(start + 10).split('\n')) {
        const QByteArrayList fields = line.split(' ');
        bool timeOk = false;
        bool linesOk = false;
        const long long at = fields.value(0).toLongLong(&timeOk);
        const long long lines = fields.value(1).toLongLong(&linesOk);
        if (fields.size() == 2 && timeOk && linesOk)
            reports.append({at, lines});
    }
    return reports;
}

} // namespace

class KilledRecordingTest : public QObject {
    Q_OBJECT
private slots:
    // The time runs from the first sample line the child reports, so that
    // a child slow to start still has lines to lose.
    void killedRecordingKeepsAllButTheLastSecond_data()
    {
        QTest::addColumn<int>("runMs");
        QTest::newRow("killed 1.5 s after its first sample") << 1500;
        QTest::newRow("killed 3.2 s after its first sample") << 3200;
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
        const auto hasSamples = [&output] {
            const auto reports = progressReports(output);
            return !reports.isEmpty() && reports.last().second > 0;
        };
        while (!hasSamples() && child.waitForReadyRead(30000))
            output += child.readAllStandardOutput();
        QVERIFY2(hasSamples(), output.right(200).constData());

        QTest::qWait(runMs);
        QCOMPARE(::kill(pid_t(child.processId()), SIGKILL), 0);
        const long long killedAt = monotonicMs();
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        output += child.readAllStandardOutput();

        // What the child had taken kMayLoseMs before the kill: at least the
        // lines of its first report with samples, runMs before the kill.
        long long takenBefore = -1;
        const QList<QPair<long long, long long>> reports = progressReports(output);
        for (const auto &report : reports) {
            if (report.first <= killedAt - kMayLoseMs)
                takenBefore = report.second;
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
        // How far behind the file was: the time of the last report whose
        // lines were all in it.
        long long writtenBy = -1;
        for (const auto &report : reports) {
            if (report.second <= lines.size())
                writtenBy = report.first;
        }
        qInfo("%lld sample lines in the file; it held every line taken up to %lld ms before the "
              "kill",
              static_cast<long long>(lines.size()), killedAt - writtenBy);
        QVERIFY2(
            lines.size() >= takenBefore,
            qPrintable(QStringLiteral("%1 lines in the file, %2 taken a second before the kill")
                           .arg(lines.size())
                           .arg(takenBefore)));
    }
};

QTEST_GUILESS_MAIN(KilledRecordingTest)
#include "tst_killedrecording.moc"
