#include "csvwriter.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace recording {

namespace {
// The system is asked this often to put the written lines on the disk
// itself, so that a power cut loses little more than a killed program.
constexpr qint64 kSyncIntervalMs = 10000;
} // namespace

CsvWriter::CsvWriter() = default;

CsvWriter::~CsvWriter()
{
    close();
    if (mThread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mQuit = true; // after what is queued: the thread empties the queue first
        }
        mWake.notify_one();
        mThread.join();
    }
}

bool CsvWriter::open(const QString &fileName, const QByteArray &firstLines, QString *reason)
{
    close();
    waitUntilWritten(); // the writer is idle now: the file is this thread's
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mFailed = false;
    }
    mFile.setFileName(fileName);
    // Unbuffered: each write goes to the system at once, so a process killed
    // after it has returned leaves the lines in the file.
    if (!mFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        *reason = mFile.errorString();
        return false;
    }
    mWrittenBytes = 0;
    if (!writeWhole(firstLines)) {
        *reason = mFile.errorString();
        mFile.close();
        return false;
    }
    mStream = false;
    rememberIdentity();
    mSinceSync.start();
    mOpen = true;
    if (!mThread.joinable())
        mThread = std::thread([this] { run(); });
    return true;
}

bool CsvWriter::openStandardOutput(const QByteArray &firstLines, QString *reason)
{
    close();
    waitUntilWritten();
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mFailed = false;
    }
    if (!mFile.open(1, QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *reason = mFile.errorString();
        return false;
    }
    mWrittenBytes = 0;
    if (!writeWhole(firstLines)) {
        *reason = mFile.errorString();
        mFile.close();
        return false;
    }
    mStream = true;
    mOpen = true;
    if (!mThread.joinable())
        mThread = std::thread([this] { run(); });
    return true;
}

void CsvWriter::write(QByteArray lines)
{
    if (!mOpen || lines.isEmpty())
        return;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        Batch batch;
        batch.lines.swap(lines);
        mQueue.push_back(std::move(batch));
    }
    mWake.notify_one();
}

void CsvWriter::close()
{
    if (!mOpen)
        return;
    mOpen = false;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        Batch batch;
        batch.close = true;
        mQueue.push_back(std::move(batch));
    }
    mWake.notify_one();
}

void CsvWriter::waitUntilWritten()
{
    std::unique_lock<std::mutex> lock(mMutex);
    mIdle.wait(lock, [this] { return mQueue.empty() && !mBusy; });
}

bool CsvWriter::takeFailure(Failure *failure, QString *detail)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mFailed)
        return false;
    mFailed = false;
    *failure = mFailure;
    *detail = mFailureDetail;
    mOpen = false; // the writer has closed the file
    return true;
}

void CsvWriter::run()
{
    std::unique_lock<std::mutex> lock(mMutex);
    for (;;) {
        mWake.wait(lock, [this] { return !mQueue.empty() || mQuit; });
        if (mQueue.empty())
            return; // asked to quit, nothing left to write
        Batch batch = std::move(mQueue.front());
        mQueue.pop_front();
        mBusy = true;
        lock.unlock();

        bool failed = false;
        if (batch.close) {
            if (mFile.isOpen())
                mFile.close();
        } else if (mFile.isOpen()) {
            failed = !writeBatch(batch.lines);
        }

        lock.lock();
        if (failed) {
            mFailed = true;
            // Batches handed over after the failure have nowhere to go.
            mQueue.clear();
        }
        mBusy = false;
        if (mQueue.empty())
            mIdle.notify_all();
    }
}

bool CsvWriter::writeBatch(const QByteArray &lines)
{
    if (!writeWhole(lines)) {
        const QString detail = mFile.errorString();
        // Cut back to the last complete line, so that what is there stays a
        // valid file.
        if (!mStream)
            mFile.resize(mWrittenBytes);
        mFile.close();
        std::lock_guard<std::mutex> lock(mMutex);
        mFailure = Failure::WriteFailed;
        mFailureDetail = detail;
        return false;
    }
    if (mStream)
        return true;
    if (!stillOnDisk()) {
        mFile.close();
        std::lock_guard<std::mutex> lock(mMutex);
        mFailure = Failure::FileRemoved;
        mFailureDetail.clear();
        return false;
    }
    syncNowAndThen();
    return true;
}

bool CsvWriter::writeWhole(const QByteArray &lines)
{
    if (mFile.write(lines) != lines.size())
        return false;
    mWrittenBytes += lines.size();
    return true;
}

// The file's identity on disk, to notice when its name leads elsewhere.
void CsvWriter::rememberIdentity()
{
#ifdef Q_OS_UNIX
    struct stat info;
    if (fstat(mFile.handle(), &info) == 0) {
        mDevice = quint64(info.st_dev);
        mInode = quint64(info.st_ino);
    }
#endif
}

bool CsvWriter::stillOnDisk() const
{
#ifdef Q_OS_UNIX
    // A file removed while open can still be written; its name must still
    // lead to it for what is written to be found.
    struct stat info;
    if (stat(QFile::encodeName(mFile.fileName()).constData(), &info) != 0)
        return false;
    return quint64(info.st_dev) == mDevice && quint64(info.st_ino) == mInode;
#else
    // Elsewhere an open file cannot be removed; a missing name still says it
    // was moved.
    return QFileInfo::exists(mFile.fileName());
#endif
}

void CsvWriter::syncNowAndThen()
{
#ifdef Q_OS_UNIX
    if (mSinceSync.elapsed() < kSyncIntervalMs)
        return;
    fdatasync(mFile.handle());
    mSinceSync.restart();
#endif
}

} // namespace recording
