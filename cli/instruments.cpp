#include "cli/instruments.h"

#include "cli/cli.h"
#include "device/usbhid.h"

namespace cli {

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Meter:
        return QStringLiteral("meter");
    case Kind::PowerSupply:
        return QStringLiteral("power");
    case Kind::BootLine:
        return QStringLiteral("boot");
    case Kind::Firmware:
        break;
    }
    return QStringLiteral("firmware");
}

QString modelName(Kind kind)
{
    switch (kind) {
    case Kind::Meter:
        return QStringLiteral("M52");
    case Kind::PowerSupply:
        return QStringLiteral("V7204");
    case Kind::BootLine:
        return QStringLiteral("KRIV");
    case Kind::Firmware:
        break;
    }
    return QStringLiteral("firmware update");
}

quint16 productId(Kind kind)
{
    switch (kind) {
    case Kind::Meter:
        return devices::kMeterProductId;
    case Kind::PowerSupply:
        return devices::kPowerSupplyProductId;
    case Kind::BootLine:
        return devices::kBootLineProductId;
    case Kind::Firmware:
        break;
    }
    return devices::kFirmwareProductId;
}

bool parseToolKind(const QString &text, Kind *kind)
{
    if (text == QLatin1String("meter")) {
        *kind = Kind::Meter;
    } else if (text == QLatin1String("power") || text == QLatin1String("power-supply")) {
        *kind = Kind::PowerSupply;
    } else if (text == QLatin1String("boot") || text == QLatin1String("boot-line")) {
        *kind = Kind::BootLine;
    } else {
        return false;
    }
    return true;
}

QList<Instrument> findInstruments()
{
    UsbHid list;
    list.refresh();
    QList<Instrument> found;
    for (const DeviceEntry &entry : list.deviceList) {
        if (entry.vendorId != devices::kVendorId)
            continue;
        for (Kind kind : {Kind::Meter, Kind::PowerSupply, Kind::BootLine, Kind::Firmware}) {
            if (entry.productId == productId(kind))
                found.append({kind, entry});
        }
    }
    return found;
}

int openInstrument(Kind kind, const Choice &choice, DeviceLink &link, QString *message)
{
    UsbHid list;
    list.refresh();
    // The chosen entry, or the last one of the kind, as discovery takes it.
    int index = -1;
    for (int i = 0; i < list.deviceList.size(); ++i) {
        const DeviceEntry &entry = list.deviceList[i];
        if (entry.vendorId != devices::kVendorId || entry.productId != productId(kind))
            continue;
        if (!choice.path.isEmpty() && QString::fromLocal8Bit(entry.path) != choice.path)
            continue;
        if (!choice.serial.isEmpty() && entry.serialNumber != choice.serial)
            continue;
        index = i;
    }
    if (index < 0) {
        QString which = QStringLiteral("no %1 found").arg(kindName(kind));
        if (!choice.path.isEmpty())
            which += QStringLiteral(" at %1").arg(choice.path);
        if (!choice.serial.isEmpty())
            which += QStringLiteral(" with serial number %1").arg(choice.serial);
        *message = which;
        return NoInstrument;
    }
    link.deviceIndex = index;
    link.present = true;
    if (discovery::updateLink(link, list.deviceList) == LinkChange::OpenFailed || !link.hidDevice) {
        *message =
            QStringLiteral("cannot open the %1 at %2: %3")
                .arg(kindName(kind), QString::fromLocal8Bit(link.failedPath), link.openError);
        if (link.openDenied)
            *message += QLatin1Char('\n') + udevHint();
        return NoInstrument;
    }
    return Done;
}

bool stillListed(const DeviceLink &link)
{
    UsbHid list;
    list.refresh();
    for (const DeviceEntry &entry : list.deviceList) {
        if (entry.path == link.openedPath)
            return true;
    }
    return false;
}

QString udevHint()
{
    return QStringLiteral(
        "no permission: install the udev rule (the package does; from the sources:\n"
        "  sudo cp packaging/70-quorvaline.rules /etc/udev/rules.d/\n"
        "  sudo udevadm control --reload-rules && sudo udevadm trigger)\n"
        "and plug the instrument in again");
}

} // namespace cli
