#include "firmwarereports.h"

#include "device/hidtransaction.h"

#include <algorithm>
#include <cstring>

namespace firmware {

void buildAnnouncement(quint8 *out, quint32 imageSize)
{
    hid::beginReport(out, kSizeCommand);
    hid::writeU32(out + kSizeField, imageSize);
}

void buildBegin(quint8 *out, quint32 imageSize)
{
    buildAnnouncement(out, imageSize);
    out[1] = kBeginCommand;
}

void buildDataReport(quint8 *out, const char *image, qint64 imageSize, qint64 offset)
{
    hid::beginReport(out, kDataCommand);
    const qint64 bytes = std::clamp<qint64>(imageSize - offset, 0, kChunkSize);
    if (bytes > 0)
        std::memcpy(out + kDataField, image + offset, size_t(bytes));
}

void buildEndReport(quint8 *out)
{
    hid::beginReport(out, kEndCommand);
}

qint64 dataReportCount(qint64 imageSize)
{
    return imageSize <= 0 ? 0 : (imageSize + kChunkSize - 1) / kChunkSize;
}

int progressValue(qint64 sent, qint64 imageSize)
{
    if (sent >= imageSize)
        return 100;
    if (imageSize < 100) // a hundredth of the image is less than a byte
        return int(sent * 100 / imageSize);
    const qint64 value = sent / (imageSize / 100);
    return value <= 100 ? int(value) : kKeepProgress;
}

} // namespace firmware
