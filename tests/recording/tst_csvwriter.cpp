// The writer of recording files: what it is handed reaches the file, in
// order; a file that cannot be created is refused with the system's reason;
// a full disk (a file size limit) and a file removed or replaced while it is
// written stop it with the failure, leaving a file that ends with the last
// complete line.
#include "tests/support/filesizelimit.h"
#include "recording/csvwriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using recording::CsvWriter;

using testbench::FileSizeLimit;

namespace {

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(no file)");
}

// A batch of `count` complete lines of 10 bytes each: "line 0001\n" …
QByteArray lines(int first, int count)
{
    QByteArray text;
    for (int i = first; i < first + count; ++i)
        text += "line " + QByteArray::number(i).rightJustified(4, '0') + '\n';
    return text;
}

} // namespace

class CsvWriterTest : public QObject {
    Q_OBJECT
private slots:
    // The first lines are in the file when open returns; batches follow in
    // the order handed over; an existing file is emptied first.
    void writesWhatItIsHandedInOrder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.csv"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an earlier file, longer than what comes now\n");
        old.close();

        CsvWriter writer;
        QString reason;
        QVERIFY(writer.open(path, "head\n", &reason));
        QCOMPARE(contentOf(path), QByteArray("head\n"));
        for (int batch = 0; batch < 50; ++batch)
            writer.write(lines(batch * 3, 3));
        writer.waitUntilWritten();
        QCOMPARE(contentOf(path), "head\n" + lines(0, 150));
        writer.close();
        writer.write(lines(999, 1)); // after the close: ignored
        writer.waitUntilWritten();
        QCOMPARE(contentOf(path), "head\n" + lines(0, 150));
    }

    // The writer's destruction writes what is still queued before it ends.
    void destructionWritesWhatIsQueued()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.csv"));
        {
            CsvWriter writer;
            QString reason;
            QVERIFY(writer.open(path, "head\n", &reason));
            for (int batch = 0; batch < 200; ++batch)
                writer.write(lines(batch, 1));
        }
        QCOMPARE(contentOf(path), "head\n" + lines(0, 200));
    }

    void refusesWhatCannotBeCreated_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::newRow("a folder that does not exist") << "missing/a.csv";
        QTest::newRow("a folder itself") << ".";
    }
    void refusesWhatCannotBeCreated()
    {
        QFETCH(QString, relative);
        QTemporaryDir dir;
        CsvWriter writer;
        QString reason;
        QVERIFY(!writer.open(dir.filePath(relative), "head\n", &reason));
        QVERIFY(!reason.isEmpty());
        QVERIFY(!writer.isOpen());
    }

    // A batch that does not fit is taken back whole: the file ends with the
    // last batch written whole, later batches are dropped, and the failure
    // says why.
    void fullDiskKeepsWholeLines()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.csv"));
        CsvWriter writer;
        QString reason;
        QVERIFY(writer.open(path, "head\n", &reason));
        writer.write(lines(0, 10)); // 5 + 100 bytes
        writer.waitUntilWritten();
        {
            FileSizeLimit limit(150);
            QVERIFY(limit.ok());
            writer.write(lines(10, 2)); // to 125 bytes: fits
            writer.write(lines(12, 3)); // to 155: only 25 of 30 bytes fit
            writer.write(lines(15, 1));
            writer.waitUntilWritten();
        }
        CsvWriter::Failure failure;
        QString detail;
        QVERIFY(writer.takeFailure(&failure, &detail));
        QCOMPARE(failure, CsvWriter::Failure::WriteFailed);
        QVERIFY(!detail.isEmpty());
        QCOMPARE(contentOf(path), "head\n" + lines(0, 12));
        QVERIFY(!writer.isOpen());
        writer.write(lines(16, 1));
        writer.waitUntilWritten();
        QCOMPARE(contentOf(path), "head\n" + lines(0, 12));
        QVERIFY(!writer.takeFailure(&failure, &detail)); // told once
    }

    // After a failure the same writer records a new file.
    void opensAgainAfterAFailure()
    {
        QTemporaryDir dir;
        CsvWriter writer;
        QString reason;
        QVERIFY(writer.open(dir.filePath(QStringLiteral("a.csv")), "head\n", &reason));
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("a.csv"))));
        writer.write(lines(0, 1));
        writer.waitUntilWritten();
        CsvWriter::Failure failure;
        QString detail;
        QVERIFY(writer.takeFailure(&failure, &detail));
        const QString path = dir.filePath(QStringLiteral("b.csv"));
        QVERIFY(writer.open(path, "head\n", &reason));
        writer.write(lines(1, 2));
        writer.waitUntilWritten();
        QVERIFY(!writer.takeFailure(&failure, &detail));
        QCOMPARE(contentOf(path), "head\n" + lines(1, 2));
    }

    void fileRemovedOrReplaced_data()
    {
        QTest::addColumn<bool>("replaced");
        QTest::newRow("removed") << false;
        QTest::newRow("another file put in its place") << true;
    }
    void fileRemovedOrReplaced()
    {
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.csv"));
        CsvWriter writer;
        QString reason;
        QVERIFY(writer.open(path, "head\n", &reason));
        writer.write(lines(0, 2));
        writer.waitUntilWritten();
        QVERIFY(QFile::remove(path));
        if (replaced) {
            QFile other(path);
            QVERIFY(other.open(QIODevice::WriteOnly));
            other.write("someone else's\n");
        }
        CsvWriter::Failure failure;
        QString detail;
        QVERIFY(!writer.takeFailure(&failure, &detail));
        writer.write(lines(2, 1));
        writer.waitUntilWritten();
        QVERIFY(writer.takeFailure(&failure, &detail));
        QCOMPARE(failure, CsvWriter::Failure::FileRemoved);
        QVERIFY(!writer.isOpen());
        if (replaced)
            QCOMPARE(contentOf(path), QByteArray("someone else's\n"));
    }
};

QTEST_GUILESS_MAIN(CsvWriterTest)
#include "tst_csvwriter.moc"
