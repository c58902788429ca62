#pragma once

#include <QtGlobal>

#include <functional>

typedef struct hid_device_ hid_device;

// Sending a firmware image to an instrument in firmware-update mode, stop and
// wait: announce the size, begin, then one data report at a time, each
// acknowledged by the device before the next goes out, except the last; then
// the end command.
namespace firmware {

// How long the transfer waits for an answer. Before its first answer the
// device erases its flash, which can take seconds; later answers come within
// milliseconds.
constexpr int kFirstAnswerTimeoutMs = 10000;
constexpr int kAnswerTimeoutMs = 1000;
// A wait for an answer is read in slices of this length, so that the window
// can be kept alive between them.
constexpr int kWaitSliceMs = 50;

enum class Outcome {
    Sent,         // every data report and the end command went out
    InvalidImage, // empty or larger than 1 MiB: nothing was sent
    Refused,      // the device answered something other than ready
    NoAnswer,     // the device did not answer in time
    Lost,         // a write or a read failed: the device has gone
};

const char *outcomeName(Outcome outcome);

// What the caller does while the transfer runs.
struct Pacing {
    std::function<void()> pause;           // after each data report, before the answer is read
    std::function<void()> keepAlive;       // between the slices of a wait for an answer
    std::function<void(int)> showProgress; // a progress value 0-100 after a data report
    int firstAnswerTimeoutMs = kFirstAnswerTimeoutMs;
    int answerTimeoutMs = kAnswerTimeoutMs;
};

// Sends the first imageSize bytes of image to the device through the caller's
// 65-byte output buffer and kReadBufferSize-byte input buffer. `offset`
// counts the image bytes sent while the transfer runs and is 0 again when it
// returns, however it ends. A refusal, a missing answer or a failed write or
// read ends the transfer at once: after a failure no end command is sent.
Outcome sendImage(hid_device *device, quint8 *writeBuf, quint8 *readBuf, const char *image,
                  qint64 imageSize, qint64 &offset, const Pacing &pacing);

} // namespace firmware
