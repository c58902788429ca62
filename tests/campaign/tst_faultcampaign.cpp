// The fault campaign: the real window on the simulated bench for a few
// thousand polls while the instruments misbehave and a synthesised user works
// every page. From one random seed the campaign plugs and unplugs the meter,
// the power supply, the boot line and the firmware-update device, refuses
// their opening, makes reads fail, come back empty, time out or stall, answers
// late, with another code or with corrupted bytes, trips the supply's
// protections; and in between it switches pages, starts and stops the charts,
// the counting and programs, moves the set-points, picks presets, records to
// CSV files, saves and opens chart files and program tables, and sends small
// firmware images.
//
// The campaign drives discovery, the polls, the label refresh and the
// counting itself, one handler at a time, and lets the event loop run after
// each. It checks:
// - no read of the program may wait longer than a poll's bound, and the
//   event loop never waited for its next turn longer than the reads in
//   between were allowed to wait plus a margin for the handlers' own work,
//   nor longer than three polls' bounds (a step's polls) plus that margin;
// - after every discovery pass each device label names what is attached
//   (and can be opened);
// - every command 7 carries what the power supply's controls showed when it
//   was sent, and the last one what they show at the end;
// - stop conditions armed now and then on the meter and the supply (through
//   the chart menu's entry) fire, and the supply's answers fail as often as
//   not when one switches its output off: from the request after the firing
//   on, every request carries the off (after one read where the supply's
//   settings are not known) until an answer reports the output off, the
//   output button shows off no sooner than an answer does (or the user or
//   the supply's absence does), and at the end no off is left unconfirmed;
// - each chart holds exactly the samples of the answers its instrument's
//   reads handed to the program while the chart recorded, in order, and the
//   values of the chart files opened into it: the simulator logs every report
//   a read returned, and the campaign decodes them itself;
// - a chart file holds its chart's values, a program table opens as it was
//   saved, and every message box says something the window is expected to
//   say;
// - every seed did each kind of thing the campaign is for, to its outcome: a
//   chart file saved and read back, one opened into a chart, a recording that
//   wrote samples, a firmware image that arrived whole, and points of each
//   chart compared. (Program tables are saved and opened again too, but the
//   program page's stretches are short: not every seed gets to both.)
//
// QUORVALINE_CAMPAIGN_SEED replays one seed (printed by every run), and
// QUORVALINE_CAMPAIGN_STEPS sets the number of steps per seed.
#include "charts/livechart.h"
#include "tests/support/testbench.h"

#include <QMenu>
#include <QComboBox>
#include <QDial>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <array>
#include <map>
#include <random>

using testbench::makeWindow;
using Tool = Widget::Tool;

namespace {

// What the window may take for its next turn beyond the waits its reads
// were allowed (each at most a poll's bound, hid::kPollTimeoutMs): the work
// of one step's handlers (three polls with their replots, a discovery pass,
// the user's action: saving or opening a chart file, a message box), on two
// cores that other work keeps busy, also in the sanitizer builds. Measured
// on the release build: 32 to 96 ms for the three seeds alone and beside two
// processes that keep both cores busy, 475 ms once with builds running as
// well (load average 15). The bound leaves twice that again, and a read that
// waited without a bound (a blocking read waits 2 s) still exceeds it; it is
// never tighter than the earlier bound on the whole wait, 500 ms.
constexpr int kWorkMarginMs = 1000;

// What each seed must have done, to its outcome (see Campaign::count).
const char *const kRequiredOutcomes[] = {
    "chart file saved and read back",  "chart file opened into a chart",
    "recording with samples",          "firmware image arrived whole",
    "meter chart points compared",     "power supply chart points compared",
    "boot line chart points compared", "command 7 compared",
};

constexpr int kDefaultSteps = 4000;

constexpr int kBeatMs = 2;

// What the device labels show.
const QString kNotConnected = QStringLiteral("无连接");

// Every text a message box of the window may show while the campaign runs.
const QStringList &expectedBoxTexts()
{
    static const QStringList texts = {
        QStringLiteral("设备未连接!!"),       QStringLiteral("数据不足，无法保存"),
        QStringLiteral("文件打开失败"),       QStringLiteral("表格里没有数据"),
        QStringLiteral("无数据。        "),   QStringLiteral("保存成功。        "),
        QStringLiteral("导入完成。        "), QStringLiteral("文件打开失败。        "),
        QStringLiteral("文件路径错误。"),     QStringLiteral("设备未连接"),
        QStringLiteral("更新失败"),
    };
    return texts;
}

enum Kind { Meter, Power, BootLine, Firmware, KindCount };

const char *const kKindNames[KindCount] = {"meter", "power supply", "boot line", "firmware device"};

std::shared_ptr<sim::DeviceModel> makeModel(Kind kind)
{
    switch (kind) {
    case Meter: {
        auto meter = std::make_shared<sim::MeterModel>();
        meter->startPhoneCharging();
        return meter;
    }
    case Power:
        return std::make_shared<sim::PowerSupplyModel>();
    case BootLine:
        return std::make_shared<sim::BootLineModel>();
    case Firmware:
    case KindCount:
        break;
    }
    return std::make_shared<sim::FirmwareModel>();
}

quint16 u16(const sim::InputReport &report, int at)
{
    return quint16(report[size_t(at)] << 8 | report[size_t(at + 1)]);
}

// The settings a command 7 carries, as the power supply's controls show them.
struct PowerControls {
    bool output, ovp, ocp;
    int slot; // 1-6, 0 for none
    int voltageDial, currentDial;
};

// The values of a chart file, series by series, as the reader of a layout
// takes them: a marker the layout knows opens or closes a series, anything
// else is a value inside an opened series and ignored elsewhere; a token in
// the section of the layout's last end marker ends the reading. Only files
// the window wrote are read here, so every token ends with a comma.
std::array<QVector<double>, 3> chartFileValues(const QByteArray &bytes, bool threeSeries)
{
    const QList<QByteArray> starts =
        threeSeries ? QList<QByteArray>{"vst", "cst", "pst"} : QList<QByteArray>{"cst"};
    const QList<QByteArray> ends =
        threeSeries ? QList<QByteArray>{"vend", "cend", "pend"} : QList<QByteArray>{"cend"};
    std::array<QVector<double>, 3> values;
    int series = -1;
    bool finished = false;
    QList<QByteArray> tokens = bytes.split(',');
    tokens.removeLast(); // what follows the last comma
    for (const QByteArray &token : tokens) {
        if (starts.contains(token)) {
            series = starts.indexOf(token);
            finished = false;
        } else if (ends.contains(token)) {
            series = -1;
            finished = ends.indexOf(token) == ends.size() - 1;
        } else if (finished) {
            break;
        } else if (series >= 0) {
            values[size_t(series)] << token.toDouble();
        }
    }
    return values;
}

class Campaign {
public:
    explicit Campaign(quint32 seed) : m_random(seed), m_stopRandom(seed ^ 0x5707u), m_seed(seed)
    {
        w->fileDialogs.openFileName = [this](QWidget *, const QString &, const QString &,
                                             const QString &) { return m_openAnswer; };
        w->fileDialogs.saveFileName = [this](QWidget *, const QString &, const QString &,
                                             const QString &) { return m_saveAnswer; };
        // No sound device and no session bus: the alerts are counted, and the
        // notification service is there every other time.
        w->alertOutputs.tone = [this] { count("stop tone"); };
        w->alertOutputs.notify = [this](const QString &, const QString &,
                                        std::function<void(bool)> delivered) {
            count("stop notification");
            delivered(stopChance(0.5));
        };
        connect();
    }

