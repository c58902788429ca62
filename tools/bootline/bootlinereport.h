#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// The boot line's report exchange: the request carrying the trigger, the
// decoding of its answer and the text of its elapsed time. No widgets: the
// boot line page only wires these to its labels and chart.
namespace bootline {

constexpr quint8 kReadCommand = 0x06;
constexpr quint8 kAnswerCode = 0x08;

// The 65-byte request: report ID 0, the read command, the trigger in byte 2
// (1 while the power-on button is held, else 0), the rest zero.
void buildRequest(quint8 *out, quint8 trigger);

struct Reading {
    double volts = 0;
    double amps = 0;
    double peakAmps = 0; // the largest current the device has seen
    quint16 tenths = 0;  // elapsed time counted by the device
};

// The reading of an answer, given the result of the read that filled it.
// Nothing for a failed or empty read (result 0 or less) or an answer whose
// code is not 0x08. Voltage and currents travel in mV and mA, big-endian.
std::optional<Reading> decodeAnswer(const quint8 *report, int bytesRead);

// "mm:ss" of the device's elapsed time. The device counts up to 65535 tenths;
// the display runs 00:00 to 59:59 and starts again after an hour.
QString elapsedText(quint16 tenths);

} // namespace bootline
