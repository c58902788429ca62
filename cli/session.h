// One command's run on one instrument from the command line: its engine
// polled at the instrument's interval from the event loop, a check once a
// second that the instrument is still plugged in, a bound on how long it may
// go without an accepted answer, and the interrupts. Ends with an exit code.
#pragma once

#include "cli/instruments.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <functional>

namespace cli {

class Session : public QObject {
    Q_OBJECT
public:
    // Longest time without an accepted answer before the instrument counts
    // as not answering.
    static constexpr int kAnswerTimeoutMs = 2000;

    Session(Kind kind, DeviceLink &link, int pollIntervalMs);

    // One poll step; it calls answered() when an answer was accepted.
    std::function<void()> poll;
    // The instrument was unplugged: the engine's gap, before the session
    // ends with InstrumentError.
    std::function<void()> unplugged;
    // SIGINT or SIGTERM: what the command does before it ends. Return true to
    // end now with the signal's exit code; false when the command ends by
    // itself (finish()) once it has done what an interrupt asks (the supply's
    // output off).
    std::function<bool(int signal)> interrupted;

    void answered();
    void setAnswerTimeoutMs(int ms) { mAnswerTimeoutMs = ms; }
    // Ends the run with this exit code.
    void finish(int code);
    // Runs until finish(); returns its code.
    int exec();

private:
    void pollOnce();
    void checkPlugged();

    Kind mKind;
    DeviceLink &mLink;
    QTimer mPollTimer;
    QTimer mPlugTimer;
    QEventLoop mLoop;
    QElapsedTimer mSinceAnswer;
    int mAnswerTimeoutMs = kAnswerTimeoutMs;
    bool mFinished = false;
    int mCode = 0;
};

// Messages to standard error, one line each, prefixed with the program name.
void complain(const QString &message);
// Data to standard output; false when it cannot be written (a reader that
// has gone), which ends a command quietly.
bool writeOut(const QByteArray &data);

} // namespace cli