    void run(int steps);

    QStringList failures;
    qint64 longestGapMs = 0;
    QByteArray longestGapDuring;
    // The longest the window took for a turn beyond what its reads in
    // between were allowed to wait, and what it was doing then.
    qint64 longestWorkMs = 0;
    QByteArray longestWorkDuring;
    std::map<QString, int> counts; // what happened, for the summary

private:
    // ---- random choices ---------------------------------------------------
    int below(int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(m_random)); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(m_random) < p; }
    // For what happens when a stop set fires, which depends on the clock (a
    // time, a current held for a time): its own stream, so that the user's
    // and the bench's choices stay those of the seed.
    int stopBelow(int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(m_stopRandom)); }
    bool stopChance(double p)
    {
        return std::uniform_real_distribution<double>(0, 1)(m_stopRandom) < p;
    }

    void fail(const QString &what)
    {
        if (failures.size() < 20)
            failures << QStringLiteral("seed %1, step %2: %3").arg(m_seed).arg(m_step).arg(what);
    }
    void count(const char *what) { ++counts[QString::fromLatin1(what)]; }

    // ---- the event loop's turns ------------------------------------------
    // A 2-ms timer notes each turn of the event loop that comes after one:
    // the longest time between two of them is the longest the window kept
    // its user waiting (to within 2 ms). Not a 0-ms timer: one always
    // pending keeps every processEvents() call with a time limit (the
    // firmware transfer's pauses) busy for its whole limit.
    void connect()
    {
        m_beat.setTimerType(Qt::PreciseTimer);
        m_beat.setInterval(kBeatMs);
        QObject::connect(&m_beat, &QTimer::timeout, [this] { beat(); });
        m_beat.start();
        m_sinceBeat.start();
    }
    void beat()
    {
        const qint64 gap = m_sinceBeat.restart();
        const qint64 waits = readWaitsAllowed();
        const qint64 work = gap - (waits - m_waitsAtBeat);
        m_waitsAtBeat = waits;
        if (gap > longestGapMs) {
            longestGapMs = gap;
            longestGapDuring = m_doing;
        }
        if (work > longestWorkMs) {
            longestWorkMs = work;
            longestWorkDuring = m_doing;
        }
    }
    // The waits every read of the program was allowed so far, added up.
    // Reads of an unplugged device end at once, so its sum is final.
    qint64 readWaitsAllowed() const
    {
        qint64 waits = m_waitsOfUnplugged;
        for (int id : m_ids) {
            if (id >= 0)
                waits += sim::bus().readWaitsAllowed(id);
        }
        return waits;
    }
    // No read of a device may have waited longer than a poll's bound.
    void checkReadBound(Kind kind, int id)
    {
        const int longest = sim::bus().longestReadWait(id);
        if (longest > hid::kPollTimeoutMs)
            fail(QStringLiteral("a read of the %1 was allowed to wait %2 ms")
                     .arg(kKindNames[kind])
                     .arg(longest));
    }
    // Names what the window is asked to do in this step, for the longest
    // wait's report.
    void doing(const char *what)
    {
        if (!m_doing.isEmpty())
            m_doing += ", ";
        m_doing += what;
    }
    // After work of the campaign's own (file checks, comparisons), which is
    // not the window's waiting.
    void restartGapClock()
    {
        m_sinceBeat.restart();
        m_waitsAtBeat = readWaitsAllowed();
    }
    void letEventsRun()
    {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        // A pending 0-ms step timer of a program runs in its own turn.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }

    // ---- the bench --------------------------------------------------------
    void plug(Kind kind)
    {
        m_ids[kind] = sim::bus().attach(makeModel(kind));
        m_everIds[kind] << m_ids[kind];
        m_delivered[m_ids[kind]] = 0;
        m_faultsSent[kind] = false;
        m_statusFrom[m_ids[kind]] = false;
        count("plug");
    }
    void unplug(Kind kind)
    {
        checkReadBound(kind, m_ids[kind]);
        m_waitsOfUnplugged += sim::bus().readWaitsAllowed(m_ids[kind]);
        sim::bus().detach(m_ids[kind]);
        m_failingOpen[kind] = false;
        m_opened[kind] = false;
        m_ids[kind] = -1;
        count("unplug");
    }
    void misbehave();
    void discover();
    void checkLabels();

    // ---- the polls --------------------------------------------------------
    void poll(Tool tool);
    void account(Tool tool, const sim::InputReport &report, bool recording, quint8 rateCode);
    void appendExpected(Tool tool, std::initializer_list<double> values)
    {
        int k = 0;
        for (double value : values)
            m_expected[int(tool)][k++] << value;
    }
    PowerControls powerControls() const;
    void checkCommand7(const PowerControls &shown, const std::vector<std::uint8_t> &request);
    void checkOutputOff(bool sent, const std::vector<std::uint8_t> &request, int id);
    void noticeFiring(Tool tool);
    void checkCharts(const char *when);

    // ---- the user ---------------------------------------------------------
    void actOnPage(int page);
    void meterAction();
    void powerAction();
    void programAction();
    void bootLineAction();
    void firmwareAction();
    void chartAction(Tool tool);
    void armStopConditions(Tool tool);
    void recordingAction(Tool tool);
    void saveChart(Tool tool);
    void openChart(Tool tool);
    void click(QAbstractButton *button, const char *what)
    {
        doing(what);
        button->click();
        count(what);
    }
    void showPage(int page);

    LiveChartState &state(Tool tool) const { return w->chartStateOf(tool); }
    Ui_Widget &ui() const { return w.ui(); }
    QList<QPushButton *> presetButtons() const
    {
        return {ui().adjM1PushButton, ui().adjM2PushButton, ui().adjM3PushButton,
                ui().adjM4PushButton, ui().adjM5PushButton, ui().adjM6PushButton};
    }

    testbench::Window w = makeWindow();
    testbench::ModalCloser m_boxes;
    QTemporaryDir m_dir;
    std::mt19937 m_random;
    std::mt19937 m_stopRandom;
    quint32 m_seed;
    int m_step = 0;
    QTimer m_beat;
    QElapsedTimer m_sinceBeat;
    qint64 m_waitsAtBeat = 0;
    qint64 m_waitsOfUnplugged = 0;
    QByteArray m_doing = "start";

    QString m_openAnswer;
    QString m_saveAnswer;
    int m_files = 0;

    int m_ids[KindCount] = {-1, -1, -1, -1};
    QVector<int> m_everIds[KindCount];
    bool m_failingOpen[KindCount] = {};
    bool m_opened[KindCount] = {};                 // what the window must have open after discovery
    std::map<int, size_t> m_delivered;             // reports of each device accounted for
    bool m_faultsSent[KindCount] = {};             // faults since the device was plugged
    int m_lateUntil[KindCount] = {-1, -1, -1, -1}; // the step late answers end

    QVector<double> m_expected[3][3]; // per tool and graph
    int m_meterDecimation = 0;

    struct SavedChart {
        QString path;
        bool threeSeries;
        qint64 values;
    };
    QList<SavedChart> m_charts;
    struct SavedTable {
        QString path;
        QList<QStringList> cells;
        QStringList titles;
    };
    QList<SavedTable> m_tables;
    bool m_recording[3] = {};
    QStringList m_recordingFiles;

    // The stop sets: when each fired last (on the engines' clock).
    qint64 m_firedUs[2] = {-1, -1};
    // Since the supply's set fired with its output-off: the output button
    // showed on then; an answer has reported the output off; the user has
    // switched the output or the mode since.
    bool m_offButtonOnAtFiring = false;
    bool m_offReported = false;
    bool m_outputTouched = false;
    // Ids of supplies a status answer came from.
    std::map<int, bool> m_statusFrom;
};

