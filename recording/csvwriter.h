// The file of a recording, written on a thread of its own so that a slow or
// failing disk never holds up the polls. Lines are handed over in batches of
// complete lines; each batch is written and flushed to the system at once,
// so that a program killed at any moment leaves everything handed over in
// the file. The file always ends with a complete line: when a batch cannot
// be written whole (disk full, file too large, a read-only file system), the
// file is cut back to the end of the last batch written whole, closed, and
// the failure reported. A file that is removed or replaced on disk while it
// is written is noticed at the next batch and reported the same way.
// Qt Core only.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThread>

class QFile;

namespace recording {

class CsvWriter : public QObject {
    Q_OBJECT
public:
    enum class Failure {
        WriteFailed, // a batch could not be written whole; the detail says why
        FileRemoved, // the name no longer leads to the file being written
    };

    explicit CsvWriter(QObject *parent = nullptr);
    // Writes what was handed over, closes the file and ends the thread.
    ~CsvWriter() override;

    // Creates the file (an existing one is emptied) and writes `firstLines`
    // before returning. False, with the system's reason, when it cannot.
    bool open(const QString &fileName, const QByteArray &firstLines, QString *reason);
    // Lines for the writer's thread; returns at once. Ignored when no file is
    // open or after a failure.
    void write(const QByteArray &lines);
    // Closes the file once everything handed over before is written.
    void close();
    // Blocks until everything handed over so far is written (or has failed).
    // For a clean stop and for tests.
    void waitUntilWritten();

    bool isOpen() const { return mOpen; }

signals:
    // The file was given up; emitted on the thread that owns the writer.
    void failed(recording::CsvWriter::Failure failure, const QString &detail);

private:
    // Closes, writes what is queued and ends the thread.
    void finish();
    void reportFailure(Failure failure, const QString &detail);

    class Sink;
    QThread mThread;
    Sink *mSink = nullptr;
    bool mOpen = false;
};

} // namespace recording
