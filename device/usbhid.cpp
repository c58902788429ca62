#include "usbhid.h"

#include <hidapi.h>

UsbHid::UsbHid(QObject *parent) : QObject(parent) {}

void UsbHid::refresh()
{
    hid_device_info *devices = hid_enumerate(0, 0);
    deviceList.clear();
    for (hid_device_info *info = devices; info; info = info->next) {
        stagingEntry.vendorId = info->vendor_id;
        stagingEntry.productId = info->product_id;
        stagingEntry.path = QByteArray(info->path ? info->path : "");
        stagingEntry.serialNumber =
            info->serial_number ? QString::fromWCharArray(info->serial_number) : QString();
        stagingEntry.productName =
            info->product_string ? QString::fromWCharArray(info->product_string) : QString();
        deviceList.append(stagingEntry);
    }
    hid_free_enumeration(devices);
}