void Campaign::run(int steps)
{
    // A bench to start with: every instrument plugged.
    for (int kind = 0; kind < KindCount; ++kind)
        plug(Kind(kind));
    discover();
    ui().vcMeter_fpsComboBox->setCurrentIndex(3);

    // The pages in turn (meter, power supply, boot line, firmware), each for
    // a stretch of steps; the user may still switch pages in between.
    const int stretch = 250;
    for (m_step = 0; m_step < steps && failures.isEmpty(); ++m_step) {
        if (m_step % stretch == 0)
            showPage(m_step / stretch % 4);

        // The timers' work, as often relative to each other as the real
        // intervals: the polls every step, the labels and counting every
        // other, discovery every twentieth.
        for (Tool tool : {Tool::Meter, Tool::PowerSupply, Tool::BootLine})
            poll(tool);
        if (m_step % 2 == 0) {
            doing("label refresh");
            w->refreshLabels();
            doing("counting");
            w->accumulateCounts();
        }
        if (m_step % 20 == 0)
            discover();
        if (m_step % 5 == 0) {
            doing("stop conditions' time");
            w->tickStopConditions();
            noticeFiring(Tool::Meter);
            noticeFiring(Tool::PowerSupply);
        }

        for (int kind = 0; kind < KindCount; ++kind) {
            if (m_lateUntil[kind] == m_step && m_ids[kind] >= 0)
                sim::bus().setAnswerDelay(m_ids[kind], 0);
        }
        if (chance(0.08))
            misbehave();
        if (chance(0.12))
            actOnPage(ui().toolsStackedWidget->currentIndex());
        if (chance(0.004))
            showPage(below(5));

        letEventsRun();
        m_doing.clear();
        if (m_step % 500 == 499)
            checkCharts("during the run");
    }
    if (!failures.isEmpty())
        return;

    // The end: every instrument back and well behaved, one more discovery
    // pass, and a poll of the supply on its page sends what its controls show.
    for (int kind = 0; kind < KindCount; ++kind) {
        const int id = m_ids[kind];
        if (id < 0) {
            plug(Kind(kind));
            continue;
        }
        sim::bus().setFailOpen(id, false);
        m_failingOpen[kind] = false;
        sim::bus().setReadBehaviour(id, sim::ReadBehaviour::Normal);
        sim::bus().clearWrongCode(id);
        sim::bus().clearScript(id);
        sim::bus().setAnswerDelay(id, 0);
    }
    discover();
    showPage(Widget::PowerPage);
    doing("final polls");
    // The first may take the settings over; an output-off still on its way
    // may need a few more, while answers queued before come in.
    for (int i = 0; i < 3 || (w->adjPower->outputOffPending() && i < 12); ++i) {
        poll(Tool::PowerSupply);
        letEventsRun();
    }
    const std::vector<std::uint8_t> last = sim::bus().lastWrite(m_ids[Power]);
    if (last.size() != 65 || last[1] != 7)
        fail(QStringLiteral("the supply's last request is no command 7"));
    else
        checkCommand7(powerControls(), last);
    if (w->adjPower->outputOffPending())
        fail(QStringLiteral("a stop condition's output-off is still not confirmed at the end"));
    checkCharts("at the end");

    // Handles of unplugged instruments are all closed again.
    for (int kind = 0; kind < KindCount; ++kind) {
        for (int id : m_everIds[kind]) {
            if (id != m_ids[kind] && sim::bus().openHandles(id) != 0)
                fail(QStringLiteral("an unplugged %1 is still open").arg(kKindNames[kind]));
        }
    }
    for (const testbench::ModalCloser::Box &box : m_boxes.boxes) {
        if (!expectedBoxTexts().contains(box.text) || !box.parentIsWindow)
            fail(QStringLiteral("unexpected message box: %1 / %2").arg(box.title, box.text));
        ++counts[QStringLiteral("box ") + box.text.trimmed()];
    }
    for (int tool = 0; tool < 3; ++tool) {
        if (m_recording[tool])
            w->stopRecording(Tool(tool));
    }
    for (int kind = 0; kind < KindCount; ++kind)
        checkReadBound(Kind(kind), m_ids[kind]);

    // Each recording file has its header, and those that recorded samples
    // are counted.
    for (const QString &name : m_recordingFiles) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) {
            fail(QStringLiteral("a recording file cannot be read"));
            continue;
        }
        const QList<QByteArray> lines = file.readAll().split('\n');
        if (!lines.first().startsWith("time_utc,elapsed_s,"))
            fail(QStringLiteral("a recording file starts with %1")
                     .arg(QString::fromLatin1(lines.first())));
        else if (lines.size() > 2 && !lines[1].isEmpty())
            count("recording with samples");
    }
}

// ---------------------------------------------------------------------------
// The bench misbehaves

