#pragma once

#include "usbhid.h"

#include <QByteArray>
#include <QList>
#include <QString>

typedef struct hid_device_ hid_device;

// The instruments of the family, all of one vendor, told apart by product ID.
namespace devices {
constexpr quint16 kVendorId = 0x2E88;
constexpr quint16 kFirmwareProductId = 0x4606;
constexpr quint16 kMeterProductId = 0x4607;
constexpr quint16 kPowerSupplyProductId = 0x4608;
constexpr quint16 kBootLineProductId = 0x4609;
} // namespace devices

// What discovery keeps per instrument: where the latest enumeration listed
// it, whether it was listed, and the handle held open for it.
struct DeviceLink {
    int deviceIndex = -1;
    bool present = false;
    bool opened = false;
    hid_device *hidDevice = nullptr;
    QByteArray openedPath; // path the handle was opened on

    // Why the latest open failed, for as long as it keeps failing; cleared by
    // a successful open and when the instrument is no longer listed.
    QString openError;       // the HID library's reason; empty when no open failed
    QByteArray failedPath;   // the path that could not be opened
    bool openDenied = false; // the reason is a missing access permission
};

enum class LinkChange {
    None,       // nothing to show
    Connected,  // a handle was opened: show the instrument as connected
    Dropped,    // the handle was dropped: show it as disconnected
    OpenFailed, // listed but could not be opened: stays disconnected, retried next pass
};

namespace discovery {

// Marks the link present with the position of the last entry of the list
// that is this instrument (the one listed last wins), or not present.
void markPresence(DeviceLink &link, const QList<DeviceEntry> &list, quint16 productId);

// Opens, reopens or drops the handle to match the latest enumeration.
// A handle that is dropped is closed. A device listed under another path than
// the one its handle was opened on was unplugged and plugged in again: its
// old handle is dead, so it is replaced.
LinkChange updateLink(DeviceLink &link, const QList<DeviceEntry> &list);

// Closes the link's handle, if one is open, and forgets it.
void closeLink(DeviceLink &link);

} // namespace discovery
