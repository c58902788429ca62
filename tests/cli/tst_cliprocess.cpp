// The command line as a program of its own, on the simulated bench
// (quorvaline-cli-demo): a reader of its output that goes away, signals,
// an instrument pulled out from the terminal, its version, and its help
// against its manual page.
#include "quorvaline_version.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

const QString kProgram = QStringLiteral(CLI_DEMO);

// Generous: these bound a hang, not the speed.
constexpr int kEndMs = 30000;

QByteArray manualText()
{
    QFile file(QStringLiteral(CLI_MANUAL));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    // troff writes a minus of an option as "\-".
    return file.readAll().replace("\\-", "-");
}

QByteArray helpOf(const QStringList &args)
{
    QProcess process;
    process.start(kProgram, args + QStringList{QStringLiteral("--help")});
    process.waitForFinished(kEndMs);
    return process.readAllStandardOutput();
}

} // namespace

class CliProcessTest : public QObject {
    Q_OBJECT
private slots:
    void versionIsTheProjects()
    {
        QProcess process;
        process.start(kProgram, {QStringLiteral("--version")});
        QVERIFY(process.waitForFinished(kEndMs));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardOutput(),
                 QByteArray("quorvaline-cli-demo " QUORVALINE_VERSION "\n"));
    }

    // `record … -o - | head -n 100`: the reader takes 100 lines and goes;
    // the recorder ends by itself, with 0.
    void aReaderThatGoesAwayEndsTheRecordingWithZero()
    {
        QTemporaryDir dir;
        const QString status = dir.filePath(QStringLiteral("status"));
        const QString taken = dir.filePath(QStringLiteral("taken"));
        QProcess shell;
        // The recorder's exit code goes to the status file; `head` keeps 100
        // lines and closes the pipe.
        shell.start(QStringLiteral("/bin/sh"),
                    {QStringLiteral("-c"),
                     QStringLiteral("{ \"$0\" record boot -o - </dev/null; echo $? >\"$1\"; } | "
                                    "head -n 100 >\"$2\""),
                     kProgram, status, taken});
        QVERIFY2(shell.waitForFinished(kEndMs), "the recorder went on writing to no one");
        QFile statusFile(status);
        QVERIFY(statusFile.open(QIODevice::ReadOnly));
        QCOMPARE(statusFile.readAll().trimmed(), QByteArray("0"));
        QFile takenFile(taken);
        QVERIFY(takenFile.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = takenFile.readAll().trimmed().split('\n');
        QCOMPARE(lines.size(), 100);
        QCOMPARE(lines[0], QByteArray("time_utc,elapsed_s,voltage_V,current_A,peak_current_A,"
                                      "device_time_s,trigger,event"));
    }

    void signalsEndTheRecordingWithItsFileComplete_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("code");
        QTest::newRow("SIGINT") << int(SIGINT) << 130;
        QTest::newRow("SIGTERM") << int(SIGTERM) << 143;
    }
    void signalsEndTheRecordingWithItsFileComplete()
    {
        QFETCH(int, signal);
        QFETCH(int, code);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("meter.csv"));
        QProcess process;
        process.start(kProgram,
                      {QStringLiteral("record"), QStringLiteral("meter"), QStringLiteral("--rate"),
                       QStringLiteral("100"), QStringLiteral("-o"), file});
        QVERIFY(process.waitForStarted(kEndMs));
        // Until the file holds samples.
        for (int i = 0; i < 300 && QFile(file).size() < 2000; ++i)
            QTest::qWait(20);
        ::kill(pid_t(process.processId()), signal);
        QVERIFY(process.waitForFinished(kEndMs));
        QCOMPARE(process.exitCode(), code);
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray text = csv.readAll();
        QVERIFY(text.endsWith('\n'));
        const QList<QByteArray> lines = text.trimmed().split('\n');
        QVERIFY(lines.size() > 10);
        for (const QByteArray &line : lines)
            QCOMPARE(line.count(','), 11); // every line whole
    }

    // The demo's terminal pulls the meter out: exit code 4, a gap line last.
    void anInstrumentPulledOutFromTheTerminal()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("meter.csv"));
        QProcess process;
        process.start(kProgram, {QStringLiteral("record"), QStringLiteral("meter"),
                                 QStringLiteral("-o"), file});
        QVERIFY(process.waitForStarted(kEndMs));
        for (int i = 0; i < 300 && QFile(file).size() < 1000; ++i)
            QTest::qWait(20);
        process.write("m\n");
        QVERIFY(process.waitForFinished(kEndMs));
        QCOMPARE(process.exitCode(), 4);
        QVERIFY(process.readAllStandardError().contains("the meter was unplugged"));
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(csv.readAll().trimmed().endsWith(",disconnected"));
    }

    // Every command the help names has a section in the manual, and every
    // option a command's help names is in the manual too.
    void helpAndManualAgree()
    {
        const QByteArray manual = manualText();
        QVERIFY(!manual.isEmpty());
        const QByteArray help = helpOf({});
        const QStringList commands = {
            "list",  "read meter", "record meter", "power set",    "power program",
            "flash", "stats",      "boot check",   "boot capture", "boot reference"};
        static const QRegularExpression option(QStringLiteral("--[a-z][a-z-]*"));
        QSet<QString> options;
        for (const QString &command : commands) {
            QVERIFY2(help.contains(command.section(' ', 0, 0).toLatin1()), qPrintable(command));
            const QByteArray text = helpOf(command.split(' '));
            QVERIFY2(!text.isEmpty(), qPrintable(command));
            auto it = option.globalMatch(QString::fromLatin1(text));
            while (it.hasNext())
                options << it.next().captured();
        }
        auto it = option.globalMatch(QString::fromLatin1(help));
        while (it.hasNext())
            options << it.next().captured();
        QVERIFY(options.size() > 10);
        for (const QString &name : options)
            QVERIFY2(manual.contains(name.toLatin1()), qPrintable(name + " is not in the manual"));
        // And the exit codes, with their meaning, in both.
        for (const char *code : {"130", "143", "no such instrument", "file error"}) {
            QVERIFY2(help.toLower().contains(code), code);
            QVERIFY2(manual.toLower().contains(code), code);
        }
    }
};

QTEST_GUILESS_MAIN(CliProcessTest)
#include "tst_cliprocess.moc"
