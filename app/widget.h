#pragma once

#include "device/devicelink.h"

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <QWidget>

class AdjPower;
class CustomTitleBar;
class OneKeyLine;
class QLabel;
class QTimer;
class QToolButton;
class UsbHid;
class Vc_Meter;
class Ui_Widget;
struct ChartProfile;
namespace power {
struct Status;
}

// The program's only window and the owner of everything else: the form, the
// HID device list, the three tool state objects, the title bar, the firmware
// transfer state and all timers. Everything runs on the GUI thread.
class Widget : public QWidget {
    Q_OBJECT
public:
    explicit Widget(QWidget *parent = nullptr);
    ~Widget() override;

    // Pages of toolsStackedWidget, and the chart view of adjPowView.
    enum ToolPage { MeterPage = 0, PowerPage = 1, BootLinePage = 2 };
    static constexpr int kPowerChartView = 0;
    static constexpr int kPowerGaugeView = 1;

    // The five tool buttons, in the order of the pages they select.
    QList<QToolButton *> toolButtons() const;

    // Size of the buffer a firmware image is read into.
    static constexpr int kFirmwareImageSize = 1048576;

    // The one-second discovery pass: finds the instruments, opens and drops
    // handles, and brings labels and controls in line.
    void discoverDevices();
    // The discovery timer's tick: one pass unless a firmware transfer runs.
    void discoveryTick();
    // The 100 ms refresh of the reading labels of the page shown.
    void refreshLabels();
    // The 94 ms integration of charge, energy and time.
    void accumulateCounts();
    // Empties a tool's chart: meter, power supply or boot line.
    enum class Tool { Meter, PowerSupply, BootLine };
    void clearChart(Tool tool);

    QByteArray firmwareImage;
    char textBuffer[128] = {};
    DeviceLink firmwareLink;
    int &firmwareDeviceIndex = firmwareLink.deviceIndex;
    bool &firmwarePresent = firmwareLink.present;
    bool &firmwareOpened = firmwareLink.opened;
    hid_device *&firmwareHandle = firmwareLink.hidDevice;
    bool discoveryEnabled = true;
    qint64 firmwareSize = 0;
    QString firmwarePath;
    quint8 firmwareWriteBuf[65] = {};
    quint8 firmwareReadBuf[128] = {};
    bool firmwareLoaded = false;
    Vc_Meter *vcMeter = nullptr;
    AdjPower *adjPower = nullptr;
    OneKeyLine *oneKeyLine = nullptr;
    UsbHid *usbHid = nullptr;
    QTimer *meterPollTimer = nullptr;
    QTimer *displayTimer = nullptr;
    QTimer *accumulateTimer = nullptr;
    QTimer *programTimer = nullptr;
    QTimer *discoveryTimer = nullptr;
    CustomTitleBar *titleBar = nullptr;
    int resizeMarginMin = 0;
    int resizeMarginMax = 10;
    Ui_Widget *ui = nullptr;
    QPoint lastMousePos;
    QPoint mouseDelta;
    int resizeEdge = 0;
    bool resizing = false;
    bool leftPressed = false;
    bool resizeEnabled = true;

private slots:
    void vcMeterTimerSlot();
    void adjPowerChartProcess();
    void oneKeyLineChartProcess();
    void vcMeterRangeChangeEvent();
    void adjPowerRangeChangeEvent();
    void oneKeyLineChartRangeChangeEvent();
    void on_vcMeter_fpsComboBox_currentIndexChanged(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    // Picks the edge or corner under the cursor, shows its cursor shape and,
    // while the left button is held, resizes the window by one step.
    void updateResizeEdge(const QPoint &globalPos);
    void wireControls();
    void showToolPage(int index);
    void publishShownPages();
    bool toolPageShown(ToolPage page) const;
    void setupMeterPage();
    void setupPowerPage();
    void setupBootLinePage();
    void applyPowerLimits(double maxVoltage, double maxCurrent);
    void setPowerControlsConnected(bool connected);
    void showLinkState(QLabel *label, const DeviceLink &link, LinkChange change,
                       const QString &modelText);
    void refreshMeterLabels();
    void refreshPowerCountLabels();
    // Power supply page: readings, set-points, presets and switches.
    void refreshPowerReadings();
    void applySelectedPreset();
    void formatVoltageEdit();
    void formatCurrentEdit();
    void storePresetVoltage(const QString &text);
    void storePresetCurrent(const QString &text);
    void selectPreset(int slot);
    void takeOverPowerSettings(const power::Status &status);
    void showSetpointsOnDials();
    void forgetPowerSelection();
    void showPowerChartView();
    void showPowerGaugeView();
    void togglePowerRecording();
    void spreadEmptyPowerTags();
    void toggleMeterRecording();
    void toggleMeterCounting();
    void resetMeterCounts();
    void applyMeterRate(int index);
    void toggleBootLineChart();
    // "hh:mm:ss" of a count of tenths of a second; hours are not wrapped.
    QString countTimeText(quint32 ticks);
    static void addCounts(double &chargeMah, double &energyMwh, quint32 &countTicks, double amps,
                          double watts);
};
