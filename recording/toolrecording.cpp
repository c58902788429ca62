#include "toolrecording.h"

#include "engine/bootlineengine.h"
#include "engine/meterengine.h"
#include "engine/powerengine.h"

#include <QDateTime>

namespace recording {

namespace {
// Lines waiting beyond this size go to the writer before the timer fires.
constexpr int kHandOverBytes = 256 * 1024;
} // namespace

ToolRecording::ToolRecording(Instrument instrument, QObject *parent)
    : QObject(parent), mInstrument(instrument), mRows(instrument, 0)
{
    mHandOverTimer.setInterval(kHandOverMs);
    connect(&mHandOverTimer, &QTimer::timeout, this, &ToolRecording::handOver);
}

ToolRecording::~ToolRecording()
{
    // The program ends while recording: what has gathered goes to the file.
    stop();
}

bool ToolRecording::start(const QString &fileName, QString *reason)
{
    return start(fileName, reason, QDateTime::currentMSecsSinceEpoch(), engine::nowUs());
}

bool ToolRecording::startOnStandardOutput(QString *reason)
{
    return start(QString(), reason, QDateTime::currentMSecsSinceEpoch(), engine::nowUs(), true);
}

bool ToolRecording::start(const QString &fileName, QString *reason, qint64 startUtcMs,
                          qint64 startUs)
{
    return start(fileName, reason, startUtcMs, startUs, false);
}

bool ToolRecording::start(const QString &fileName, QString *reason, qint64 startUtcMs,
                          qint64 startUs, bool standardOutput)
{
    stop();
    const QByteArray header = headerLine(mInstrument, mFormat);
    if (standardOutput ? !mWriter.openStandardOutput(header, reason)
                       : !mWriter.open(fileName, header, reason))
        return false;
    mStartUs = startUs;
    mImmediate = standardOutput;
    mLimitReached = false;
    mRows = RowText(mInstrument, startUtcMs, mFormat);
    mFileName = fileName;
    mActive = true;
    mInGap = false;
    mSampleLines = 0;
    mSkipped = 0;
    mCount.reset();
    mHandOverTimer.start();
    return true;
}

void ToolRecording::stop()
{
    if (!mActive)
        return;
    handOver();
    mActive = false;
    mHandOverTimer.stop();
    mWriter.close();
    mWriter.waitUntilWritten();
}

void ToolRecording::stopWithEvent(qint64 atUs, const QByteArray &event)
{
    if (!mActive)
        return;
    mRows.addEvent(qMax<qint64>(atUs - mStartUs, 0), event);
    stop();
}

void ToolRecording::follow(MeterEngine &engine)
{
    engine.listeners.add({[this](const meter::Answer &answer) { addMeterAnswer(answer); },
                          [this](qint64 atUs) { markGap(atUs); }});
}

void ToolRecording::follow(PowerEngine &engine)
{
    engine.listeners.add({[this](const power::Answer &answer) { addPowerSupplyAnswer(answer); },
                          [this](qint64 atUs) { markGap(atUs); }});
}

void ToolRecording::follow(BootLineEngine &engine)
{
    engine.listeners.add({[this](const bootline::Answer &answer) { addBootLineAnswer(answer); },
                          [this](qint64 atUs) { markGap(atUs); }});
}

bool ToolRecording::takes(qint64 atUs)
{
    if (atUs < mStartUs)
        return false; // measured before the recording began
    if ((mSampleLimit >= 0 && mSampleLines >= mSampleLimit) ||
        (mDurationLimitUs >= 0 && atUs - mStartUs >= mDurationLimitUs)) {
        mLimitReached = true;
        return false;
    }
    return true;
}

void ToolRecording::addMeterAnswer(const meter::Answer &answer)
{
    if (!mActive || answer.count == 0)
        return;
    // One report in so many at the slow rates, as the chart takes them.
    if (!meter::takeAtRate(mSkipped, *answer.rate))
        return;
    // The first report of a recording may have been sampled partly before
    // its start: its samples then go between the start and their receipt,
    // so that the recording holds the whole report.
    qint64 times[meter::kMaxSamplesPerReport];
    for (int n = 0; n < answer.count; ++n)
        times[n] = answer.samples[n].atUs;
    if (answer.samples[0].atUs < mStartUs && answer.receivedUs > mStartUs)
        meter::spreadSamples(answer.receivedUs, mStartUs, answer.count, answer.rate->rateCode,
                             times);
    for (int n = 0; n < answer.count; ++n) {
        const engine::Sample &sample = answer.samples[n];
        if (!takes(times[n]))
            continue;
        const qint64 atUs = times[n] - mStartUs;
        mCount.add(atUs, sample.amps, sample.watts);
        mRows.addMeter(atUs, meterRow(answer, n, mCount.chargeMah, mCount.energyMwh));
        sampleAdded();
    }
    handOverIfLarge();
}

void ToolRecording::addPowerSupplyAnswer(const power::Answer &answer)
{
    if (!mActive || !takes(answer.sample.atUs))
        return;
    const qint64 atUs = answer.sample.atUs - mStartUs;
    mRows.addPowerSupply(atUs, powerSupplyRow(answer));
    sampleAdded();
    handOverIfLarge();
}

void ToolRecording::addBootLineAnswer(const bootline::Answer &answer)
{
    if (!mActive || !takes(answer.sample.atUs))
        return;
    const qint64 atUs = answer.sample.atUs - mStartUs;
    mRows.addBootLine(atUs, bootLineRow(answer));
    sampleAdded();
    handOverIfLarge();
}

void ToolRecording::sampleAdded()
{
    ++mSampleLines;
    mInGap = false;
}

void ToolRecording::markGap(qint64 atUs)
{
    if (!mActive || mInGap)
        return;
    atUs = qMax<qint64>(atUs - mStartUs, 0);
    mRows.addGap(atUs);
    mCount.breakHere();
    mInGap = true;
    handOverIfLarge();
}

void ToolRecording::handOverIfLarge()
{
    if (mImmediate || mRows.pendingBytes() >= kHandOverBytes)
        handOver();
}

void ToolRecording::handOver()
{
    if (!mActive)
        return;
    // A failure of the batches before: this recording is over.
    CsvWriter::Failure failure;
    QString detail;
    if (mWriter.takeFailure(&failure, &detail)) {
        mActive = false;
        mHandOverTimer.stop();
        mRows.take(); // lines that can no longer go anywhere
        emit failed(failure, detail);
        return;
    }
    mWriter.write(mRows.take());
}

void ToolRecording::flushAndWait()
{
    handOver();
    mWriter.waitUntilWritten();
    handOver(); // takes a failure of what was just written
}

} // namespace recording
