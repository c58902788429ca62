#include "firmwareimage.h"

#include "firmwarereports.h"
#include "files/regularfile.h"

#include <QFile>
#include <QString>

#include <cstring>

namespace firmware {

ImageLoad loadImage(const QString &path, char *image, qint64 &size)
{
    if (path.isEmpty())
        return ImageLoad::NoPath;
    QFile file(path);
    if (!regularfile::openForReading(file))
        return ImageLoad::Unreadable;
    size = file.size();
    if (size > kMaxImageSize)
        return ImageLoad::TooLarge;
    std::memset(image, 0, size_t(kMaxImageSize));
    // A short read would leave zeros in place of the image's end: such an
    // image must not be sent.
    return file.read(image, size) == size ? ImageLoad::Loaded : ImageLoad::ShortRead;
}

} // namespace firmware
