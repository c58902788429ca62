// Single instance: a second copy is refused with the Chinese warning and exit
// code 0; a copy that was killed does not block the next start.
#include "app/singleapplication.h"
#include "app/startup.h"
#include "app/widget.h"

#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <thread>

namespace {

QString g_selfPath;
QString g_startupIdentifier;

// Starts a copy of this test executable that takes the instance lock and
// holds it until it is killed.
std::unique_ptr<QProcess> startLockHolder(const QString &identifier, const QString &directory)
{
    auto process = std::make_unique<QProcess>();
    process->start(g_selfPath, {QStringLiteral("hold-lock"), identifier, directory});
    if (!process->waitForStarted(5000) || !process->waitForReadyRead(5000))
        return nullptr;
    if (!process->readAll().contains("locked"))
        return nullptr;
    return process;
}

int holdLock(const char *identifier, const char *directory)
{
    InstanceLock lock(QString::fromLocal8Bit(identifier), QString::fromLocal8Bit(directory));
    std::printf(lock.isLocked() ? "locked\n" : "refused\n");
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void secondLockOfSameIdentifierReportsRunning()
    {
        QTemporaryDir dir;
        auto holder = startLockHolder(QStringLiteral("QUORVALINE"), dir.path());
        QVERIFY(holder);
        InstanceLock second(QStringLiteral("QUORVALINE"), dir.path());
        QVERIFY(!second.isLocked());
        QVERIFY(second.heldElsewhere());

        InstanceLock otherIdentifier(QStringLiteral("SOMETHING-ELSE"), dir.path());
        QVERIFY(otherIdentifier.isLocked());
        holder->kill();
        holder->waitForFinished();
    }

    void lockOfKilledCopyDoesNotBlock()
    {
        QTemporaryDir dir;
        auto holder = startLockHolder(QStringLiteral("QUORVALINE"), dir.path());
        QVERIFY(holder);
        ::kill(pid_t(holder->processId()), SIGKILL);
        QVERIFY(holder->waitForFinished(5000));
        // The killed copy left its lock file behind.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);

        InstanceLock next(QStringLiteral("QUORVALINE"), dir.path());
        QVERIFY(next.isLocked());
        QVERIFY(!next.heldElsewhere());
    }

    void lockIsReleasedAtExit()
    {
        QTemporaryDir dir;
        {
            InstanceLock first(QStringLiteral("QUORVALINE"), dir.path());
            QVERIFY(first.isLocked());
        }
        InstanceLock again(QStringLiteral("QUORVALINE"), dir.path());
        QVERIFY(again.isLocked());
    }

    // This process was started while a copy of the same identifier holds the
    // lock: start-up shows the warning box without a parent, creates no main
    // window and returns 0.
    void secondStartIsRefused()
    {
        auto *app = qobject_cast<SingleApplication *>(QCoreApplication::instance());
        QVERIFY(app);
        QVERIFY(app->isRunning());

        QString title, text;
        int buttons = 0;
        bool hadParent = true;
        // Closes the box as soon as it is open, so that the test cannot hang on it.
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            closer.stop();
            title = box->windowTitle();
            text = box->text();
            buttons = int(box->standardButtons());
            hadParent = box->parentWidget() != nullptr;
            box->button(QMessageBox::Ok)->click();
        });
        closer.start(10);
        QCOMPARE(startup::runApplication(*app), 0);
        QCOMPARE(title, QStringLiteral("提示！"));
        QCOMPARE(text, QStringLiteral("该程序正在运行中！"));
        QCOMPARE(buttons, int(QMessageBox::Ok));
        QVERIFY(!hadParent);
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<Widget *>(w));
    }
};

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "hold-lock") == 0)
        return holdLock(argv[2], argv[3]);

    g_selfPath = QString::fromLocal8Bit(argv[0]);
    g_startupIdentifier =
        QStringLiteral("QUORVALINE-startup-test-%1").arg(QCoreApplication::applicationPid());
    // A running copy of the start-up identifier, in the default lock location.
    auto holder = startLockHolder(g_startupIdentifier, QString());
    if (!holder) {
        std::fprintf(stderr, "could not start the lock holder\n");
        return 1;
    }
    int result;
    {
        SingleApplication app(g_startupIdentifier, argc, argv);
        SingleInstanceTest test;
        result = QTest::qExec(&test, argc, argv);
    }
    holder->kill();
    holder->waitForFinished();
    return result;
}
#include "tst_singleinstance.moc"
