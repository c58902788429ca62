#pragma once

#include <QtGlobal>

typedef struct hid_device_ hid_device;

// One request/response exchange with an instrument. Every tool and the
// firmware transfer talk to their device through these functions, on their
// own buffers and handle.
namespace hid {

constexpr int kOutputReportSize = 65; // report ID byte + 64
constexpr int kInputReportSize = 64;

// How long a poll waits for an answer. Long enough for any instrument that
// works, short enough that a device that stopped answering leaves the window
// responsive even at the boot line's 2 ms polling.
constexpr int kPollTimeoutMs = 100;

// Zeroes the whole output report, sets the report ID 0 and the command code.
// The caller then sets the argument bytes.
void beginReport(quint8 *out, quint8 command);

// Writes the whole 65-byte output report and zeroes it again. Returns the
// write's result (the bytes written, or -1). A poll need not look at it: a
// failed write shows itself in the read. A report that is not answered can
// only be checked here.
int sendReport(hid_device *device, quint8 *out);

// Reads one 64-byte input report, waiting at most timeoutMs. Returns the
// number of bytes read; 0 or less means the cycle is abandoned (error or no
// answer in time).
int receiveReport(hid_device *device, quint8 *in, int timeoutMs);

// sendReport then receiveReport: one transaction.
int transact(hid_device *device, quint8 *out, quint8 *in, int timeoutMs = kPollTimeoutMs);

// Big-endian fields of the reports.
inline quint16 readU16(const quint8 *bytes)
{
    return quint16(bytes[0] << 8 | bytes[1]);
}
inline void writeU16(quint8 *bytes, quint16 value)
{
    bytes[0] = quint8(value >> 8);
    bytes[1] = quint8(value);
}
inline void writeU32(quint8 *bytes, quint32 value)
{
    writeU16(bytes, quint16(value >> 16));
    writeU16(bytes + 2, quint16(value));
}

} // namespace hid
