#include "widget.h"

#include "adswidget.h"
#include "charts/livechart.h"
#include "customtitlebar.h"
#include "readinglabel.h"
#include "device/usbhid.h"
#include "tools/bootline/bootcheckpanel.h"
#include "tools/bootline/onekeyline.h"
#include "tools/meter/vc_meter.h"
#include "tools/power/adjpower.h"
#include "ui_widget.h"

#include <QCoreApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

Widget::Widget(QWidget *parent) : QWidget(parent), firmwareImage(kFirmwareImageSize, '\0')
{
    ui = new Ui_Widget;
    ui->setupUi(this);

    setWindowFlags(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_Hover, true);

    firmwareLoaded = false;
    firmwareHandle = nullptr;
    firmwarePresent = false;
    firmwareOpened = false;
    discoveryEnabled = true;
    firmwareImage.fill('\0');

    usbHid = new UsbHid(this);
    runDialog = [](QDialog &dialog) { return dialog.exec(); };

    titleBar = new CustomTitleBar(this);
    ui->titleLayout->addWidget(titleBar);
    titleBar->iconLabel->setPixmap(QPixmap(QStringLiteral(":/image/ZEL_logo.png")));
    // Presses in the edge zones over child widgets reach the resize logic
    // before the children (eventFilter).
    QCoreApplication::instance()->installEventFilter(this);

    ui->mainStackedWidget->setCurrentIndex(0);
    ui->toolsStackedWidget->setCurrentIndex(0);
    ui->vCToolButton->setChecked(true);

    auto *banner = new AdsWidget;
    banner->setImageNames(QStringLiteral(":/image/logo_union_zel.png"));
    banner->setBannerFixedSize(QSize(0, 0));
    banner->setBannerStyle(1);
    banner->setInterval(1000000);
    auto *bannerLayout = new QVBoxLayout;
    bannerLayout->setContentsMargins(0, 0, 0, 0);
    bannerLayout->addWidget(banner);
    ui->ad_Widget->setLayout(bannerLayout);

    programTimer = new QTimer(this);
    programTimer->stop();

    wireControls();

    setupMeterPage();
    setupPowerPage();
    setupBootLinePage();
    setupRecording();
    setupStopConditions();
    publishShownPages();

    applyPowerLimits(adjPower->maxVoltage, adjPower->maxCurrent);

    displayTimer = new QTimer(this);
    displayTimer->start(100);
    connect(displayTimer, &QTimer::timeout, this, &Widget::refreshLabels);

    discoveryTimer = new QTimer(this);
    connect(discoveryTimer, &QTimer::timeout, this, &Widget::discoveryTick);
    discoveryTimer->start(1000);

    applyMeterRate(ui->vcMeter_fpsComboBox->currentIndex());

    accumulateTimer = new QTimer(this);
    connect(accumulateTimer, &QTimer::timeout, this, &Widget::accumulateCounts);
    accumulateTimer->start(94);

    vcMeter->pollIntervalMs = 47;

    connect(ui->vcMeter_chartStart, &QPushButton::clicked, this, &Widget::toggleMeterRecording);

    meterPollTimer = new QTimer(this);
    connect(meterPollTimer, &QTimer::timeout, this, [this] { vcMeterTimerSlot(); });
    meterPollTimer->start(vcMeter->pollIntervalMs);

    adjPower->hidDevice = nullptr;
    adjPower->opened = false;
    setPowerControlsConnected(false);
    adjPower->chartRunning = false;
    ui->adjPowChartStart->setText(tr("开始"));

    for (QPushButton *light : {ui->cvLight, ui->ccLight, ui->ovpLight, ui->ocpLight})
        light->setChecked(false);

    adjPower->pollTimer->start(48);
    oneKeyLine->pollTimer->start(2);
}

Widget::~Widget()
{
    // Nothing may poll, count or refresh while the parts go: stop every timer
    // first (they are children of the window and go with it, after the tool
    // state objects).
    for (QTimer *timer :
         {meterPollTimer, displayTimer, accumulateTimer, programTimer, discoveryTimer,
          adjPower->pollTimer, oneKeyLine->pollTimer, stopConditionsTimer})
        timer->stop();
    QCoreApplication::instance()->removeEventFilter(this);
    // The handles still open are closed, as the end of the process would; a
    // transfer cannot be running, since the window is only destroyed outside
    // its event loop. A maxima scan still in flight owns what it reads and
    // drops its result with the tool's watcher.
    for (DeviceLink *link :
         {static_cast<DeviceLink *>(vcMeter.get()), static_cast<DeviceLink *>(adjPower.get()),
          static_cast<DeviceLink *>(oneKeyLine.get()), &firmwareLink})
        discovery::closeLink(*link);
    delete ui;
}

void Widget::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
}