void Campaign::misbehave()
{
    const Kind kind = Kind(below(KindCount));
    const int id = m_ids[kind];
    doing("misbehaving bench");
    if (id < 0) {
        if (chance(0.5))
            plug(kind);
        return;
    }
    m_faultsSent[kind] = true;
    int fault = below(10);
    // The firmware device meets no read that comes back empty, hangs or
    // comes late: each would cost a transfer its whole answer timeout (up to
    // 10 s), which the firmware transfer's own tests cover. It is unplugged,
    // refused, fails its reads or answers wrongly instead.
    if (kind == Firmware) {
        static const std::map<int, int> instead = {{3, 2}, {4, 5}, {7, 6}, {8, 0}};
        const auto other = instead.find(fault);
        if (other != instead.end())
            fault = other->second;
    }
    switch (fault) {
    case 0:
        unplug(kind);
        break;
    case 1: {
        // Refused opening: reaches a device not yet opened (a replug).
        const bool refuse = !m_failingOpen[kind];
        sim::bus().setFailOpen(id, refuse, "Permission denied");
        m_failingOpen[kind] = refuse;
        count(refuse ? "open refused" : "open allowed");
        break;
    }
    case 2:
        sim::bus().setReadBehaviour(id, sim::ReadBehaviour::Fail, 1 + below(3));
        count("reads fail");
        break;
    case 3:
        sim::bus().setReadBehaviour(id, sim::ReadBehaviour::Zero, 1 + below(3));
        count("reads empty");
        break;
    case 4:
        sim::bus().setReadBehaviour(
            id, chance(0.5) ? sim::ReadBehaviour::Timeout : sim::ReadBehaviour::Stall, 1);
        count("read stalls");
        break;
    case 5: {
        static const quint8 codes[] = {0, 1, 7, 9, 10, 0x55, 0xFF};
        sim::bus().setWrongCode(id, codes[below(int(sizeof codes))], 1 + below(4));
        count("wrong codes");
        break;
    }
    case 6: {
        // Corrupted answers: random bytes, mostly under a code the tool takes.
        std::vector<sim::InputReport> answers(size_t(1 + below(3)));
        for (sim::InputReport &answer : answers) {
            for (auto &byte : answer)
                byte = quint8(below(256));
            if (chance(0.7))
                answer[0] = quint8(8 + below(2));
        }
        sim::bus().scriptAnswers(id, answers);
        count("corrupted answers");
        break;
    }
    case 7:
        // Late answers for a few steps; one later than a poll waits is read
        // by the next poll.
        sim::bus().setAnswerDelay(id, below(150));
        m_lateUntil[kind] = m_step + 1 + below(10);
        count("late answers");
        break;
    case 8:
        if (kind == Power) {
            auto supply = sim::bus().modelAs<sim::PowerSupplyModel>(id);
            if (chance(0.5))
                supply->setLoad(chance(0.5) ? 0.5 + below(100) : 1e6);
            else
                supply->forceOverVoltage();
            count("supply load or trip");
        }
        break;
    default:
        if (chance(0.5)) {
            unplug(kind);
            plug(kind); // a replug between two discovery passes
        }
        break;
    }
}

void Campaign::discover()
{
    doing("discovery");
    w->discoveryTick();
    count("discovery");
    if (w->discoveryEnabled)
        checkLabels();
}

void Campaign::checkLabels()
{
    const struct {
        Kind kind;
        QLabel *label;
        const char *model;
    } labels[] = {
        {Meter, ui().vcMeterDeviceID, "M52"},
        {Power, ui().adjDeviceID, "V7204"},
        {BootLine, ui().oneKeyLineDeviceID, "KRIV"},
    };
    count("device labels compared");
    for (const auto &l : labels) {
        // A refused opening keeps a device from being opened, not one that
        // is open from working on.
        bool &opened = m_opened[l.kind];
        opened = m_ids[l.kind] >= 0 && (opened || !m_failingOpen[l.kind]);
        const bool usable = opened;
        const QString expected = usable ? QString::fromLatin1(l.model) : kNotConnected;
        if (l.label->text() != expected)
            fail(QStringLiteral("the %1 label reads %2 with %3 attached")
                     .arg(kKindNames[l.kind], l.label->text(),
                          usable ? QStringLiteral("one") : QStringLiteral("none usable")));
    }
}

// ---------------------------------------------------------------------------
// The polls and what they must have charted

void Campaign::poll(Tool tool)
{
    static const char *const pollSlots[3] = {"vcMeterTimerSlot", "adjPowerChartProcess",
                                             "oneKeyLineChartProcess"};
    static const char *const names[3] = {"meter poll", "power supply poll", "boot line poll"};
    const Kind kind = tool == Tool::Meter ? Meter : tool == Tool::PowerSupply ? Power : BootLine;
    const LiveChartState &s = state(tool);
    bool recording = s.chartRunning;
    if (tool == Tool::PowerSupply)
        recording = recording && ui().adjPowView->currentIndex() == Widget::kPowerChartView;
    const PowerControls shown = powerControls();
    std::map<int, size_t> writesBefore;
    for (int id : m_everIds[kind])
        writesBefore[id] = sim::bus().writeCount(id);
    // A stop condition's output-off on its way: the request carries it
    // whatever the controls show (before the settings are taken over, with
    // the supply's own settings).
    const bool offPending = w->adjPower->outputOffPending();

    m_doing = names[int(tool)];
    w.invoke(pollSlots[int(tool)]);

    for (int id : m_everIds[kind]) {
        const size_t total = sim::bus().deliveryCount(id);
        size_t &seen = m_delivered[id];
        if (total == seen)
            continue;
        if (total - seen > 1)
            fail(QStringLiteral("one %1 poll read %2 answers")
                     .arg(kKindNames[kind])
                     .arg(total - seen));
        const std::vector<sim::InputReport> reports = sim::bus().deliveries(id);
        const std::vector<std::uint8_t> request = sim::bus().lastWrite(id);
        const quint8 rateCode = request.size() > 2 ? request[2] : 0;
        for (size_t i = reports.size() - (total - seen); i < reports.size(); ++i) {
            account(tool, reports[i], recording, rateCode);
            if (tool == Tool::PowerSupply && (reports[i][0] == 8 || reports[i][0] == 9)) {
                if (reports[i][48] == 0)
                    m_offReported = true;
                m_statusFrom[id] = true;
            }
        }
        seen = total;
    }
    if (tool == Tool::PowerSupply) {
        for (int id : m_everIds[kind]) {
            if (sim::bus().writeCount(id) == writesBefore[id])
                continue;
            const std::vector<std::uint8_t> request = sim::bus().lastWrite(id);
            if (offPending)
                checkOutputOff(true, request, id);
            else if (request.size() == 65 && request[1] == 7)
                checkCommand7(shown, request);
        }
        // The statuses seen count for the request after the one they
        // answered; the poll's own answer may have fired the set.
        noticeFiring(tool);
        if (m_firedUs[1] >= 0 && w->adjPower->outputOffPending())
            checkOutputOff(false, {}, -1);
    }
    if (tool == Tool::Meter)
        noticeFiring(tool);
}

