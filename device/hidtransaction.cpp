#include "hidtransaction.h"

#include <hidapi.h>

#include <cstring>

namespace hid {

void beginReport(quint8 *out, quint8 command)
{
    std::memset(out, 0, kOutputReportSize);
    out[0] = 0x00;
    out[1] = command;
}

int sendReport(hid_device *device, quint8 *out)
{
    const int written = hid_write(device, out, kOutputReportSize);
    std::memset(out, 0, kOutputReportSize);
    return written;
}

int receiveReport(hid_device *device, quint8 *in, int timeoutMs)
{
    return hid_read_timeout(device, in, kInputReportSize, timeoutMs);
}

int transact(hid_device *device, quint8 *out, quint8 *in, int timeoutMs)
{
    sendReport(device, out);
    return receiveReport(device, in, timeoutMs);
}

} // namespace hid