void Widget::wireControls()
{
    connect(ui->homeButton, &QToolButton::clicked, this,
            [this] { ui->mainStackedWidget->setCurrentIndex(0); });
    connect(ui->firmwareButton, &QToolButton::clicked, this,
            [this] { ui->mainStackedWidget->setCurrentIndex(1); });
    connect(ui->openFile, &QPushButton::clicked, this, &Widget::openFirmwareFile);
    connect(ui->SendData, &QPushButton::clicked, this, &Widget::sendFirmwareImage);

    const QList<QToolButton *> buttons = toolButtons();
    for (int page = 0; page < buttons.size(); ++page)
        connect(buttons[page], &QToolButton::clicked, this, [this, page] { showToolPage(page); });

    // The background maxima scans check, when they start, whether their page
    // is still shown; they cannot ask the widgets from their pool thread.
    connect(ui->toolsStackedWidget, &QStackedWidget::currentChanged, this,
            &Widget::publishShownPages);
    connect(ui->adjPowView, &QStackedWidget::currentChanged, this, &Widget::publishShownPages);

    connect(ui->vcMeterClrPushButton, &QPushButton::clicked, this,
            [this] { clearChart(Tool::Meter); });
    connect(ui->vcMeter_countStart, &QPushButton::clicked, this, &Widget::toggleMeterCounting);
    connect(ui->vcMeterCountResetButton, &QPushButton::clicked, this, &Widget::resetMeterCounts);
    connect(ui->vcMeterChartSaveButton, &QPushButton::clicked, this,
            [this] { saveChartFile(Tool::Meter); });
    connect(ui->vcMeterChartOpenButton, &QPushButton::clicked, this,
            [this] { openChartFile(Tool::Meter); });

    connect(ui->adjPowChartSaveButton, &QPushButton::clicked, this,
            [this] { saveChartFile(Tool::PowerSupply); });
    connect(ui->adjPowChartClearButton, &QPushButton::clicked, this,
            [this] { clearChart(Tool::PowerSupply); });
    connect(ui->adjPowChartOpenButton, &QPushButton::clicked, this,
            [this] { openChartFile(Tool::PowerSupply); });

    connect(ui->oneKeyLineChartSwitch, &QPushButton::clicked, this, &Widget::toggleBootLineChart);
    connect(ui->oneKeyLineOn, &QPushButton::pressed, this, [this] { oneKeyLine->trigger = 1; });
    connect(ui->oneKeyLineOn, &QPushButton::released, this, [this] { oneKeyLine->trigger = 0; });
    connect(ui->oneKeyLineChartOpen, &QPushButton::clicked, this,
            [this] { openChartFile(Tool::BootLine); });
    connect(ui->oneKeyLineClearButton, &QPushButton::clicked, this,
            [this] { clearChart(Tool::BootLine); });
    connect(ui->oneKeyLineChartSave, &QPushButton::clicked, this,
            [this] { saveChartFile(Tool::BootLine); });
}

QList<QToolButton *> Widget::toolButtons() const
{
    return {ui->vCToolButton, ui->adjPowToolButton, ui->ironToolButton, ui->hotAirToolButton,
            ui->otherToolButton};
}

void Widget::showToolPage(int index)
{
    ui->toolsStackedWidget->setCurrentIndex(index);
    const QList<QToolButton *> buttons = toolButtons();
    for (int i = 0; i < buttons.size(); ++i)
        buttons[i]->setChecked(i == index);
}

bool Widget::toolPageShown(ToolPage page) const
{
    return ui->toolsStackedWidget->currentIndex() == page;
}

void Widget::publishShownPages()
{
    if (vcMeter)
        vcMeter->setPageShown(toolPageShown(MeterPage));
    if (adjPower)
        adjPower->setPageShown(toolPageShown(PowerPage) &&
                               ui->adjPowView->currentIndex() == kPowerChartView);
    if (oneKeyLine)
        oneKeyLine->setPageShown(toolPageShown(BootLinePage));
    if (toolPageShown(BootLinePage))
        resumeBootLinePoll();
}

void Widget::applyPowerLimits(double maxVoltage, double maxCurrent)
{
    adjPower->maxVoltage = maxVoltage;
    adjPower->maxCurrent = maxCurrent;
    ui->adjVoltageDial->setMaximum(int(100 * adjPower->maxVoltage));
    ui->adjCurrentDial->setMaximum(int(1000 * adjPower->maxCurrent));
}

void Widget::setPowerControlsConnected(bool connected)
{
    const QList<QPushButton *> presets = {ui->adjM1PushButton, ui->adjM2PushButton,
                                          ui->adjM3PushButton, ui->adjM4PushButton,
                                          ui->adjM5PushButton, ui->adjM6PushButton};
    const QList<QPushButton *> controls =
        QList<QPushButton *>{ui->adjON_OFFButton, ui->adjOCPButton, ui->adjOVPButton} + presets;
    for (QPushButton *button : controls) {
        button->setEnabled(connected);
        if (!connected)
            button->setChecked(false);
    }
    if (!connected) {
        for (int i = 0; i < presets.size(); ++i)
            presets[i]->setText(QStringLiteral("M%1").arg(i + 1));
    }
}

void Widget::refreshLabels()
{
    refreshMeterLabels();
    if (toolPageShown(PowerPage)) {
        refreshPowerReadings();
        refreshPowerCountLabels();
    }
}

void Widget::accumulateCounts()
{
    countMeter();
    countPower();
}

void Widget::flushRedraws()
{
    flushRedraw(*vcMeter);
    flushRedraw(*adjPower);
    flushRedraw(*oneKeyLine);
    if (oneKeyLine->readingLabels)
        oneKeyLine->readingLabels->flush();
}

void Widget::clearChart(Tool tool)
{
    switch (tool) {
    case Tool::Meter:
        ::clearChart(ui->Chart_Widget, *vcMeter, meterChartProfile());
        break;
    case Tool::PowerSupply:
        ::clearChart(ui->adjPowChart, *adjPower, powerChartProfile());
        break;
    case Tool::BootLine:
        ::clearChart(ui->oneKeyLineChart, *oneKeyLine, bootLineChartProfile());
        bootCheck->chartCleared();
        break;
    }
}
