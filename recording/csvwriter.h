// The file of a recording, written on a thread of its own so that a slow or
// failing disk never holds up the polls. Lines are handed over in batches of
// complete lines; each batch is written and handed to the system at once,
// so that a program killed at any moment leaves everything handed over in
// the file. The file always ends with a complete line: when a batch cannot
// be written whole (disk full, file too large, a read-only file system), the
// file is cut back to the end of the last batch written whole, closed, and
// the failure kept for the owner to take. A file that is removed or replaced
// on disk while it is written is noticed at the next batch and given up the
// same way.
//
// The batches go to the writer's thread through a queue under a standard
// mutex, and the failure comes back the same way: no Qt event crosses the
// threads, so ThreadSanitizer sees every hand-over. Qt Core only.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace recording {

class CsvWriter {
public:
    enum class Failure {
        WriteFailed, // a batch could not be written whole; the detail says why
        FileRemoved, // the name no longer leads to the file being written
    };

    CsvWriter();
    // Writes what was handed over, closes the file and ends the thread.
    ~CsvWriter();
    CsvWriter(const CsvWriter &) = delete;
    CsvWriter &operator=(const CsvWriter &) = delete;

    // Creates the file (an existing one is emptied) and writes `firstLines`
    // before returning. False, with the system's reason, when it cannot.
    bool open(const QString &fileName, const QByteArray &firstLines, QString *reason);
    // Writes to the process's standard output instead (a pipe, a terminal):
    // nothing is cut back or synced there, and a reader that has gone (a
    // closed pipe) is a failed write whose detail says so.
    bool openStandardOutput(const QByteArray &firstLines, QString *reason);
    // Lines for the writer's thread; returns at once. Ignored when no file is
    // open or after a failure.
    void write(QByteArray lines);
    // Closes the file once everything handed over before is written.
    void close();
    // Blocks until everything handed over so far is written (or has failed).
    void waitUntilWritten();
    // The file was given up: true once, with why, and the writer is closed.
    bool takeFailure(Failure *failure, QString *detail);

    bool isOpen() const { return mOpen; }

private:
    struct Batch {
        QByteArray lines;
        bool close = false;
    };
    void run();
    // On the writer's thread: one batch to the file; false when the file was
    // given up (mFailure says why).
    bool writeBatch(const QByteArray &lines);
    bool writeWhole(const QByteArray &lines);
    void rememberIdentity();
    bool stillOnDisk() const;
    void syncNowAndThen();

    // The owner's side.
    bool mOpen = false;
    // Standard output, not a file of our own.
    bool mStream = false;

    // Shared, under mMutex.
    std::mutex mMutex;
    std::condition_variable mWake;
    std::condition_variable mIdle;
    std::deque<Batch> mQueue;
    bool mBusy = false;
    bool mQuit = false;
    bool mFailed = false;
    Failure mFailure = Failure::WriteFailed;
    QString mFailureDetail;

    // The writer's thread alone, while it runs a batch; the owner's while the
    // queue is empty and the writer idle (open).
    QFile mFile;
    qint64 mWrittenBytes = 0;
    QElapsedTimer mSinceSync;
    quint64 mDevice = 0;
    quint64 mInode = 0;

    std::thread mThread;
};

} // namespace recording
