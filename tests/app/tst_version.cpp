// The programs answer --version with their name and the version, before
// anything else: without a display, while another copy holds the instance
// lock, and (the demo) without writing its sample files.
#include "app/singleapplication.h"

#include "quorvaline_version.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class VersionTest : public QObject {
    Q_OBJECT
private slots:
    void answersVersionAlone_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("window") << QStringLiteral(QUORVALINE_WINDOW_PROGRAM)
                                << QStringLiteral("quorvaline")
                                << QStringList{QStringLiteral("--version")};
        QTest::newRow("window, after Qt's own options")
            << QStringLiteral(QUORVALINE_WINDOW_PROGRAM) << QStringLiteral("quorvaline")
            << QStringList{QStringLiteral("-style"), QStringLiteral("fusion"),
                           QStringLiteral("--version")};
        QTest::newRow("demo") << QStringLiteral(QUORVALINE_DEMO_PROGRAM)
                              << QStringLiteral("quorvaline-demo")
                              << QStringList{QStringLiteral("--version")};
    }

    void answersVersionAlone()
    {
        QFETCH(QString, program);
        QFETCH(QString, name);
        QFETCH(QStringList, arguments);

        // Another copy runs: the lock in the runtime folder the program uses.
        QTemporaryDir runtime;
        QTemporaryDir temp;
        QVERIFY(runtime.isValid() && temp.isValid());
        InstanceLock running(QStringLiteral("QUORVALINE"), runtime.path());
        QVERIFY(running.isLocked());

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // The X11 platform with no X server: a program that opened the
        // display would end with an error instead of answering.
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("TMPDIR"), temp.path());

        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        QVERIFY2(process.waitForFinished(30000), qPrintable(process.errorString()));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(process.readAllStandardOutput()),
                 name + QLatin1Char(' ') + QLatin1String(QUORVALINE_VERSION) + QLatin1Char('\n'));
        // Nothing written to the temporary folder, the lock left as it was.
        QCOMPARE(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
        QVERIFY(running.isLocked());
    }
};

QTEST_APPLESS_MAIN(VersionTest)
#include "tst_version.moc"