// While an off of a stop condition is on its way: a request sent carries it
// (command 7, output 0; a read only while no status of that supply has come
// yet); the output button shows off only once an answer has reported it, the
// user has switched, or the supply is not connected.
void Campaign::checkOutputOff(bool sent, const std::vector<std::uint8_t> &request, int id)
{
    if (sent) {
        count("request during an output-off compared");
        const bool off = request.size() == 65 && request[1] == 7 && request[10] == 0;
        const bool read = request.size() == 65 && request[1] == 6 && !m_statusFrom[id];
        if (!off && !read)
            fail(QStringLiteral("a request while the output-off was on its way carried command "
                                "%1, output %2")
                     .arg(request.size() > 1 ? request[1] : -1)
                     .arg(request.size() > 10 ? request[10] : -1));
    }
    QPushButton *button = ui().adjON_OFFButton;
    if (m_offButtonOnAtFiring && !button->isChecked() && button->isEnabled() && !m_offReported &&
        !m_outputTouched)
        fail(QStringLiteral("the output button shows off before the supply reported it"));
}

// A stop set that has fired since the campaign looked: with the supply's
// output-off, the supply's answers fail as often as not from now on.
void Campaign::noticeFiring(Tool tool)
{
    const int slot = tool == Tool::PowerSupply ? 1 : 0;
    const stopcond::StopConditions &set = *w->stopConditions[slot];
    if (!set.hasFired() || set.firedUs() == m_firedUs[slot])
        return;
    m_firedUs[slot] = set.firedUs();
    count(slot ? "supply's stop set fired" : "meter's stop set fired");
    if (!slot || !set.setup().actions.outputOff)
        return;
    m_offButtonOnAtFiring = ui().adjON_OFFButton->isChecked();
    m_offReported = false;
    m_outputTouched = false;
    const int id = m_ids[Power];
    if (id < 0 || stopChance(0.5))
        return;
    m_faultsSent[Power] = true;
    switch (stopBelow(4)) {
    case 0:
        sim::bus().setReadBehaviour(id, sim::ReadBehaviour::Fail, 1 + stopBelow(4));
        break;
    case 1:
        sim::bus().setReadBehaviour(id, sim::ReadBehaviour::Zero, 1 + stopBelow(4));
        break;
    case 2:
        sim::bus().setWrongCode(id, 0x55, 1 + stopBelow(4));
        break;
    default:
        sim::bus().setReadBehaviour(id, sim::ReadBehaviour::Timeout, 1);
        break;
    }
    count("output-off with failing answers");
}

// Appends to the expected chart what the tool takes from one answer, worked
// out from the answer's bytes: the meter takes codes 8 and 9, one to five
// samples by the rate code of its request (the slow rates one report in 20,
// 10 or 2, on a counter kept across starts and rate changes); the supply
// codes 8 and 9; the boot line code 8.
void Campaign::account(Tool tool, const sim::InputReport &report, bool recording, quint8 rateCode)
{
    if (!recording)
        return;
    switch (tool) {
    case Tool::Meter: {
        if (report[0] != 8 && report[0] != 9)
            return;
        auto appendSample = [&](int n) {
            const double volts = u16(report, 4 + 4 * n) * 1.25 / 1000;
            double amps = u16(report, 6 + 4 * n) * 2.4 / 5 / 1000;
            if (amps < 0.008)
                amps = 0;
            appendExpected(tool, {volts, amps, volts * amps});
        };
        int decimateAbove = -1;
        int samples = 0;
        switch (rateCode) {
        case 1:
            decimateAbove = 19;
            break;
        case 2:
            decimateAbove = 9;
            break;
        case 10:
            decimateAbove = 1;
            break;
        case 20:
            samples = 1;
            break;
        case 40:
            samples = 2;
            break;
        case 80:
            samples = 4;
            break;
        case 100:
            samples = 5;
            break;
        default:
            fail(QStringLiteral("the meter was asked for rate code %1").arg(rateCode));
            return;
        }
        if (decimateAbove >= 0 && ++m_meterDecimation > decimateAbove) {
            m_meterDecimation = 0;
            samples = 1;
        }
        for (int n = 0; n < samples; ++n)
            appendSample(n);
        return;
    }
    case Tool::PowerSupply: {
        if (report[0] != 8 && report[0] != 9)
            return;
        const double volts = u16(report, 4) / 100.0;
        const double amps = u16(report, 6) / 1000.0;
        appendExpected(tool, {volts, amps, volts * amps});
        return;
    }
    case Tool::BootLine:
        if (report[0] == 8)
            appendExpected(tool, {u16(report, 6) / 1000.0});
        return;
    }
}

PowerControls Campaign::powerControls() const
{
    int slot = 0;
    const QList<QPushButton *> buttons = presetButtons();
    for (int k = 0; k < buttons.size(); ++k) {
        if (buttons[k]->isChecked())
            slot = slot ? -1 : k + 1; // -1: two checked
    }
    return {ui().adjON_OFFButton->isChecked(), ui().adjOVPButton->isChecked(),
            ui().adjOCPButton->isChecked(),    slot,
            ui().adjVoltageDial->value(),      ui().adjCurrentDial->value()};
}

// A command 7 against the controls it was sent from: switches as 0 or 1, the
// selected slot, and that slot's set-points as the dials show them (10 mV
// and 1 mA units; without a slot 0 V and 0 A). The edits show the dials.
void Campaign::checkCommand7(const PowerControls &shown, const std::vector<std::uint8_t> &request)
{
    count("command 7 compared");
    const int volts = request[6] << 8 | request[7];
    const int amps = request[8] << 8 | request[9];
    const int wantVolts = shown.slot > 0 ? shown.voltageDial : 0;
    const int wantAmps = shown.slot > 0 ? shown.currentDial : 0;
    if (request[10] != shown.output || request[11] != shown.ovp || request[12] != shown.ocp ||
        request[5] != shown.slot || volts != wantVolts || amps != wantAmps)
        fail(QStringLiteral("command 7 sent output %1 OVP %2 OCP %3 slot %4 %5/%6; the controls "
                            "showed %7 %8 %9 slot %10 %11/%12")
                 .arg(request[10])
                 .arg(request[11])
                 .arg(request[12])
                 .arg(request[5])
                 .arg(volts)
                 .arg(amps)
                 .arg(shown.output)
                 .arg(shown.ovp)
                 .arg(shown.ocp)
                 .arg(shown.slot)
                 .arg(wantVolts)
                 .arg(wantAmps));
    const QString voltageText = QStringLiteral("%1.%2")
                                    .arg(shown.voltageDial / 100, 2, 10, QLatin1Char('0'))
                                    .arg(shown.voltageDial % 100, 2, 10, QLatin1Char('0'));
    const QString currentText = QStringLiteral("%1.%2")
                                    .arg(shown.currentDial / 1000)
                                    .arg(shown.currentDial % 1000, 3, 10, QLatin1Char('0'));
    if (ui().adjVoltageLineEdit->text() != voltageText ||
        ui().adjCurrentLineEdit->text() != currentText)
        fail(QStringLiteral("the set-point edits read %1 V %2 A, the dials %3 V %4 A")
                 .arg(ui().adjVoltageLineEdit->text(), ui().adjCurrentLineEdit->text(), voltageText,
                      currentText));
}

