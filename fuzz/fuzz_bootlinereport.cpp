// The boot line's answer decoding on any report: the first input byte is the
// read's result (as a signed byte), the next 64 bytes the answer.
#include "fuzzcheck.h"
#include "tools/bootline/bootlinereport.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int bytesRead = int(qint8(data[0]));
    quint8 report[128] = {};
    std::memcpy(report, data + 1, qMin<size_t>(size - 1, 64));

    const std::optional<bootline::Reading> reading = bootline::decodeAnswer(report, bytesRead);
    FUZZ_CHECK(reading.has_value() == (bytesRead > 0 && report[0] == 0x08));
    if (!reading)
        return 0;
    for (double value : {reading->volts, reading->amps, reading->peakAmps})
        FUZZ_CHECK(value >= 0 && value <= 65.535 + 1e-9);

    // "mm:ss" of the elapsed time in whole seconds, within the hour.
    const QString text = bootline::elapsedText(reading->tenths);
    FUZZ_CHECK(text.size() == 5 && text.at(2) == QLatin1Char(':'), "%s", qPrintable(text));
    bool minutesOk = false;
    bool secondsOk = false;
    const int minutes = text.left(2).toInt(&minutesOk);
    const int seconds = text.mid(3).toInt(&secondsOk);
    FUZZ_CHECK(minutesOk && secondsOk && minutes < 60 && seconds < 60, "%s", qPrintable(text));
    FUZZ_CHECK(minutes * 60 + seconds == reading->tenths / 10 % 3600, "%s for %d tenths",
               qPrintable(text), reading->tenths);
    return 0;
}
