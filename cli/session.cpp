#include "cli/session.h"

#include "cli/cli.h"
#include "cli/interrupts.h"
#include "device/devicelink.h"

#include <cstdio>

namespace cli {

QString programName();

Session::Session(Kind kind, DeviceLink &link, int pollIntervalMs) : mKind(kind), mLink(link)
{
    mPollTimer.setInterval(pollIntervalMs);
    mPollTimer.setTimerType(Qt::PreciseTimer);
    connect(&mPollTimer, &QTimer::timeout, this, &Session::pollOnce);
    // The window's discovery runs once a second too.
    mPlugTimer.setInterval(1000);
    connect(&mPlugTimer, &QTimer::timeout, this, &Session::checkPlugged);
}

void Session::answered()
{
    mSinceAnswer.restart();
}

void Session::finish(int code)
{
    if (mFinished)
        return;
    mFinished = true;
    mCode = code;
    mPollTimer.stop();
    mPlugTimer.stop();
    mLoop.exit(code);
}

int Session::exec()
{
    if (mFinished)
        return mCode;
    if (const int signal = Interrupts::received()) {
        if (!interrupted || interrupted(signal))
            return Interrupts::exitCode(signal);
    }
    Interrupts *interrupts = Interrupts::current();
    QMetaObject::Connection onInterrupt;
    if (interrupts) {
        onInterrupt = connect(interrupts, &Interrupts::interrupted, this, [this](int signal) {
            if (!interrupted || interrupted(signal))
                finish(Interrupts::exitCode(signal));
        });
    }
    mSinceAnswer.start();
    mPollTimer.start();
    mPlugTimer.start();
    pollOnce();
    if (!mFinished)
        mLoop.exec();
    disconnect(onInterrupt);
    return mCode;
}

void Session::pollOnce()
{
    if (mFinished)
        return;
    if (poll)
        poll();
    if (!mFinished && mSinceAnswer.elapsed() > mAnswerTimeoutMs) {
        complain(QStringLiteral("the %1 did not answer for %2 s")
                     .arg(kindName(mKind))
                     .arg(mAnswerTimeoutMs / 1000.0));
        finish(InstrumentError);
    }
}

void Session::checkPlugged()
{
    if (mFinished || stillListed(mLink))
        return;
    discovery::closeLink(mLink);
    mLink.present = false;
    if (unplugged)
        unplugged();
    complain(QStringLiteral("the %1 was unplugged").arg(kindName(mKind)));
    finish(InstrumentError);
}

void complain(const QString &message)
{
    const QByteArray text =
        (programName() + QStringLiteral(": ") + message + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    std::fflush(stderr);
}

bool writeOut(const QByteArray &data)
{
    if (std::fwrite(data.constData(), 1, size_t(data.size()), stdout) != size_t(data.size()))
        return false;
    return std::fflush(stdout) == 0;
}

} // namespace cli
