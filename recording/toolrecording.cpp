#include "toolrecording.h"

#include "tools/bootline/bootlinereport.h"
#include "tools/meter/meterreport.h"
#include "tools/power/powerreport.h"

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
    return start(fileName, reason, QDateTime::currentMSecsSinceEpoch());
}

bool ToolRecording::start(const QString &fileName, QString *reason, qint64 startUtcMs)
{
    stop();
    if (!mWriter.open(fileName, headerLine(mInstrument), reason))
        return false;
    mClock.start();
    mRows = RowText(mInstrument, startUtcMs);
    mFileName = fileName;
    mActive = true;
    mInGap = false;
    mSampleLines = 0;
    mLastLineUs = 0;
    mSkipped = 0;
    mChargeMah = 0;
    mEnergyMwh = 0;
    mPreviousSampleUs = -1;
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

qint64 ToolRecording::elapsedUs() const
{
    return mClock.isValid() ? mClock.nsecsElapsed() / 1000 : 0;
}

void ToolRecording::addMeterReport(const quint8 *report, quint8 rateCode, qint64 receivedUs)
{
    if (!mActive || !meter::isSampleReport(report[0]))
        return;
    const meter::RateSetting *rate = meter::rateForCode(rateCode);
    if (!rate)
        return;
    if (rate->decimationLimit >= 0) {
        // One report in so many, as the chart takes them at this rate.
        if (++mSkipped <= rate->decimationLimit)
            return;
        mSkipped = 0;
    }
    const int count = rate->samplesPerReport;
    qint64 times[meter::kMaxSamplesPerReport];
    spreadSamples(receivedUs, mLastLineUs, count, rateCode, times);

    const meter::LineVoltages lines = meter::decodeLineVoltages(report);
    MeterRow row;
    row.dPlus = lines.dPlus;
    row.dMinus = lines.dMinus;
    row.cc1 = lines.cc1;
    row.cc2 = lines.cc2;
    for (int n = 0; n < count; ++n) {
        const meter::Sample sample = meter::decodeSample(report, n);
        row.volts = sample.volts;
        row.amps = sample.amps;
        row.watts = sample.volts * sample.amps;
        // Each sample stands for the time since the one before: A·s and W·s
        // over 3.6 give mAh and mWh. Nothing is counted across a gap.
        if (mPreviousSampleUs >= 0) {
            const double seconds = double(times[n] - mPreviousSampleUs) / 1e6;
            mChargeMah += row.amps * seconds / 3.6;
            mEnergyMwh += row.watts * seconds / 3.6;
        }
        mPreviousSampleUs = times[n];
        row.chargeMah = mChargeMah;
        row.energyMwh = mEnergyMwh;
        mRows.addMeter(times[n], row);
    }
    mSampleLines += count;
    mLastLineUs = qMax(mLastLineUs, times[count - 1]);
    mInGap = false;
    handOverIfLarge();
}

void ToolRecording::addPowerSupplyStatus(const power::Status &status, qint64 receivedUs)
{
    if (!mActive)
        return;
    PowerSupplyRow row;
    row.volts = status.volts;
    row.amps = status.amps;
    row.watts = status.volts * status.amps;
    if (status.presetIndex >= 1 && status.presetIndex <= power::kPresetCount) {
        row.setVolts = status.presetVoltage[status.presetIndex - 1] / 100.0;
        row.setAmps = status.presetCurrent[status.presetIndex - 1] / 1000.0;
    }
    row.preset = status.presetIndex;
    row.outputOn = status.outputOn != 0;
    row.mode = status.mode;
    mRows.addPowerSupply(receivedUs, row);
    ++mSampleLines;
    mLastLineUs = qMax(mLastLineUs, receivedUs);
    mInGap = false;
    handOverIfLarge();
}

void ToolRecording::addBootLineReading(const bootline::Reading &reading, quint8 trigger,
                                       qint64 receivedUs)
{
    if (!mActive)
        return;
    BootLineRow row;
    row.volts = reading.volts;
    row.amps = reading.amps;
    row.peakAmps = reading.peakAmps;
    row.deviceSeconds = reading.tenths / 10.0;
    row.triggerHeld = trigger != 0;
    mRows.addBootLine(receivedUs, row);
    ++mSampleLines;
    mLastLineUs = qMax(mLastLineUs, receivedUs);
    mInGap = false;
    handOverIfLarge();
}

void ToolRecording::markGap(qint64 atUs)
{
    if (!mActive || mInGap)
        return;
    mRows.addGap(atUs);
    mLastLineUs = qMax(mLastLineUs, atUs);
    mPreviousSampleUs = -1;
    mInGap = true;
    handOverIfLarge();
}

void ToolRecording::handOverIfLarge()
{
    if (mRows.pendingBytes() >= kHandOverBytes)
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
