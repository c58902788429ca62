#include "engine/bootlineengine.h"

#include "device/hidtransaction.h"

BootLineEngine::BootLineEngine() = default;
BootLineEngine::~BootLineEngine() = default;

const bootline::Answer *BootLineEngine::poll()
{
    if (!hidDevice || !present)
        return nullptr;
    bootline::buildRequest(outReport, trigger);
    const int bytesRead = hid::transact(hidDevice, outReport, inReport);
    const std::optional<bootline::Reading> reading = bootline::decodeAnswer(inReport, bytesRead);
    if (!reading)
        return nullptr;
    const bootline::Reading &r = *reading;
    mAnswer.reading = r;
    mAnswer.trigger = trigger;
    mAnswer.sample = {engine::nowUs(), r.volts, r.amps, r.volts * r.amps};
    listeners.answer(mAnswer);
    return &mAnswer;
}

void BootLineEngine::markGap()
{
    listeners.gap(engine::nowUs());
}
