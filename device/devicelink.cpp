#include "devicelink.h"

#include <hidapi.h>

#include <QDebug>

namespace discovery {

void markPresence(DeviceLink &link, const QList<DeviceEntry> &list, quint16 productId)
{
    link.present = false;
    for (int i = 0; i < list.size(); ++i) {
        if (list[i].vendorId == devices::kVendorId && list[i].productId == productId) {
            link.deviceIndex = i;
            link.present = true;
        }
    }
}

static void clearOpenFailure(DeviceLink &link)
{
    link.openError.clear();
    link.failedPath.clear();
    link.openDenied = false;
}

void closeLink(DeviceLink &link)
{
    if (link.hidDevice)
        hid_close(link.hidDevice);
    link.hidDevice = nullptr;
    link.opened = false;
    link.openedPath.clear();
}

LinkChange updateLink(DeviceLink &link, const QList<DeviceEntry> &list)
{
    if (!link.present) {
        clearOpenFailure(link); // nothing listed, nothing that failed to open
        if (!link.opened)
            return LinkChange::None;
        closeLink(link);
        return LinkChange::Dropped;
    }

    const QByteArray path = list.value(link.deviceIndex).path;
    if (link.opened && path == link.openedPath)
        return LinkChange::None;

    const bool wasOpen = link.opened;
    closeLink(link);
    link.hidDevice = hid_open_path(path.constData());
    if (!link.hidDevice) {
        const wchar_t *reason = hid_error(nullptr);
        const QString error = reason ? QString::fromWCharArray(reason) : QString();
        const QString message = error.isEmpty() ? QStringLiteral("unknown error") : error;
        if (message != link.openError)
            qDebug().noquote() << "cannot open HID device" << QString::fromLocal8Bit(path) << ":"
                               << message;
        link.openError = message;
        link.failedPath = path;
        link.openDenied = message.contains(QLatin1String("permission"), Qt::CaseInsensitive);
        return wasOpen ? LinkChange::Dropped : LinkChange::OpenFailed;
    }
    link.opened = true;
    link.openedPath = path;
    clearOpenFailure(link);
    return LinkChange::Connected;
}

} // namespace discovery