void Campaign::checkCharts(const char *when)
{
    static const char *const tools[3] = {"meter", "power supply", "boot line"};
    for (int tool = 0; tool < 3; ++tool) {
        const LiveChartState &s = state(Tool(tool));
        for (int k = 0; k < 3; ++k) {
            const QCPGraph *graph = s.graphs[k].data();
            if (!graph)
                continue;
            const QVector<double> &expected = m_expected[tool][k];
            QVector<double> values;
            values.reserve(graph->dataCount());
            for (const QCPGraphData &point : *graph->data())
                values << point.value;
            if (values == expected) {
                counts[QStringLiteral("%1 chart points compared").arg(tools[tool])] +=
                    values.size();
                continue;
            }
            int at = 0;
            while (at < values.size() && at < expected.size() && values[at] == expected[at])
                ++at;
            fail(QStringLiteral("%1: the %2 chart's graph %3 holds %4 points, %5 expected; "
                                "first difference at %6 (%7 against %8)")
                     .arg(when, tools[tool])
                     .arg(k)
                     .arg(values.size())
                     .arg(expected.size())
                     .arg(at)
                     .arg(values.value(at), 0, 'g', 17)
                     .arg(expected.value(at), 0, 'g', 17));
        }
    }
    restartGapClock();
}

// ---------------------------------------------------------------------------
// The user

void Campaign::showPage(int page)
{
    // 0-2 the tool pages, 3 the firmware page, 4 an empty tool page.
    doing("page switch");
    if (page == 3) {
        ui().firmwareButton->click();
    } else {
        ui().homeButton->click();
        w->toolButtons()[page < 3 ? page : 3]->click();
    }
    count("page switch");
}

void Campaign::actOnPage(int page)
{
    if (ui().mainStackedWidget->currentIndex() == 1) {
        firmwareAction();
        return;
    }
    switch (page) {
    case Widget::MeterPage:
        meterAction();
        break;
    case Widget::PowerPage:
        if (ui().adjModeStackedWidget->currentIndex() == 1 && chance(0.6))
            programAction();
        else
            powerAction();
        break;
    case Widget::BootLinePage:
        bootLineAction();
        break;
    default:
        break;
    }
}

void Campaign::chartAction(Tool tool)
{
    struct Buttons {
        QAbstractButton *start, *clear;
    };
    const Buttons buttons[3] = {{ui().vcMeter_chartStart, ui().vcMeterClrPushButton},
                                {ui().adjPowChartStart, ui().adjPowChartClearButton},
                                {ui().oneKeyLineChartSwitch, ui().oneKeyLineClearButton}};
    const Buttons &b = buttons[int(tool)];
    switch (below(6)) {
    case 0:
    case 1:
        click(b.start, "chart start or stop");
        break;
    case 2:
        if (chance(0.3) && b.clear->isEnabled()) {
            click(b.clear, "chart clear");
            for (QVector<double> &graph : m_expected[int(tool)])
                graph.clear();
        }
        break;
    case 3:
        saveChart(tool);
        break;
    case 4:
        openChart(tool);
        break;
    default:
        recordingAction(tool);
        break;
    }
}

void Campaign::recordingAction(Tool tool)
{
    doing("recording to a file");
    if (m_recording[int(tool)]) {
        w->stopRecording(tool);
        m_recording[int(tool)] = false;
        count("recording stopped");
    } else if (chance(0.5)) {
        const QString name = m_dir.filePath(QStringLiteral("recording-%1.csv").arg(++m_files));
        m_recording[int(tool)] = w->startRecording(tool, name);
        count(m_recording[int(tool)] ? "recording started" : "recording refused");
        if (m_recording[int(tool)])
            m_recordingFiles << name;
    }
}

void Campaign::saveChart(Tool tool)
{
    static const int decimals[3][3] = {{4, 4, 4}, {2, 3, 2}, {3, 0, 0}};
    QAbstractButton *const buttons[3] = {ui().vcMeterChartSaveButton, ui().adjPowChartSaveButton,
                                         ui().oneKeyLineChartSave};
    m_saveAnswer =
        chance(0.1) ? QString() : m_dir.filePath(QStringLiteral("chart-%1.cts").arg(++m_files));
    const bool enabled = buttons[int(tool)]->isEnabled();
    click(buttons[int(tool)], "chart save");
    if (!enabled || m_saveAnswer.isEmpty() || !QFile::exists(m_saveAnswer))
        return;

    // The file holds the chart's values in the tool's format.
    QFile file(m_saveAnswer);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("a saved chart file cannot be read"));
        return;
    }
    const bool threeSeries = tool != Tool::BootLine;
    const std::array<QVector<double>, 3> values = chartFileValues(file.readAll(), threeSeries);
    const LiveChartState &s = state(tool);
    for (int k = 0; k < (threeSeries ? 3 : 1); ++k) {
        const QCPGraph *graph = s.graphs[k].data();
        const double step = std::pow(10.0, -decimals[int(tool)][k]);
        if (values[size_t(k)].size() != graph->dataCount()) {
            fail(QStringLiteral("a chart file holds %1 values of graph %2, the chart %3")
                     .arg(values[size_t(k)].size())
                     .arg(k)
                     .arg(graph->dataCount()));
            break;
        }
        int i = 0;
        for (const QCPGraphData &point : *graph->data()) {
            const double saved = values[size_t(k)][i++];
            if (std::abs(saved - point.value) > step / 2 * (1 + 1e-9) + 1e-12 * std::abs(saved)) {
                fail(QStringLiteral("a chart file holds %1 for %2").arg(saved).arg(point.value));
                break;
            }
        }
    }
    m_charts << SavedChart{m_saveAnswer, threeSeries, values[0].size() + values[1].size()};
    count("chart file saved and read back");
    restartGapClock();
}

