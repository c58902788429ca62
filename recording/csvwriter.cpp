#include "csvwriter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace recording {

// Lives on the writer's thread and alone touches the file.
class CsvWriter::Sink : public QObject {
public:
    explicit Sink(CsvWriter *owner) : mOwner(owner), mFile(this) {}

    // On the owner's thread, before the sink moves to the writer's thread.
    bool open(const QString &fileName, const QByteArray &firstLines, QString *reason)
    {
        mFile.setFileName(fileName);
        if (!mFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
            *reason = mFile.errorString();
            return false;
        }
        if (!writeWhole(firstLines)) {
            *reason = mFile.errorString();
            mFile.close();
            return false;
        }
        rememberIdentity();
        mSinceSync.start();
        return true;
    }

    void write(const QByteArray &lines)
    {
        if (!mFile.isOpen())
            return;
        if (!writeWhole(lines)) {
            const QString detail = mFile.errorString();
            // Cut back to the last complete line, so that what is there
            // stays a valid file.
            mFile.resize(mWrittenBytes);
            mFile.close();
            fail(Failure::WriteFailed, detail);
            return;
        }
        if (!stillOnDisk()) {
            mFile.close();
            fail(Failure::FileRemoved, QString());
            return;
        }
        syncNowAndThen();
    }

    void close()
    {
        if (mFile.isOpen())
            mFile.close();
    }

private:
    bool writeWhole(const QByteArray &lines)
    {
        // Unbuffered: each write goes to the system at once, so a process
        // killed after it has returned leaves the lines in the file.
        if (mFile.write(lines) != lines.size())
            return false;
        mWrittenBytes += lines.size();
        return true;
    }

    void fail(Failure failure, const QString &detail)
    {
        CsvWriter *owner = mOwner;
        QMetaObject::invokeMethod(
            owner, [owner, failure, detail] { owner->reportFailure(failure, detail); },
            Qt::QueuedConnection);
    }

    // The file's identity on disk, to notice when its name leads elsewhere.
    void rememberIdentity()
    {
#ifdef Q_OS_UNIX
        struct stat info;
        if (fstat(mFile.handle(), &info) == 0) {
            mDevice = info.st_dev;
            mInode = info.st_ino;
        }
#endif
    }

    bool stillOnDisk() const
    {
#ifdef Q_OS_UNIX
        // A file removed while open can still be written; its name must
        // still lead to it for what is written to be found.
        struct stat info;
        if (stat(QFile::encodeName(mFile.fileName()).constData(), &info) != 0)
            return false;
        return info.st_dev == mDevice && info.st_ino == mInode;
#else
        // Elsewhere an open file cannot be removed; a missing name still
        // says it was moved.
        return QFileInfo::exists(mFile.fileName());
#endif
    }

    // Now and then the system is asked to put the written lines on the disk
    // itself, so that a power cut loses little more than a killed program.
    void syncNowAndThen()
    {
#ifdef Q_OS_UNIX
        if (mSinceSync.elapsed() < kSyncIntervalMs)
            return;
        fdatasync(mFile.handle());
        mSinceSync.restart();
#endif
    }

    static constexpr qint64 kSyncIntervalMs = 10000;

    CsvWriter *mOwner;
    QFile mFile;
    qint64 mWrittenBytes = 0;
    QElapsedTimer mSinceSync;
#ifdef Q_OS_UNIX
    dev_t mDevice = 0;
    ino_t mInode = 0;
#endif
};

CsvWriter::CsvWriter(QObject *parent) : QObject(parent)
{
    mThread.setObjectName(QStringLiteral("recording writer"));
}

CsvWriter::~CsvWriter()
{
    finish();
}

void CsvWriter::finish()
{
    close();
    // Batches still queued are written before the thread ends: its event
    // loop would drop them.
    waitUntilWritten();
    if (mThread.isRunning()) {
        mThread.quit();
        mThread.wait();
    }
    delete mSink;
    mSink = nullptr;
}

bool CsvWriter::open(const QString &fileName, const QByteArray &firstLines, QString *reason)
{
    finish();
    mSink = new Sink(this);
    if (!mSink->open(fileName, firstLines, reason)) {
        delete mSink;
        mSink = nullptr;
        return false;
    }
    // The sink's file is a child of the sink and moves with it.
    mSink->moveToThread(&mThread);
    mThread.start();
    mOpen = true;
    return true;
}

void CsvWriter::write(const QByteArray &lines)
{
    if (!mOpen || lines.isEmpty())
        return;
    Sink *sink = mSink;
    QMetaObject::invokeMethod(
        sink, [sink, lines] { sink->write(lines); }, Qt::QueuedConnection);
}

void CsvWriter::close()
{
    if (!mOpen)
        return;
    mOpen = false;
    Sink *sink = mSink;
    QMetaObject::invokeMethod(
        sink, [sink] { sink->close(); }, Qt::QueuedConnection);
}

void CsvWriter::waitUntilWritten()
{
    if (!mSink || !mThread.isRunning())
        return;
    // Runs after every batch handed over before it.
    QMetaObject::invokeMethod(
        mSink, [] {}, Qt::BlockingQueuedConnection);
}

void CsvWriter::reportFailure(Failure failure, const QString &detail)
{
    if (!mOpen)
        return; // closed meanwhile: nobody is waiting for this file any more
    mOpen = false;
    emit failed(failure, detail);
}

} // namespace recording
