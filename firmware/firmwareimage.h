#pragma once

#include <QtGlobal>

class QString;

// Reading a firmware image file into the transfer's image buffer. Qt Core only.
namespace firmware {

enum class ImageLoad {
    Loaded,     // the whole file is in the buffer, zeros after it
    NoPath,     // no file named: nothing read
    Unreadable, // not a regular file that can be opened (missing, no permission, a directory,
                // a named pipe or a device)
    TooLarge,   // larger than kMaxImageSize: nothing read
    ShortRead,  // the read gave fewer bytes than the file's size (cut while read, read error)
};

// Reads the file at `path` into `image`, which holds kMaxImageSize bytes: the
// file from its start, zeros after it. `size` gets the file's size once the
// file is open (also for a file that is too large); the buffer is left as it
// is unless the result is Loaded or ShortRead.
ImageLoad loadImage(const QString &path, char *image, qint64 &size);

} // namespace firmware
