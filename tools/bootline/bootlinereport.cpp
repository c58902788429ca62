#include "bootlinereport.h"

#include "device/hidtransaction.h"

#include <cstdio>

namespace bootline {

void buildRequest(quint8 *out, quint8 trigger)
{
    hid::beginReport(out, kReadCommand);
    out[2] = trigger;
}

std::optional<Reading> decodeAnswer(const quint8 *report, int bytesRead)
{
    if (bytesRead <= 0 || report[0] != kAnswerCode)
        return std::nullopt;
    Reading reading;
    reading.volts = hid::readU16(report + 4) / 1000.0;
    reading.amps = hid::readU16(report + 6) / 1000.0;
    reading.peakAmps = hid::readU16(report + 8) / 1000.0;
    reading.tenths = hid::readU16(report + 10);
    return reading;
}

QString elapsedText(quint16 tenths)
{
    // One subtraction is enough: 65535 tenths is less than two hours. The
    // seconds come from the unreduced count, which gives the same value
    // because an hour is a whole number of minutes.
    int reduced = tenths;
    if (reduced >= 36000)
        reduced -= 36000;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", reduced / 600, tenths % 600 / 10);
    return QString::fromLatin1(text);
}

} // namespace bootline