void Campaign::openChart(Tool tool)
{
    QAbstractButton *const buttons[3] = {ui().vcMeterChartOpenButton, ui().adjPowChartOpenButton,
                                         ui().oneKeyLineChartOpen};
    // A file saved before (not one so large that charts would keep
    // doubling), or a name that is no file.
    QList<SavedChart> small;
    for (const SavedChart &chart : m_charts) {
        if (chart.values < 3000)
            small << chart;
    }
    const bool missing = small.isEmpty() || chance(0.15);
    m_openAnswer =
        missing ? m_dir.filePath(QStringLiteral("missing.cts")) : small[below(small.size())].path;
    const bool enabled = buttons[int(tool)]->isEnabled();
    const int boxesBefore = m_boxes.boxes.size();
    click(buttons[int(tool)], "chart open");
    if (!enabled)
        return;
    if (missing) {
        if (m_boxes.boxes.size() != boxesBefore + 1 ||
            m_boxes.boxes.last().text != QStringLiteral("文件打开失败"))
            fail(QStringLiteral("opening a missing chart file was not reported"));
        return;
    }
    QFile file(m_openAnswer);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("a chart file to open cannot be read"));
        return;
    }
    const std::array<QVector<double>, 3> values =
        chartFileValues(file.readAll(), tool != Tool::BootLine);
    for (int k = 0; k < 3; ++k)
        m_expected[int(tool)][k] += values[size_t(k)];
    // The chart comparisons that follow tell whether the values arrived.
    if (!values[0].isEmpty() || !values[1].isEmpty())
        count("chart file opened into a chart");
    restartGapClock();
}

// Through the chart menu's entry, the dialog answered with a set that fires
// soon (or disarms): one or two conditions, random actions, the supply's
// output-off mostly.
void Campaign::armStopConditions(Tool tool)
{
    doing("stop conditions armed");
    static const char *const texts[] = {"voltage>0.5V",           "time>=0.2s",
                                        "current<100mA for 0.1s", "charge>=0.001mAh",
                                        "voltage<3.0V",           "time>=2s"};
    stopcond::Setup setup;
    const int conditions = below(3); // none disarms
    for (int i = 0; i < conditions; ++i) {
        stopcond::Condition condition;
        QString error;
        stopcond::parseCondition(QLatin1String(texts[below(6)]), &condition, &error);
        setup.conditions << condition;
    }
    setup.actions = {chance(0.3), chance(0.3), chance(0.5),
                     tool == Tool::PowerSupply && chance(0.8)};
    setup.alerts = {chance(0.7), chance(0.7)};
    w->askStopConditions = [setup](Tool, const stopcond::Setup &, bool, const QString &) {
        return std::optional<stopcond::Setup>(setup);
    };
    std::unique_ptr<QMenu> menu(w->chartMenu(tool));
    for (QAction *action : menu->actions()) {
        if (action->text() == QStringLiteral("停止条件…"))
            action->trigger();
    }
    count(conditions ? "stop conditions armed" : "stop conditions disarmed");
}

void Campaign::meterAction()
{
    switch (below(6)) {
    case 0:
        doing("meter rate");
        ui().vcMeter_fpsComboBox->setCurrentIndex(below(ui().vcMeter_fpsComboBox->count()));
        count("meter rate");
        break;
    case 1:
        click(chance(0.8) ? ui().vcMeter_countStart : ui().vcMeterCountResetButton,
              "meter counting");
        break;
    case 2:
        if (chance(0.3)) {
            armStopConditions(Tool::Meter);
            break;
        }
        chartAction(Tool::Meter);
        break;
    default:
        chartAction(Tool::Meter);
        break;
    }
}

void Campaign::powerAction()
{
    switch (below(12)) {
    case 0:
        click(presetButtons()[below(6)], "preset");
        break;
    case 1:
        doing("voltage dial");
        ui().adjVoltageDial->setValue(below(ui().adjVoltageDial->maximum() + 1));
        count("voltage dial");
        break;
    case 2:
        doing("current dial");
        ui().adjCurrentDial->setValue(below(ui().adjCurrentDial->maximum() + 1));
        count("current dial");
        break;
    case 3: {
        doing("set-point typed");
        static const char *const texts[] = {"12.5", "3.3", "45", "0", "abc", "", "-1", "5.005"};
        QLineEdit *edit = chance(0.5) ? ui().adjVoltageLineEdit : ui().adjCurrentLineEdit;
        edit->setText(QString::fromLatin1(texts[below(int(sizeof texts / sizeof *texts))]));
        emit edit->editingFinished();
        count("set-point typed");
        break;
    }
    case 4: {
        QAbstractButton *const switches[3] = {ui().adjON_OFFButton, ui().adjOVPButton,
                                              ui().adjOCPButton};
        QAbstractButton *button = switches[below(3)];
        if (button == ui().adjON_OFFButton)
            m_outputTouched = true;
        click(button, "output or protection switch");
        break;
    }
    case 5:
        click(chance(0.5) ? ui().adjChartRadioButton : ui().adjMeterRadioButton, "power view");
        break;
    case 6:
        m_outputTouched = true; // a mode change switches the output off
        click(chance(0.5) ? ui().adjProgramRadioButton : ui().adjNormalRadioButton, "power mode");
        break;
    case 7:
        click(ui().adjPowClearCountData, "power counting reset");
        break;
    case 8:
        armStopConditions(Tool::PowerSupply);
        break;
    default:
        chartAction(Tool::PowerSupply);
        break;
    }
}

void Campaign::programAction()
{
    QTableWidget *table = ui().adjProgramTableWidget;
    switch (below(9)) {
    case 0:
    case 1: {
        click(ui().adjAddRowPushButton, "program row added");
        const int row = table->rowCount() - 1;
        static const char *const volts[] = {"5", "12.5", "3.3", "45", "x", "0"};
        static const char *const amps[] = {"1", "0.5", "7", "", "0.001"};
        static const char *const seconds[] = {"0", "0.1", "0.2", "0.05", "-1"};
        if (row >= 0 && row < 12) {
            table->item(row, 0)->setText(QString::fromLatin1(volts[below(6)]));
            table->item(row, 1)->setText(QString::fromLatin1(amps[below(5)]));
            table->item(row, 2)->setText(QString::fromLatin1(seconds[below(5)]));
        }
        break;
    }
    case 2:
        if (table->rowCount() > 0)
            table->setCurrentCell(below(table->rowCount()), 0);
        click(ui().adjProgramDeletePushButton, "program row deleted");
        break;
    case 3: {
        doing("program positions");
        QLineEdit *const edits[3] = {ui().adjPowProgramStarPosition, ui().adjPowProgramStopPosition,
                                     ui().cycleIndex};
        QLineEdit *edit = edits[below(3)];
        if (edit->isEnabled()) {
            edit->setText(QString::number(below(6)));
            emit edit->editingFinished();
        }
        count("program positions");
        break;
    }
    case 4:
    case 5:
        m_outputTouched = true; // a program switches the output
        click(ui().adjProgramONOFFPushButton, "program start or stop");
        break;
    case 6: {
        // Saving the table; a table saved is remembered with its texts.
        m_saveAnswer = m_dir.filePath(QStringLiteral("program-%1.xls").arg(++m_files));
        click(ui().adjPowTableSave, "program table save");
        if (QFile::exists(m_saveAnswer)) {
            SavedTable saved{m_saveAnswer, {}, {}};
            for (int row = 0; row < table->rowCount(); ++row) {
                QStringList cells;
                for (int column = 0; column < 3; ++column)
                    cells << (table->item(row, column) ? table->item(row, column)->text()
                                                       : QString());
                saved.cells << cells;
            }
            for (int column = 0; column < 3; ++column)
                saved.titles << table->horizontalHeaderItem(column)->text();
            m_tables << saved;
            count("program table saved");
        }
        break;
    }
    case 7: {
        // Opening a table saved before, a missing file or nothing (cancel).
        const int pick = m_tables.isEmpty() ? -1 : below(m_tables.size() + 1) - 1;
        m_openAnswer = pick >= 0     ? m_tables[pick].path
                       : chance(0.5) ? m_dir.filePath(QStringLiteral("missing.xls"))
                                     : QString();
        click(ui().adjPowTableOpen, "program table open");
        if (pick < 0)
            break;
        const SavedTable &saved = m_tables[pick];
        QStringList titles;
        for (int column = 0; column < 3; ++column)
            titles << table->horizontalHeaderItem(column)->text();
        QList<QStringList> cells;
        for (int row = 0; row < table->rowCount(); ++row) {
            QStringList texts;
            for (int column = 0; column < 3; ++column)
                texts << (table->item(row, column) ? table->item(row, column)->text() : QString());
            cells << texts;
        }
        if (cells != saved.cells || titles != saved.titles)
            fail(QStringLiteral("a program table opened with %1 rows, saved with %2")
                     .arg(cells.size())
                     .arg(saved.cells.size()));
        else
            count("program table opened as saved");
        break;
    }
    default:
        powerAction();
        break;
    }
}

