// The firmware image loader on any file: the input's bytes, stretched with
// zeros to a length picked by its first two bytes (up to a few kB on either
// side of the 1 MiB limit, sparse on disk). A loaded image must be in the
// buffer as it is on disk, zeros after it, and go out as exactly the data
// reports that carry it.
#include "firmware/firmwareimage.h"
#include "firmware/firmwarereports.h"
#include "fuzzcheck.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstring>

namespace {

const QTemporaryDir &folder()
{
    static const QTemporaryDir dir;
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qint64 length = qint64(size);
    if (size >= 2 && (data[0] & 0x80)) {
        // Near the limit: 1 MiB - 2048 ... 1 MiB + 2047.
        const int offset = ((data[0] & 0x0F) << 8 | data[1]) - 2048;
        length = qMax<qint64>(length, firmware::kMaxImageSize + offset);
    }
    const QString path = folder().filePath(QStringLiteral("image.bin"));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
        FUZZ_CHECK(file.resize(length));
    }

    static QByteArray image(int(firmware::kMaxImageSize), '\0');
    image.fill('\x5A'); // whatever a previous image left
    qint64 loadedSize = -1;
    const firmware::ImageLoad result = firmware::loadImage(path, image.data(), loadedSize);
    FUZZ_CHECK(loadedSize == length);
    if (length > firmware::kMaxImageSize) {
        FUZZ_CHECK(result == firmware::ImageLoad::TooLarge);
        return 0;
    }
    FUZZ_CHECK(result == firmware::ImageLoad::Loaded);
    FUZZ_CHECK(std::memcmp(image.constData(), data, size) == 0);
    for (qint64 i = qint64(size); i < firmware::kMaxImageSize; ++i)
        FUZZ_CHECK(image.at(int(i)) == 0, "byte %lld after the file is not zero", i);

    // The data reports carry the image in order, 60 bytes each, zeros after it.
    const qint64 reports = firmware::dataReportCount(length);
    FUZZ_CHECK(reports * firmware::kChunkSize >= length &&
               (reports - 1) * firmware::kChunkSize < qMax<qint64>(length, 1));
    quint8 out[65];
    int lastProgress = 0;
    for (qint64 r = 0; r < reports; ++r) {
        const qint64 offset = r * firmware::kChunkSize;
        firmware::buildDataReport(out, image.constData(), length, offset);
        FUZZ_CHECK(out[0] == 0 && out[1] == firmware::kDataCommand);
        for (int i = 0; i < firmware::kChunkSize; ++i) {
            const qint64 at = offset + i;
            const quint8 expected =
                at < qint64(size) ? data[at] : 0; // the stretch past the input is zero
            FUZZ_CHECK(out[firmware::kDataField + i] == expected, "report %lld byte %d", r, i);
        }
        const int progress = firmware::progressValue(offset + firmware::kChunkSize, length);
        FUZZ_CHECK(progress == firmware::kKeepProgress ||
                   (progress >= lastProgress && progress <= 100));
        if (progress != firmware::kKeepProgress)
            lastProgress = progress;
    }
    if (reports > 0)
        FUZZ_CHECK(lastProgress == 100);
    return 0;
}
