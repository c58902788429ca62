#include "regularfile.h"

#include <QFile>
#include <QFileInfo>

namespace regularfile {

bool openForReading(QFile &file)
{
    if (file.fileName().isEmpty() || !QFileInfo(file.fileName()).isFile())
        return false;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // QFile reports every file that is not a regular one as sequential.
    if (file.isSequential()) {
        file.close();
        return false;
    }
    return true;
}

} // namespace regularfile
