#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

// One HID interface of the latest enumeration.
struct DeviceEntry {
    quint16 vendorId = 0;
    quint16 productId = 0;
    QByteArray path; // owned copy, valid after the enumeration is released
    QString serialNumber;
    QString productName;
};

// The list of every HID device of the system, in the order the HID library
// reports them. Nothing is filtered here; discovery picks the instruments.
class UsbHid : public QObject {
    Q_OBJECT
public:
    explicit UsbHid(QObject *parent = nullptr);

    // Re-enumerates every HID device into deviceList.
    void refresh();

    DeviceEntry stagingEntry;
    QList<DeviceEntry> deviceList;
};
