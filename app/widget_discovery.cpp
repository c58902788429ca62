// The one-second discovery pass of the main window.
#include "widget.h"

#include "device/usbhid.h"
#include "tools/bootline/onekeyline.h"
#include "tools/meter/vc_meter.h"
#include "tools/power/adjpower.h"
#include "ui_widget.h"

namespace {
const char kConnectedStyle[] = "color:#00ff00";
const char kDisconnectedStyle[] = "color:#ff0000";
// What gives a user who is not root access to the instruments on Linux: the
// udev rule shipped in packaging/, installed from the source folder.
const char kUdevCommands[] = "\n  sudo cp packaging/70-quorvaline.rules /etc/udev/rules.d/"
                             "\n  sudo udevadm control --reload-rules && sudo udevadm trigger";
} // namespace

QString Widget::modelOf(Tool tool) const
{
    switch (tool) {
    case Tool::PowerSupply:
        return tr("V7204");
    case Tool::BootLine:
        return tr("KRIV");
    case Tool::Meter:
        break;
    }
    return tr("M52");
}

void Widget::discoveryTick()
{
    if (discoveryEnabled)
        discoverDevices();
}

QString Widget::openFailureHint(const DeviceLink &link) const
{
    if (link.openError.isEmpty())
        return QString();
    QString hint =
        tr("无法打开设备 %1：%2").arg(QString::fromLocal8Bit(link.failedPath), link.openError);
    if (link.openDenied)
        hint += QLatin1Char('\n') + tr("没有访问权限：请安装 udev 规则，然后重新插入仪器：") +
                QLatin1String(kUdevCommands);
    return hint;
}

void Widget::showLinkState(QLabel *label, const DeviceLink &link, LinkChange change,
                           const QString &modelText)
{
    // The tooltip says why a listed instrument could not be opened, for as
    // long as that is so.
    label->setToolTip(openFailureHint(link));
    switch (change) {
    case LinkChange::None:
        return;
    case LinkChange::Connected:
        label->setStyleSheet(QLatin1String(kConnectedStyle));
        label->setText(modelText);
        return;
    case LinkChange::Dropped:
    case LinkChange::OpenFailed:
        label->setStyleSheet(QLatin1String(kDisconnectedStyle));
        label->setText(tr("无连接"));
        return;
    }
}

void Widget::discoverDevices()
{
    usbHid->refresh();
    const QList<DeviceEntry> &list = usbHid->deviceList;

    discovery::markPresence(*vcMeter, list, devices::kMeterProductId);
    discovery::markPresence(*adjPower, list, devices::kPowerSupplyProductId);
    discovery::markPresence(*oneKeyLine, list, devices::kBootLineProductId);
    discovery::markPresence(firmwareLink, list, devices::kFirmwareProductId);

    const LinkChange meter = discovery::updateLink(*vcMeter, list);
    if (meter == LinkChange::Connected) {
        vcMeter->chartRunning = true;
        ui->vcMeter_chartStart->setText(tr("暂停"));
    } else if (meter == LinkChange::Dropped) {
        markRecordingGap(Tool::Meter);
        vcMeter->chartRunning = false;
        ui->vcMeter_chartStart->setText(tr("开始"));
    }
    showLinkState(ui->vcMeterDeviceID, *vcMeter, meter, modelOf(Tool::Meter));

    const LinkChange power = discovery::updateLink(*adjPower, list);
    if (power == LinkChange::Connected) {
        setPowerControlsConnected(true);
        // A new attachment: take the device's stored settings over again.
        adjPower->presetsLoaded = false;
        adjPower->chartRunning = true;
        ui->adjPowChartStart->setText(tr("暂停"));
        applyPowerLimits(30.0, 6.0);
    } else if (power == LinkChange::Dropped) {
        markRecordingGap(Tool::PowerSupply);
        setPowerControlsConnected(false);
        for (QPushButton *light : {ui->cvLight, ui->ccLight, ui->ovpLight, ui->ocpLight})
            light->setChecked(false);
        adjPower->presetsLoaded = false;
        adjPower->chartRunning = false;
        ui->adjPowChartStart->setText(tr("开始"));
        applyPowerLimits(30.0, 5.0);
    }
    showLinkState(ui->adjDeviceID, *adjPower, power, modelOf(Tool::PowerSupply));

    const LinkChange bootLine = discovery::updateLink(*oneKeyLine, list);
    if (bootLine == LinkChange::Dropped)
        markRecordingGap(Tool::BootLine);
    showLinkState(ui->oneKeyLineDeviceID, *oneKeyLine, bootLine, modelOf(Tool::BootLine));

    discovery::updateLink(firmwareLink, list);
}
