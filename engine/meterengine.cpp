#include "engine/meterengine.h"

#include "device/hidtransaction.h"

namespace meter {

void spreadSamples(qint64 receivedUs, qint64 floorUs, int count, int rate, qint64 *times)
{
    if (count <= 0)
        return;
    if (receivedUs <= floorUs) {
        // A clock that did not move: no time to spread over.
        for (int i = 0; i < count; ++i)
            times[i] = floorUs;
        return;
    }
    const qint64 spacingUs = 1000000 / qMax(rate, 1);
    const qint64 firstUs = receivedUs - spacingUs * (count - 1);
    if (firstUs > floorUs) {
        for (int i = 0; i < count; ++i)
            times[i] = firstUs + spacingUs * i;
        return;
    }
    // Evenly after the sample before, the last one at receipt.
    const qint64 spanUs = receivedUs - floorUs;
    for (int i = 0; i < count; ++i)
        times[i] = floorUs + spanUs * (i + 1) / count;
}

Answer decodeAnswer(const quint8 *report, quint8 rateCode, qint64 receivedUs, qint64 floorUs)
{
    Answer answer;
    answer.type = report[0];
    answer.rate = rateForCode(rateCode);
    answer.receivedUs = receivedUs;
    answer.lines = decodeLineVoltages(report);
    if (answer.rate && isSampleReport(answer.type))
        answer.count = answer.rate->samplesPerReport;
    qint64 times[kMaxSamplesPerReport];
    spreadSamples(receivedUs, floorUs, answer.count, rateCode, times);
    for (int n = 0; n < kMaxSamplesPerReport; ++n) {
        const Sample sample = decodeSample(report, n);
        answer.samples[n] = {n < answer.count ? times[n] : receivedUs, sample.volts, sample.amps,
                             sample.volts * sample.amps};
    }
    return answer;
}

bool takeAtRate(quint16 &count, const RateSetting &rate)
{
    if (rate.decimationLimit < 0)
        return true;
    if (++count <= rate.decimationLimit)
        return false;
    count = 0;
    return true;
}

} // namespace meter

MeterEngine::MeterEngine() = default;
MeterEngine::~MeterEngine() = default;

const meter::Answer *MeterEngine::poll()
{
    if (!hidDevice || !present)
        return nullptr;
    meter::buildRequest(outReport, rateCode);
    if (hid::transact(hidDevice, outReport, inReport) < 1)
        return nullptr;
    mAnswer = meter::decodeAnswer(inReport, rateCode, engine::nowUs(), mLastSampleUs);
    if (mAnswer.count > 0)
        mLastSampleUs = mAnswer.samples[mAnswer.count - 1].atUs;
    listeners.answer(mAnswer);
    return &mAnswer;
}

void MeterEngine::markGap()
{
    listeners.gap(engine::nowUs());
}
