// The firmware page of the main window: choosing an image file and sending it
// to the instrument in firmware-update mode.
#include "widget.h"

#include "firmware/firmwareimage.h"
#include "firmware/firmwaretransfer.h"
#include "ui_widget.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScopeGuard>

void Widget::delayWithEvents(int ms)
{
    // A monotonic clock: setting the system time during a transfer must not
    // stretch a pause to hours or cut it to nothing.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
}

bool Widget::readFirmwareFile()
{
    const firmware::ImageLoad result =
        firmware::loadImage(firmwarePath, firmwareImage.data(), firmwareSize);
    switch (result) {
    case firmware::ImageLoad::NoPath:
        return false;
    case firmware::ImageLoad::Unreadable:
        firmwareLoaded = false;
        return false;
    case firmware::ImageLoad::TooLarge:
        firmwareLoaded = false;
        firmwarePath.clear();
        ui->filePath_text->clear();
        QMessageBox::information(this, tr("提示"), tr("文件超出规定大小！"), QMessageBox::Ok);
        return false;
    case firmware::ImageLoad::Loaded:
    case firmware::ImageLoad::ShortRead:
        break;
    }
    ui->filePath_text->setText(firmwarePath);
    // A short read (the file cut while it is read, a read error) is not sent.
    firmwareLoaded = result == firmware::ImageLoad::Loaded;
    return firmwareLoaded;
}

void Widget::openFirmwareFile()
{
    firmwarePath = fileDialogs.openFileName(this, QStringLiteral("open"), QStringLiteral("../"),
                                            QStringLiteral("BIN(*.bin);;All files(*)"));
    readFirmwareFile();
}

void Widget::setFirmwareControlsEnabled(bool enabled)
{
    ui->openFile->setEnabled(enabled);
    ui->SendData->setEnabled(enabled);
}

void Widget::sendFirmwareImage()
{
    transferOffset = 0;
    if (!firmwareHandle) {
        QMessageBox::information(this, tr("提示"), tr("设备未连接"), QMessageBox::Ok);
        return;
    }

    firmware::Outcome outcome = firmware::Outcome::Sent;
    {
        // The event loop runs during the transfer: no discovery pass may drop
        // the handle, and no click may start a second transfer inside this one.
        discoveryEnabled = false;
        setFirmwareControlsEnabled(false);
        const auto idleAgain = qScopeGuard([this] {
            transferOffset = 0;
            setFirmwareControlsEnabled(true);
            discoveryEnabled = true;
        });

        if (!readFirmwareFile())
            return; // an oversized file has been reported; no file or unreadable: nothing
        ui->progressBar->setValue(0);

        firmware::Pacing pacing;
        pacing.pause = [this] { delayWithEvents(1); };
        pacing.keepAlive = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 100); };
        pacing.showProgress = [this](int value) { ui->progressBar->setValue(value); };
        outcome =
            firmware::sendImage(firmwareHandle, firmwareWriteBuf, firmwareReadBuf,
                                firmwareImage.constData(), firmwareSize, transferOffset, pacing);
    }
    if (outcome != firmware::Outcome::Sent) {
        qDebug() << "firmware transfer failed:" << firmware::outcomeName(outcome);
        QMessageBox::information(this, tr("提示"), tr("更新失败"), QMessageBox::Ok);
    }
}
