#pragma once

#include "charts/chartexport.h"
#include "analysis/stopconditions.h"
#include "app/alerts.h"
#include "device/devicelink.h"
#include "device/hidtransaction.h"
#include "filedialogs.h"
#include "firmware/firmwarereports.h"
#include "recording/csvwriter.h"

#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class AdjPower;
class BootCheckPanel;
class CustomTitleBar;
class MeasureCursors;
class OneKeyLine;
class QCustomPlot;
class QDateTime;
class QDialog;
class QLabel;
class QTableWidgetItem;
class QMenu;
class QTimer;
class QToolButton;
class UsbHid;
class Vc_Meter;
class Ui_Widget;
struct ChartProfile;
struct LiveChartState;
namespace power {
struct Status;
}
namespace recording {
class ToolRecording;
enum class Instrument;
} // namespace recording

// The program's only window and the owner of everything else: the form, the
// HID device list, the three tool state objects, the title bar, the firmware
// transfer state and all timers. Everything runs on the GUI thread.
//
// Ownership: the timers, the HID device list and the item delegate are Qt
// children of the window; the form's widgets are children of their pages. The
// three tool state objects are QWidgets that are never shown, so they are held
// by unique_ptr rather than by a Qt parent (a child widget would be shown with
// the window and take its clicks).
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

    // Size of the buffer a firmware image is read into: the largest image.
    static constexpr int kFirmwareImageSize = int(firmware::kMaxImageSize);

    // The one-second discovery pass: finds the instruments, opens and drops
    // handles, and brings labels and controls in line.
    void discoverDevices();
    // The discovery timer's tick: one pass unless a firmware transfer runs.
    void discoveryTick();
    // The 100 ms refresh of the reading labels of the page shown.
    void refreshLabels();
    // The 94 ms counting run: charge, energy and time of the meter, then of
    // the power supply.
    void accumulateCounts();
    // Carries out at once every redraw that waits for the display's rate (the
    // three charts, the boot line's readings): the window then shows what the
    // last polls left. For pictures of the window and for tests.
    void flushRedraws();
    // Empties a tool's chart: meter, power supply or boot line.
    enum class Tool { Meter, PowerSupply, BootLine };
    void clearChart(Tool tool);

    // Recording a tool to a CSV file, from its chart's context menu; several
    // tools may record at once. While a tool records, its poll runs also
    // when its page is hidden.
    // Starts recording the tool to the file (an existing one is emptied);
    // false, after a message box saying why, when it cannot.
    bool startRecording(Tool tool, const QString &fileName);
    void stopRecording(Tool tool);
    bool recordsToDisk(Tool tool) const;
    // Brings the tool's recording status text up to date.
    void showRecordingStatus(Tool tool);
    // The context menu of a tool's chart, built as a right click opens it:
    // record to file, stop recording, export image, export CSV. The caller
    // shows it; it deletes itself when closed.
    QMenu *chartMenu(Tool tool);
    // Exports the chart as a PNG or PDF image, at its size on screen or at a
    // print size, dark or light, as the file dialog's filter chooses. The
    // picture has a title line, axis titles with units and a legend. It is
    // recorded from the chart as it stands when the dialog closes, then
    // drawn and written on a thread of its own (one picture at a time) while
    // the charts go on; when the writing ends, a message says the file is
    // written or could not be.
    void exportChartImage(Tool tool);
    // Chart pictures given for writing and not yet written (or reported).
    int chartImagesPending() const;
    // The title line of the tool's pictures: the instrument, with its model
    // while it is connected, the first and last sample's times when both are
    // given (valid), and the time of the export.
    QString pictureTitle(Tool tool, const QDateTime &exported, const QDateTime &firstSample,
                         const QDateTime &lastSample) const;
    // What the tool's pictures say besides the chart: the title line, the
    // axis titles with units (the bottom one the sample number).
    chartexport::Captions pictureCaptions(Tool tool, const QDateTime &exported) const;
    // The instrument's model as its device label shows it when connected.
    QString modelOf(Tool tool) const;
    // Exports the chart's series as a CSV file.
    void exportChartCsv(Tool tool);
    QCustomPlot *chartOf(Tool tool) const;
    // Measuring on a tool's chart (widget_measure.cpp): the context menu's
    // measure, copy, time axis and open recording entries; the cursors shown
    // or removed (true when shown), at the last right click's position; the
    // readout to the clipboard; the elapsed-time bottom axis; a recording of
    // the tool loaded into its chart with its times (false, after a message
    // saying why, when the file is refused: the chart stays as it was).
    void addMeasureActions(QMenu *menu, Tool tool);
    bool toggleMeasure(Tool tool);
    MeasureCursors *measureCursors(Tool tool) const;
    void copyMeasurement(Tool tool);
    bool showsTimeAxis(Tool tool) const;
    void toggleTimeAxis(Tool tool);
    bool openRecording(Tool tool, const QString &fileName);
    // Where the last right click on a chart was, in the chart's pixels.
    QPoint chartMenuPosition{-1, -1};
    // The chart state (graphs, tags, recording flags) the tool object keeps.
    LiveChartState &chartStateOf(Tool tool) const;

    // Reads the file named by firmwarePath into firmwareImage; false when
    // there is no path, the file cannot be read, or it is larger than the
    // largest image (which is reported, and the path forgotten).
    bool readFirmwareFile();
    // Lets the event loop run until at least ms milliseconds have passed.
    void delayWithEvents(int ms);

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
    quint8 firmwareWriteBuf[hid::kOutputReportSize] = {};
    quint8 firmwareReadBuf[firmware::kReadBufferSize] = {};
    bool firmwareLoaded = false;
    // Image bytes sent by the transfer that runs; 0 whenever none runs.
    qint64 transferOffset = 0;
    // Where the chart file and firmware handlers get their file names; tests
    // answer here instead of a real dialog.
    FileDialogs fileDialogs;
    // Runs one of the window's own dialogs (the boot references'): exec()
    // unless a test answers in its place.
    std::function<int(QDialog &)> runDialog;
    // Per tool (index Tool): its recording and the status text under its
    // device label.
    recording::ToolRecording *recordings[3] = {};
    QLabel *recordingLabels[3] = {};
    QTimer *recordingStatusTimer = nullptr;
    // Writes the chart pictures; made with the first export. A child of the
    // window: when the window goes, it waits for the pictures still being
    // written.
    chartexport::PictureWriter *pictureWriter = nullptr;
    std::unique_ptr<Vc_Meter> vcMeter;
    std::unique_ptr<AdjPower> adjPower;
    std::unique_ptr<OneKeyLine> oneKeyLine;
    // The boot line page's boot check (listens to oneKeyLine, so it goes
    // first).
    std::unique_ptr<BootCheckPanel> bootCheck;

    // Stop conditions of the meter (index 0) and the power supply (1), from
    // the chart menu's "Stop conditions…"; each set follows its tool's engine
    // (declared after the tools, so that it goes first). While a set is
    // armed, or the supply's output is on its way off, the tool is polled on
    // every page, as while it records.
    std::unique_ptr<stopcond::StopConditions> stopConditions[2];
    // The set each dialog starts from: the one armed last.
    stopcond::Setup lastStopSetup[2];
    // On each page: the line with the armed conditions and how far each is,
    // and the banner of a set that fired, which stays until acknowledged.
    QLabel *stopProgressLabels[2] = {};
    QWidget *stopBanners[2] = {};
    QLabel *stopBannerTexts[2] = {};
    QTimer *stopConditionsTimer = nullptr;
    // The power supply's counting held by a fired set until it is cleared.
    bool powerCountingHeld = false;
    // Asks which set to arm: the dialog, or a test's answer. Null for
    // cancel; a set without conditions disarms.
    std::function<std::optional<stopcond::Setup>(Tool tool, const stopcond::Setup &last,
                                                 bool armedNow, const QString &armedText)>
        askStopConditions;
    // The tone and the desktop notification of a fired set; tests put their
    // own here.
    alerts::Outputs alertOutputs;

    // The chart menu's "Stop conditions…": asks, then arms or disarms.
    void editStopConditions(Tool tool);
    // Arms the tool's set from now (the meter's without the output-off), or
    // disarms it for a set without conditions.
    void armStopConditions(Tool tool, const stopcond::Setup &setup);
    bool stopConditionsNeedPolls(Tool tool) const;
    // The user acknowledges the tool's banner: it goes.
    void acknowledgeStopBanner(Tool tool);
    // Brings the tool's line of armed conditions up to date.
    void showStopProgress(Tool tool);
    // The 250 ms pass: the time conditions of tools that give no samples,
    // and the lines.
    void tickStopConditions();
    // Words for a condition and for what a set holds, in the window's language.
    QString stopConditionWords(const stopcond::Condition &condition) const;
    QString armedStopText(Tool tool) const;
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
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The edge or corner code of the zone under a global position; 0 where
    // there is none, while the window is maximised or resizing is disabled.
    int edgeUnder(const QPoint &globalPos) const;
    // During a resize, one resize step of the edge picked by the press;
    // otherwise the cursor shape of the zone under the cursor.
    void updateResizeEdge(const QPoint &globalPos);
    // Back to no resize, title bar drags allowed, arrow cursor.
    void endResize();
    void wireControls();
    void openFirmwareFile();
    void sendFirmwareImage();
    void setFirmwareControlsEnabled(bool enabled);
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
    // The device label's tooltip while a listed instrument cannot be opened:
    // path and reason, and for a missing permission how to install the udev
    // rule. Empty when nothing failed.
    QString openFailureHint(const DeviceLink &link) const;
    void refreshMeterLabels();
    void refreshPowerCountLabels();
    // Power supply page: readings, set-points, presets and switches.
    void refreshPowerReadings();
    void applySelectedPreset();
    void formatVoltageEdit();
    void formatCurrentEdit();
    // An edited set-point text into the selected preset (voltage or current)
    // and into the next request.
    void storePresetSetpoint(const QString &text, bool voltage);
    void selectPreset(int slot);
    void takeOverPowerSettings(const power::Status &status);
    void showSetpointsOnDials();
    // Moves the dials to these units (clamped to their ranges); their edits
    // and the selected preset follow.
    void showUnitsOnDials(int voltageUnits, int currentUnits);
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
    // Starts the boot line's poll timer again if its poll stopped it.
    void resumeBootLinePoll();
    void countMeter();
    void countPower();
    // Program mode of the power supply page (tools/power/programpage.cpp).
    void setupProgramPage();
    void showPowerMode(int page);
    void switchPowerOutput(bool on);
    void addProgramRow();
    void deleteProgramRow();
    void normaliseProgramCell(QTableWidgetItem *item);
    void correctStartPosition();
    void correctStopPosition();
    void correctCycleCount();
    void setProgramEditsEnabled(bool enabled);
    void startProgram();
    void advanceStep();
    void stopProgram();
    void applyProgramStep(int index);
    // The program table file.
    void exportProgramTable();
    void importProgramTable();
    void setupRecording();
    void setupStopConditions();
    // After a poll (or the time's pass): what a set that has just fired does.
    void handleStopFiring(Tool tool);
    void showStopBanner(Tool tool);
    // The tool's instrument went away: its engine tells its listeners (a
    // recording marks the gap).
    void markRecordingGap(Tool tool);
    // The tool's chart hears of its instrument's gaps.
    void followGaps(Tool tool);
    void recordingFailed(Tool tool, recording::CsvWriter::Failure failure, const QString &detail);
    // The chart data file handlers, one body for the three tools.
    void saveChartFile(Tool tool);
    void openChartFile(Tool tool);

    // During a resize, the window rectangle last asked for.
    QRect resizeRect;
    // Per stop set: fired and not yet carried out; its time on the wall
    // clock; the supply's answer confirmed the output off; no desktop
    // notification service took the alert.
    bool m_stopFiredUnhandled[2] = {};
    QString m_stopFiredAt[2];
    bool m_outputOffConfirmed = false;
    bool m_noNotificationService[2] = {};
};

// The instrument whose recordings a tool writes and opens.
recording::Instrument instrumentOf(Widget::Tool tool);