void Campaign::bootLineAction()
{
    switch (below(5)) {
    case 0:
        doing("boot line trigger");
        if (ui().oneKeyLineOn->isDown()) {
            ui().oneKeyLineOn->setDown(false);
            emit ui().oneKeyLineOn->released();
        } else {
            ui().oneKeyLineOn->setDown(true);
            emit ui().oneKeyLineOn->pressed();
        }
        count("boot line trigger");
        break;
    default:
        chartAction(Tool::BootLine);
        break;
    }
}

void Campaign::firmwareAction()
{
    // A small image, written anew for each send.
    const QString path = m_dir.filePath(QStringLiteral("image-%1.bin").arg(++m_files));
    QByteArray image(60 * (1 + below(40)) + below(60), Qt::Uninitialized);
    for (char &byte : image)
        byte = char(below(256));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(image) != image.size()) {
        fail(QStringLiteral("an image file cannot be written"));
        return;
    }
    file.close();
    m_openAnswer = path;
    click(ui().openFile, "firmware image chosen");

    const int id = m_ids[Firmware];
    std::shared_ptr<sim::FirmwareModel> device =
        id >= 0 ? sim::bus().modelAs<sim::FirmwareModel>(id) : nullptr;
    // Clean: no fault since the device was plugged, and the window's handle
    // is to this device (not to one pulled out and plugged in again since
    // the last discovery pass, whose handle is dead).
    const bool clean = device && !m_faultsSent[Firmware] && w->firmwareHandle &&
                       w->firmwarePresent && sim::bus().isAttached(id) &&
                       w->firmwareLink.openedPath == QByteArray::fromStdString(sim::bus().path(id));
    if (device)
        device->clearTransfer();
    restartGapClock();
    click(ui().SendData, "firmware sent");
    if (clean) {
        const std::vector<std::uint8_t> received = device->image();
        if (!device->imageComplete() || received.size() < size_t(image.size()) ||
            QByteArray(reinterpret_cast<const char *>(received.data()), image.size()) != image)
            fail(QStringLiteral("a firmware image of %1 bytes did not arrive whole")
                     .arg(image.size()));
        else
            count("firmware image arrived whole");
    }
}

} // namespace

class FaultCampaignTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { sim::bus().reset(); }

    // Three seeds, or the one QUORVALINE_CAMPAIGN_SEED names.
    void campaign_data()
    {
        QTest::addColumn<quint32>("seed");
        const QByteArray chosen = qgetenv("QUORVALINE_CAMPAIGN_SEED");
        if (!chosen.isEmpty()) {
            QTest::newRow(("seed " + chosen).constData()) << quint32(chosen.toUInt());
            return;
        }
        for (quint32 seed : {1u, 2u, 3u})
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed;
    }
    void campaign()
    {
        QFETCH(quint32, seed);
        const int steps = qEnvironmentVariableIsSet("QUORVALINE_CAMPAIGN_STEPS")
                              ? qEnvironmentVariableIntValue("QUORVALINE_CAMPAIGN_STEPS")
                              : kDefaultSteps;
        qInfo("fault campaign: seed %u, %d steps (replay with QUORVALINE_CAMPAIGN_SEED=%u)", seed,
              steps, seed);
        Campaign campaign(seed);
        campaign.run(steps);

        QStringList summary;
        for (const auto &entry : campaign.counts)
            summary << QStringLiteral("%1 %2").arg(entry.first).arg(entry.second);
        qInfo("%s", qPrintable(summary.join(QStringLiteral(", "))));
        qInfo("longest wait for the event loop: %lld ms (%s)", campaign.longestGapMs,
              campaign.longestGapDuring.constData());
        qInfo("longest work beyond the reads' allowed waits: %lld ms (%s)", campaign.longestWorkMs,
              campaign.longestWorkDuring.constData());
        QVERIFY2(campaign.failures.isEmpty(), qPrintable(campaign.failures.join('\n')));
        // A step runs three polls between two turns, each of whose reads may
        // wait a poll's bound; with the handlers' work that is the longest
        // the window may keep its user waiting, whatever else its reads
        // were allowed.
        QVERIFY2(campaign.longestGapMs <= 3 * hid::kPollTimeoutMs + kWorkMarginMs,
                 qPrintable(QStringLiteral("the window did not answer for %1 ms during %2")
                                .arg(campaign.longestGapMs)
                                .arg(QString::fromLatin1(campaign.longestGapDuring))));
        QVERIFY2(
            campaign.longestWorkMs <= kWorkMarginMs,
            qPrintable(QStringLiteral("the window took %1 ms beyond its reads' waits during %2")
                           .arg(campaign.longestWorkMs)
                           .arg(QString::fromLatin1(campaign.longestWorkDuring))));
        if (steps >= kDefaultSteps) {
            for (const char *outcome : kRequiredOutcomes)
                QVERIFY2(campaign.counts[QString::fromLatin1(outcome)] > 0,
                         qPrintable(QStringLiteral("seed %1 never reached: %2")
                                        .arg(seed)
                                        .arg(QString::fromLatin1(outcome))));
        }
    }
};

QTEST_MAIN(FaultCampaignTest)
#include "tst_faultcampaign.moc"
