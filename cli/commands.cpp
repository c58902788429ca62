#include "cli/commands.h"

#include "analysis/stopconditions.h"
#include "cli/cli.h"
#include "cli/interrupts.h"
#include "cli/session.h"
#include "device/hidtransaction.h"
#include "engine/bootlineengine.h"
#include "engine/meterengine.h"
#include "engine/powerengine.h"
#include "files/programtable.h"
#include "files/regularfile.h"
#include "firmware/firmwareimage.h"
#include "firmware/firmwarereports.h"
#include "firmware/firmwaretransfer.h"
#include "recording/toolrecording.h"
#include "tools/power/program.h"
#include "tools/power/setpoint.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QThread>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace cli {

// ---------------------------------------------------------------------------
// Options

int parseOptions(QCommandLineParser &parser, const QString &usage, const QStringList &args,
                 int minPositional, int maxPositional)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("This help."));
    parser.addOption(help);
    if (!parser.parse(QStringList{programName()} + args)) {
        complain(parser.errorText());
        return Usage;
    }
    if (parser.isSet(help)) {
        writeOut(usage.arg(programName()).toLocal8Bit());
        return Done;
    }
    const int count = parser.positionalArguments().size();
    if (count < minPositional || count > maxPositional) {
        complain(count < minPositional
                     ? QStringLiteral("missing argument (see --help)")
                     : QStringLiteral("unexpected argument '%1' (see --help)")
                           .arg(parser.positionalArguments().value(maxPositional)));
        return Usage;
    }
    return -1;
}

bool parseDuration(const QString &text, qint64 *us)
{
    return stopcond::parseDuration(text, us);
}

bool parseSwitch(const QString &text, bool *on)
{
    const QString t = text.toLower();
    if (t == QLatin1String("on") || t == QLatin1String("1") || t == QLatin1String("true") ||
        t == QLatin1String("yes")) {
        *on = true;
        return true;
    }
    if (t == QLatin1String("off") || t == QLatin1String("0") || t == QLatin1String("false") ||
        t == QLatin1String("no")) {
        *on = false;
        return true;
    }
    return false;
}

// The sampling rates the meter has, in samples a second, and their rate
// codes (the same numbers).
const int kMeterRates[] = {1, 2, 10, 20, 40, 80, 100};

bool parseMeterRate(const QString &text, quint8 *rateCode)
{
    bool ok = false;
    const int rate = text.trimmed().toInt(&ok);
    for (int known : kMeterRates) {
        if (ok && rate == known) {
            *rateCode = quint8(rate);
            return true;
        }
    }
    return false;
}

namespace {

recording::Instrument instrumentOf(Kind kind)
{
    switch (kind) {
    case Kind::PowerSupply:
        return recording::Instrument::PowerSupply;
    case Kind::BootLine:
        return recording::Instrument::BootLine;
    case Kind::Meter:
    case Kind::Firmware:
        break;
    }
    return recording::Instrument::Meter;
}

// Opens the instrument, or says why not and gives the exit code.
int open(const Globals &globals, Kind kind, DeviceLink &link)
{
    QString message;
    const int code = openInstrument(kind, globals.choice, link, &message);
    if (code != Done)
        complain(message);
    return code;
}

// One line of a recording turned into what `read` prints: "name value"
// lines, or the JSON object of the JSON Lines format.
QByteArray readingText(recording::Instrument instrument, const QByteArray &csvLine, bool json)
{
    const QList<QByteArray> names = recording::headerLine(instrument).trimmed().split(',');
    const QList<QByteArray> cells = csvLine.trimmed().split(',');
    QByteArray csvHeader;
    QByteArray csvCells;
    QByteArray text;
    for (int k = 0; k < names.size() && k < cells.size(); ++k) {
        // The times since a recording's start mean nothing for one reading,
        // nor do the counted totals and the event column.
        if (names[k] == "elapsed_s" || names[k] == "event" || names[k] == "charge_mAh" ||
            names[k] == "energy_mWh")
            continue;
        text += names[k].leftJustified(16, ' ') + cells[k] + '\n';
        csvHeader += (csvHeader.isEmpty() ? "" : ",") + names[k];
        csvCells += (csvCells.isEmpty() ? "" : ",") + cells[k];
    }
    if (!json)
        return text;
    // The JSON Lines form of these columns alone.
    return recording::jsonLinesOf(csvHeader.split(','), csvCells + '\n');
}

// The value of one column of a reading, for --field.
bool fieldOf(recording::Instrument instrument, const QByteArray &csvLine, const QString &field,
             QByteArray *value)
{
    const QList<QByteArray> names = recording::headerLine(instrument).trimmed().split(',');
    const QList<QByteArray> cells = csvLine.trimmed().split(',');
    const int k = names.indexOf(field.toLatin1());
    if (k < 0 || k >= cells.size() || names[k] == "event")
        return false;
    *value = cells[k] + '\n';
    return true;
}

QByteArray readingLine(Kind kind, const void *answer)
{
    recording::RowText rows(instrumentOf(kind), QDateTime::currentMSecsSinceEpoch());
    switch (kind) {
    case Kind::Meter: {
        const auto *a = static_cast<const meter::Answer *>(answer);
        rows.addMeter(0, recording::meterRow(*a, a->count - 1));
        break;
    }
    case Kind::PowerSupply:
        rows.addPowerSupply(0,
                            recording::powerSupplyRow(*static_cast<const power::Answer *>(answer)));
        break;
    case Kind::BootLine:
        rows.addBootLine(0, recording::bootLineRow(*static_cast<const bootline::Answer *>(answer)));
        break;
    case Kind::Firmware:
        break;
    }
    return rows.take();
}

// The exit code of a recording that failed to write: a reader of standard
// output that has gone ends the command as done.
int recordingFailure(const QString &file, recording::CsvWriter::Failure failure,
                     const QString &detail)
{
    if (file.isEmpty() && failure == recording::CsvWriter::Failure::WriteFailed)
        return Done; // the reader of the pipe has gone
    if (failure == recording::CsvWriter::Failure::FileRemoved)
        complain(QStringLiteral("%1 was removed or moved; the recording stopped").arg(file));
    else
        complain(QStringLiteral("cannot write %1: %2; the recording stopped")
                     .arg(file.isEmpty() ? QStringLiteral("standard output") : file, detail));
    return FileError;
}

} // namespace

// ---------------------------------------------------------------------------
// list

int listCommand(const Globals &globals, const QStringList &args)
{
    QCommandLineParser parser;
    const int parsed = parseOptions(parser,
                                    QStringLiteral("Usage: %1 list [--json]\n\n"
                                                   "Every instrument found: kind, model, "
                                                   "path, serial number, and whether it "
                                                   "can be opened (and why not).\n"
                                                   "Exits with 3 when none is found.\n"),
                                    args, 0, 0);
    if (parsed >= 0)
        return parsed;

    const QList<Instrument> found = findInstruments();
    QJsonArray array;
    QByteArray text;
    for (const Instrument &instrument : found) {
        const QString path = QString::fromLocal8Bit(instrument.entry.path);
        if (!globals.choice.path.isEmpty() && path != globals.choice.path)
            continue;
        if (!globals.choice.serial.isEmpty() &&
            instrument.entry.serialNumber != globals.choice.serial)
            continue;
        DeviceLink link;
        QString why;
        const bool opens = openInstrument(instrument.kind, {path, QString()}, link, &why) == Done;
        discovery::closeLink(link);
        QJsonObject object;
        object[QStringLiteral("kind")] = kindName(instrument.kind);
        object[QStringLiteral("model")] = modelName(instrument.kind);
        object[QStringLiteral("path")] = path;
        object[QStringLiteral("serial")] = instrument.entry.serialNumber;
        object[QStringLiteral("product")] = instrument.entry.productName;
        object[QStringLiteral("can_open")] = opens;
        if (!opens) {
            object[QStringLiteral("error")] = link.openError;
            if (link.openDenied)
                object[QStringLiteral("hint")] = udevHint();
        }
        array.append(object);
        QString status = QStringLiteral("ok");
        if (!opens)
            status = QStringLiteral("cannot open: %1%2")
                         .arg(link.openError, link.openDenied
                                                  ? QStringLiteral(" (install the udev rule: see "
                                                                   "'%1 read --help')")
                                                        .arg(programName())
                                                  : QString());
        text += QStringLiteral("%1  %2  %3  %4  %5\n")
                    .arg(kindName(instrument.kind).leftJustified(8),
                         modelName(instrument.kind).leftJustified(15), path,
                         instrument.entry.serialNumber.isEmpty() ? QStringLiteral("-")
                                                                 : instrument.entry.serialNumber,
                         status)
                    .toLocal8Bit();
        if (!opens && link.openDenied)
            complain(udevHint());
    }
    if (globals.json)
        text = QJsonDocument(array).toJson(QJsonDocument::Compact) + '\n';
    writeOut(text);
    return array.isEmpty() ? NoInstrument : Done;
}

// ---------------------------------------------------------------------------
// read

int readCommand(const Globals &globals, const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption rate(QStringLiteral("rate"),
                                  QStringLiteral("The meter's sampling rate, samples a second."),
                                  QStringLiteral("N"), QStringLiteral("20"));
    const QCommandLineOption field(
        QStringLiteral("field"), QStringLiteral("Print only this value."), QStringLiteral("NAME"));
    parser.addOption(rate);
    parser.addOption(field);
    const int parsed = parseOptions(
        parser,
        QStringLiteral(
            "Usage: %1 read meter|power|boot [--rate N] [--field NAME] [--json]\n\n"
            "One reading of the instrument: a line per value, its name (with its unit) and\n"
            "its value; with --json one JSON object; with --field NAME the value alone.\n"
            "The names are those of a recording's columns:\n"
            "  meter  voltage_V current_A power_W dplus_V dminus_V cc1_V cc2_V\n"
            "  power  voltage_V current_A power_W set_voltage_V set_current_A preset output mode\n"
            "  boot   voltage_V current_A peak_current_A device_time_s trigger\n"
            "--rate (meter): 1, 2, 10, 20, 40, 80 or 100 samples a second (default 20).\n"
            "An instrument that cannot be opened for want of permission needs the udev rule\n"
            "(packaging/70-quorvaline.rules; the package installs it).\n"),
        args, 1, 1);
    if (parsed >= 0)
        return parsed;
    Kind kind;
    if (!parseToolKind(parser.positionalArguments().first(), &kind)) {
        complain(QStringLiteral("read what? meter, power or boot"));
        return Usage;
    }
    quint8 rateCode = 20;
    if (!parseMeterRate(parser.value(rate), &rateCode)) {
        complain(QStringLiteral("--rate must be one of 1, 2, 10, 20, 40, 80, 100"));
        return Usage;
    }

    MeterEngine meter;
    PowerEngine supply;
    BootLineEngine bootLine;
    DeviceLink *links[] = {&meter, &supply, &bootLine};
    DeviceLink &link = *links[int(kind)];
    if (const int code = open(globals, kind, link))
        return code;
    meter.rateCode = rateCode;

    QByteArray line;
    const int interval = kind == Kind::Meter         ? meter::rateForCode(rateCode)->pollIntervalMs
                         : kind == Kind::PowerSupply ? 48
                                                     : BootLineEngine::kPollIntervalMs;
    Session session(kind, link, interval);
    session.poll = [&] {
        switch (kind) {
        case Kind::Meter:
            if (const meter::Answer *a = meter.poll()) {
                session.answered();
                if (a->count > 0)
                    line = readingLine(kind, a);
            }
            break;
        case Kind::PowerSupply:
            // Command 6 only: a reading changes nothing on the supply.
            if (const power::Answer *a = supply.poll()) {
                session.answered();
                line = readingLine(kind, a);
            }
            break;
        case Kind::BootLine:
            if (const bootline::Answer *a = bootLine.poll()) {
                session.answered();
                line = readingLine(kind, a);
            }
            break;
        case Kind::Firmware:
            break;
        }
        if (!line.isEmpty())
            session.finish(Done);
    };
    const int code = session.exec();
    discovery::closeLink(link);
    if (code != Done)
        return code;

    const recording::Instrument instrument = instrumentOf(kind);
    if (parser.isSet(field)) {
        QByteArray value;
        if (!fieldOf(instrument, line, parser.value(field), &value)) {
            complain(QStringLiteral("no value named '%1' (see '%2 read --help')")
                         .arg(parser.value(field), programName()));
            return Usage;
        }
        writeOut(value);
        return Done;
    }
    writeOut(readingText(instrument, line, globals.json));
    return Done;
}

// ---------------------------------------------------------------------------
// record

int recordCommand(const Globals &globals, const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption rate(QStringLiteral("rate"),
                                  QStringLiteral("The meter's sampling rate."), QStringLiteral("N"),
                                  QStringLiteral("20"));
    const QCommandLineOption duration(QStringLiteral("duration"), QStringLiteral("How long."),
                                      QStringLiteral("TIME"));
    const QCommandLineOption samples(QStringLiteral("samples"), QStringLiteral("How many."),
                                     QStringLiteral("N"));
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("csv or jsonl."),
                                    QStringLiteral("FORMAT"), QStringLiteral("csv"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The file, or - for standard output."),
                                    QStringLiteral("FILE"), QStringLiteral("-"));
    const QCommandLineOption stopWhen(QStringLiteral("stop-when"),
                                      QStringLiteral("A stop condition."),
                                      QStringLiteral("CONDITION"));
    const QCommandLineOption outputOff(QStringLiteral("output-off"),
                                       QStringLiteral("Switch the supply's output off."));
    parser.addOptions({rate, duration, samples, format, output, stopWhen, outputOff});
    const int parsed = parseOptions(
        parser,
        QStringLiteral(
            "Usage: %1 record meter|power|boot [--rate N] [--duration TIME] [--samples N]\n"
            "                 [--format csv|jsonl] [-o FILE|-]\n"
            "                 [--stop-when CONDITION]... [--output-off]\n\n"
            "Records every sample the instrument gives, with its time, as the window's\n"
            "recording does: the same columns and time stamps (the CSV is the same, byte for\n"
            "byte, as the window writes), to FILE or, with -o - (the default), to standard\n"
            "output line by line as the samples come. An unplugged instrument leaves a\n"
            "'disconnected' line and ends the recording with exit code 4.\n"
            "Ends after --duration (90s, 10m, 2h, 1.5s, 250ms), after --samples lines, on\n"
            "SIGINT or SIGTERM (the file complete), or when the reader of standard output goes\n"
            "away ('... -o - | head -n 100' ends at once, with 0).\n"
            "--rate (meter): 1, 2, 10, 20, 40, 80 or 100 samples a second (default 20).\n"
            "--format jsonl: one JSON object a line, with the CSV's column names as keys.\n"
            "--stop-when (meter, power; may be given several times): ends the recording when\n"
            "any condition is met, counted from the start, with exit code 0 and a last line\n"
            "whose event names the condition ('stopped: current<50mA for 60s'):\n"
            "  current<50mA for 60s   the current below 50 mA for 60 s together (mA or A)\n"
            "  voltage<3.0V           the voltage below 3.0 V (mV or V; also with 'for')\n"
            "  voltage>4.2V           the voltage above 4.2 V\n"
            "  charge>=2000mAh        the charge counted since the start (mAh or Ah)\n"
            "  energy>=500mWh         the energy counted since the start (mWh or Wh)\n"
            "  time>=2h               the time since the start (90s, 10m, 2h)\n"
            "--output-off (power, with --stop-when): then also switches the supply's output\n"
            "off with the very next request, repeated until the supply's answer reports it\n"
            "off, and ends once it does (exit code 4 when the supply stops answering first).\n"),
        args, 1, 1);
    if (parsed >= 0)
        return parsed;
    Kind kind;
    if (!parseToolKind(parser.positionalArguments().first(), &kind)) {
        complain(QStringLiteral("record what? meter, power or boot"));
        return Usage;
    }
    quint8 rateCode = 20;
    if (!parseMeterRate(parser.value(rate), &rateCode)) {
        complain(QStringLiteral("--rate must be one of 1, 2, 10, 20, 40, 80, 100"));
        return Usage;
    }
    qint64 durationUs = -1;
    if (parser.isSet(duration) && !parseDuration(parser.value(duration), &durationUs)) {
        complain(QStringLiteral("--duration: '%1' is not a time (90s, 10m, 2h)")
                     .arg(parser.value(duration)));
        return Usage;
    }
    qint64 sampleLimit = -1;
    if (parser.isSet(samples)) {
        bool ok = false;
        sampleLimit = parser.value(samples).toLongLong(&ok);
        if (!ok || sampleLimit < 0) {
            complain(QStringLiteral("--samples: '%1' is not a count").arg(parser.value(samples)));
            return Usage;
        }
    }
    recording::Format fileFormat = recording::Format::Csv;
    if (parser.value(format) == QLatin1String("jsonl") ||
        parser.value(format) == QLatin1String("json")) {
        fileFormat = recording::Format::JsonLines;
    } else if (parser.value(format) != QLatin1String("csv")) {
        complain(QStringLiteral("--format must be csv or jsonl"));
        return Usage;
    }
    const QString file =
        parser.value(output) == QLatin1String("-") ? QString() : parser.value(output);
    stopcond::Setup stopSetup;
    for (const QString &text : parser.values(stopWhen)) {
        stopcond::Condition condition;
        QString why;
        if (!stopcond::parseCondition(text, &condition, &why)) {
            complain(QStringLiteral("--stop-when %1").arg(why));
            return Usage;
        }
        stopSetup.conditions << condition;
    }
    stopSetup.actions.stopRecording = true;
    stopSetup.actions.outputOff = parser.isSet(outputOff);
    if (!stopSetup.conditions.isEmpty() && kind == Kind::BootLine) {
        complain(QStringLiteral("--stop-when watches the meter or the power supply"));
        return Usage;
    }
    if (stopSetup.actions.outputOff &&
        (kind != Kind::PowerSupply || stopSetup.conditions.isEmpty())) {
        complain(QStringLiteral("--output-off needs 'record power' and a --stop-when"));
        return Usage;
    }

    MeterEngine meter;
    PowerEngine supply;
    BootLineEngine bootLine;
    DeviceLink *links[] = {&meter, &supply, &bootLine};
    DeviceLink &link = *links[int(kind)];
    if (const int code = open(globals, kind, link))
        return code;
    meter.rateCode = rateCode;

    // The recording first: a stop condition's line comes after the line of
    // the sample that met it.
    recording::ToolRecording recording(instrumentOf(kind));
    stopcond::StopConditions stop;
    switch (kind) {
    case Kind::Meter:
        recording.follow(meter);
        stop.follow(meter);
        break;
    case Kind::PowerSupply:
        recording.follow(supply);
        stop.follow(supply);
        break;
    case Kind::BootLine:
        recording.follow(bootLine);
        break;
    case Kind::Firmware:
        break;
    }
    recording.setFormat(fileFormat);
    recording.setSampleLimit(sampleLimit);
    recording.setDurationLimitUs(durationUs);
    QString reason;
    if (!(file.isEmpty() ? recording.startOnStandardOutput(&reason)
                         : recording.start(file, &reason))) {
        complain(QStringLiteral("cannot create %1: %2").arg(file, reason));
        discovery::closeLink(link);
        return FileError;
    }
    stop.arm(stopSetup, recording.startUs());

    const int interval = kind == Kind::Meter         ? meter::rateForCode(rateCode)->pollIntervalMs
                         : kind == Kind::PowerSupply ? 48
                                                     : BootLineEngine::kPollIntervalMs;
    Session session(kind, link, interval);
    QObject::connect(&recording, &recording::ToolRecording::failed, &session,
                     [&](recording::CsvWriter::Failure failure, const QString &detail) {
                         session.finish(recordingFailure(file, failure, detail));
                     });
    // Once a stop condition is met: the supply's output on its way off, and
    // the code to end with when its answer confirms it.
    bool stopped = false;
    int endCode = Done;
    session.poll = [&] {
        bool answered = false;
        bool confirmsOff = false;
        switch (kind) {
        case Kind::Meter:
            answered = meter.poll() != nullptr;
            break;
        case Kind::PowerSupply:
            if (const power::Answer *a = supply.poll()) {
                answered = true;
                confirmsOff = a->confirmsOutputOff;
            }
            break;
        case Kind::BootLine:
            answered = bootLine.poll() != nullptr;
            break;
        case Kind::Firmware:
            break;
        }
        if (answered)
            session.answered();
        if (stopped) {
            if (confirmsOff) {
                complain(QStringLiteral("the supply reports its output off"));
                session.finish(endCode);
            }
            return;
        }
        stop.tick(engine::nowUs());
        if (stop.hasFired()) {
            stopped = true;
            recording.stopWithEvent(stop.firedUs(), "stopped: " + stop.firedText().toLatin1());
            complain(QStringLiteral("stopped: %1").arg(stop.firedText()));
            if (!stopSetup.actions.outputOff) {
                session.finish(Done);
                return;
            }
            complain(QStringLiteral("switching the supply's output off"));
            return;
        }
        const bool timeUp = durationUs >= 0 && engine::nowUs() - recording.startUs() >= durationUs;
        if (recording.limitReached() || timeUp || sampleLimit == 0)
            session.finish(Done);
    };
    // An interrupt while the output is on its way off ends once the supply
    // confirms it.
    session.interrupted = [&](int signal) {
        if (!stopped || !supply.outputOffPending())
            return true;
        complain(QStringLiteral("interrupted: waiting for the supply to report its output off"));
        endCode = Interrupts::exitCode(signal);
        return false;
    };
    session.unplugged = [&] {
        switch (kind) {
        case Kind::Meter:
            meter.markGap();
            break;
        case Kind::PowerSupply:
            supply.markGap();
            break;
        case Kind::BootLine:
            bootLine.markGap();
            break;
        case Kind::Firmware:
            break;
        }
    };
    int code = session.exec();
    if (stopped && supply.outputOffPending())
        complain(QStringLiteral("the supply did not report its output off: it may still be on"));
    // Everything gathered goes to the file before the program ends, however
    // it ends; a failure of that last write still counts.
    if (recording.isActive()) {
        recording.flushAndWait();
        recording.stop();
    }
    discovery::closeLink(link);
    return code;
}

// ---------------------------------------------------------------------------
// power set, power program

namespace {

// The supply's limits once connected, as the window's dials have them.
constexpr double kSupplyMaxVolts = 30.0;
constexpr double kSupplyMaxAmps = 6.0;

// Polls the supply until it answers, takes its settings over and returns 0,
// or the exit code.
int takeOverSupply(PowerEngine &supply, Session &session)
{
    supply.presetsLoaded = false;
    session.poll = [&] {
        if (const power::Answer *a = supply.poll()) {
            session.answered();
            supply.takeOver(a->status, int(100 * supply.maxVoltage + 0.5),
                            int(1000 * supply.maxCurrent + 0.5));
            session.finish(Done);
        }
    };
    return session.exec();
}

struct Wanted {
    int preset = 0; // 0: as it is
    int voltageUnits = -1;
    int currentUnits = -1;
    int output = -1, ovp = -1, ocp = -1; // -1: as it is
};

// Whether the supply's answer shows what was asked for.
bool confirms(const power::Status &status, const PowerEngine &supply, const Wanted &wanted)
{
    const int slot = supply.presetIndex;
    if (status.presetIndex != slot)
        return false;
    if (slot >= 1 && slot <= power::kPresetCount &&
        (status.presetVoltage[slot - 1] != supply.voltageSetpoint ||
         status.presetCurrent[slot - 1] != supply.currentSetpoint))
        return false;
    if (wanted.output >= 0 && (status.outputOn != 0) != (wanted.output != 0))
        return false;
    if (wanted.ovp >= 0 && (status.ovpOn != 0) != (wanted.ovp != 0))
        return false;
    if (wanted.ocp >= 0 && (status.ocpOn != 0) != (wanted.ocp != 0))
        return false;
    return true;
}

int parsePreset(const QString &text, int *slot)
{
    static const QRegularExpression form(QStringLiteral("^[Mm]?([1-6])$"));
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch())
        return false;
    *slot = match.captured(1).toInt();
    return true;
}

bool parseAmount(const QString &text, double limit, const setpoint::Scale &scale, int *units)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !(value >= 0) || value > limit)
        return false;
    *units = setpoint::unitsFromValue(value, limit, scale);
    return true;
}

int powerSet(const Globals &globals, const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption voltage(QStringLiteral("voltage"), QStringLiteral("V"),
                                     QStringLiteral("V"));
    const QCommandLineOption current(QStringLiteral("current"), QStringLiteral("A"),
                                     QStringLiteral("A"));
    const QCommandLineOption preset(QStringLiteral("preset"), QStringLiteral("M1…M6"),
                                    QStringLiteral("SLOT"));
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("on|off"),
                                    QStringLiteral("on|off"));
    const QCommandLineOption ovp(QStringLiteral("ovp"), QStringLiteral("on|off"),
                                 QStringLiteral("on|off"));
    const QCommandLineOption ocp(QStringLiteral("ocp"), QStringLiteral("on|off"),
                                 QStringLiteral("on|off"));
    parser.addOptions({voltage, current, preset, output, ovp, ocp});
    const int parsed = parseOptions(
        parser,
        QStringLiteral(
            "Usage: %1 power set [--preset M1…M6] [--voltage V] [--current A]\n"
            "                    [--output on|off] [--ovp on|off] [--ocp on|off] [--json]\n\n"
            "Selects a memory slot, stores the voltage and current set-points into the selected\n"
            "slot (the supply regulates to the selected slot's values, as in the window),\n"
            "and sets the switches; what is not given stays as the supply has it. The values\n"
            "become the supply's units (10 mV, 1 mA) as the window's dials take them, rounded\n"
            "to the nearest. Then the settings are read back from the supply and confirmed,\n"
            "and the supply's state is printed as 'read power' prints it.\n"
            "Voltage 0…30 V, current 0…6 A. Setting a voltage or current needs a selected\n"
            "slot: give --preset when the supply has none selected.\n"
            "Exit code 4 when the supply does not confirm within two seconds.\n"),
        args, 0, 0);
    if (parsed >= 0)
        return parsed;

    Wanted wanted;
    if (parser.isSet(preset) && !parsePreset(parser.value(preset), &wanted.preset)) {
        complain(QStringLiteral("--preset must be M1 … M6"));
        return Usage;
    }
    if (parser.isSet(voltage) && !parseAmount(parser.value(voltage), kSupplyMaxVolts,
                                              setpoint::kVoltage, &wanted.voltageUnits)) {
        complain(QStringLiteral("--voltage must be a number of volts from 0 to %1")
                     .arg(kSupplyMaxVolts));
        return Usage;
    }
    if (parser.isSet(current) && !parseAmount(parser.value(current), kSupplyMaxAmps,
                                              setpoint::kCurrent, &wanted.currentUnits)) {
        complain(QStringLiteral("--current must be a number of amperes from 0 to %1")
                     .arg(kSupplyMaxAmps));
        return Usage;
    }
    const struct {
        const QCommandLineOption &option;
        int *into;
    } switches[] = {{output, &wanted.output}, {ovp, &wanted.ovp}, {ocp, &wanted.ocp}};
    for (const auto &s : switches) {
        if (!parser.isSet(s.option))
            continue;
        bool on = false;
        if (!parseSwitch(parser.value(s.option), &on)) {
            complain(QStringLiteral("--%1 must be on or off").arg(s.option.names().first()));
            return Usage;
        }
        *s.into = on ? 1 : 0;
    }

    PowerEngine supply;
    supply.maxVoltage = kSupplyMaxVolts;
    supply.maxCurrent = kSupplyMaxAmps;
    if (const int code = open(globals, Kind::PowerSupply, supply))
        return code;
    auto closeAndReturn = [&supply](int code) {
        discovery::closeLink(supply);
        return code;
    };
    {
        Session first(Kind::PowerSupply, supply, 48);
        if (const int code = takeOverSupply(supply, first))
            return closeAndReturn(code);
    }

    if (wanted.preset)
        supply.presetIndex = quint8(wanted.preset);
    supply.followSelectedPreset();
    if ((wanted.voltageUnits >= 0 || wanted.currentUnits >= 0) && !supply.selectedPreset()) {
        complain(QStringLiteral("the supply has no memory slot selected: choose one with "
                                "--preset M1 … M6"));
        return closeAndReturn(Usage);
    }
    if (wanted.voltageUnits >= 0)
        supply.storeVoltage(quint16(wanted.voltageUnits));
    if (wanted.currentUnits >= 0)
        supply.storeCurrent(quint16(wanted.currentUnits));
    if (wanted.output >= 0)
        supply.outputOn = quint8(wanted.output);
    if (wanted.ovp >= 0)
        supply.ovpOn = quint8(wanted.ovp);
    if (wanted.ocp >= 0)
        supply.ocpOn = quint8(wanted.ocp);

    // Command 7 carries the settings; the answers after it say whether the
    // supply has them.
    QByteArray line;
    Session apply(Kind::PowerSupply, supply, 48);
    int sent = 0;
    QElapsedTimer confirming;
    confirming.start();
    apply.poll = [&] {
        const power::Answer *a = supply.poll();
        if (!a)
            return;
        apply.answered();
        ++sent;
        if (sent >= 2 && confirms(a->status, supply, wanted)) {
            line = readingLine(Kind::PowerSupply, a);
            apply.finish(Done);
            return;
        }
        if (power::protectionTripped(a->status.mode, a->status.protectionActive)) {
            complain(QStringLiteral("the supply's %1 protection switched its output off")
                         .arg(a->status.mode == power::OvpTripped
                                  ? QStringLiteral("over-voltage")
                                  : QStringLiteral("over-current")));
            apply.finish(InstrumentError);
            return;
        }
        if (confirming.elapsed() > Session::kAnswerTimeoutMs) {
            complain(QStringLiteral("the supply did not confirm the settings"));
            apply.finish(InstrumentError);
        }
    };
    const int code = apply.exec();
    if (code != Done)
        return closeAndReturn(code);
    writeOut(readingText(recording::Instrument::PowerSupply, line, globals.json));
    return closeAndReturn(Done);
}

int powerProgram(const Globals &globals, const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption start(QStringLiteral("start"), QStringLiteral("First row."),
                                   QStringLiteral("N"));
    const QCommandLineOption end(QStringLiteral("end"), QStringLiteral("Last row."),
                                 QStringLiteral("N"));
    const QCommandLineOption times(QStringLiteral("times"), QStringLiteral("Passes."),
                                   QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption preset(QStringLiteral("preset"), QStringLiteral("M1…M6"),
                                    QStringLiteral("SLOT"));
    parser.addOptions({start, end, times, preset});
    const int parsed = parseOptions(
        parser,
        QStringLiteral(
            "Usage: %1 power program FILE [--start N] [--end N] [--times N] [--preset M1…M6]\n\n"
            "Runs a program table file (the window's '.xls': voltage, current and seconds per\n"
            "row) on the supply, as the window's program mode does: each step's values go into\n"
            "the selected memory slot (--preset, or the slot the supply has selected) and the\n"
            "output is on for the step's time; rows --start … --end (default: all), --times\n"
            "passes (default 1). Progress goes to standard error. At the end, and on SIGINT or\n"
            "SIGTERM, the output is switched off and the supply's answer confirms it before\n"
            "the program ends. Exit code 4 when the supply's output goes off by itself (a\n"
            "protection) or it stops answering; 5 when the file cannot be read.\n"),
        args, 1, 1);
    if (parsed >= 0)
        return parsed;
    const QString fileName = parser.positionalArguments().first();
    int slot = 0;
    if (parser.isSet(preset) && !parsePreset(parser.value(preset), &slot)) {
        complain(QStringLiteral("--preset must be M1 … M6"));
        return Usage;
    }
    for (const QCommandLineOption *option : {&start, &end, &times}) {
        bool ok = true;
        if (parser.isSet(*option) && (parser.value(*option).toInt(&ok) < 1 || !ok)) {
            complain(
                QStringLiteral("--%1 must be a whole number from 1").arg(option->names().first()));
            return Usage;
        }
    }

    QFile file(fileName);
    if (!regularfile::openForReading(file)) {
        complain(QStringLiteral("cannot open %1: %2").arg(fileName, file.errorString()));
        return FileError;
    }
    const programtable::ReadResult read = programtable::read(file);
    if (read.readError) {
        complain(QStringLiteral("cannot read %1").arg(fileName));
        return FileError;
    }
    QList<program::ProgramStep> steps;
    for (int row = 0; row < read.table.rows.size(); ++row) {
        const QStringList &cells = read.table.rows[row];
        steps.append(
            program::stepFromCells(row + 1, cells.value(0), cells.value(1), cells.value(2)));
    }
    if (steps.isEmpty()) {
        complain(QStringLiteral("%1 holds no steps").arg(fileName));
        return FileError;
    }
    // The position and pass fields corrected as the window corrects them.
    const QString startText = program::correctedStart(
        parser.isSet(start) ? parser.value(start) : QStringLiteral("1"), steps.size());
    const QString endText = program::correctedStop(
        parser.isSet(end) ? parser.value(end) : QString::number(steps.size()), startText,
        steps.size());
    const QString passesText = program::correctedPasses(parser.value(times));

    PowerEngine supply;
    supply.maxVoltage = kSupplyMaxVolts;
    supply.maxCurrent = kSupplyMaxAmps;
    if (const int code = open(globals, Kind::PowerSupply, supply))
        return code;
    auto closeAndReturn = [&supply](int code) {
        discovery::closeLink(supply);
        return code;
    };
    {
        Session first(Kind::PowerSupply, supply, 48);
        if (const int code = takeOverSupply(supply, first))
            return closeAndReturn(code);
    }
    if (slot)
        supply.presetIndex = quint8(slot);
    if (!supply.selectedPreset()) {
        complain(QStringLiteral("the supply has no memory slot selected: choose the one the "
                                "program may overwrite with --preset M1 … M6"));
        return closeAndReturn(Usage);
    }

    program::Run run;
    QTimer stepTimer;
    stepTimer.setSingleShot(true);
    stepTimer.setTimerType(Qt::PreciseTimer);
    bool ending = false; // the output is being switched off before the end
    int endCode = Done;
    Session session(Kind::PowerSupply, supply, 48);

    auto applyStep = [&](int index) {
        const program::ProgramStep &step = steps[index];
        supply.storeVoltage(
            setpoint::unitsFromValue(step.stepVoltage, supply.maxVoltage, setpoint::kVoltage));
        supply.storeCurrent(
            setpoint::unitsFromValue(step.stepCurrent, supply.maxCurrent, setpoint::kCurrent));
        supply.outputOn = 1;
        const int pass = passesText.toInt() - run.cyclesLeft + 1;
        complain(QStringLiteral("step %1 (row %2): %3 V, %4 A for %5 s, pass %6 of %7")
                     .arg(index - run.firstIndex + 1)
                     .arg(step.stepRow)
                     .arg(supply.voltageSetpoint / 100.0, 0, 'f', 2)
                     .arg(supply.currentSetpoint / 1000.0, 0, 'f', 3)
                     .arg(program::durationMs(step) / 1000.0, 0, 'f', 1)
                     .arg(pass)
                     .arg(passesText));
        stepTimer.start(program::durationMs(step));
    };
    auto endWithOutputOff = [&](int code) {
        ending = true;
        endCode = code;
        stepTimer.stop();
        run.stop();
        supply.outputOn = 0;
    };
    QObject::connect(&stepTimer, &QTimer::timeout, &session, [&] {
        switch (run.advance(supply.outputOn != 0)) {
        case program::Run::Next::Ignore:
            break;
        case program::Run::Next::Apply:
            applyStep(run.stepIndex);
            break;
        case program::Run::Next::Stall:
            complain(QStringLiteral("the supply's output went off during the step; the program "
                                    "stops"));
            endWithOutputOff(InstrumentError);
            break;
        case program::Run::Next::Finish:
            complain(QStringLiteral("program done"));
            endWithOutputOff(Done);
            break;
        }
    });
    session.poll = [&] {
        const power::Answer *a = supply.poll();
        if (!a)
            return;
        session.answered();
        if (supply.followStatus(a->status) && !ending)
            complain(QStringLiteral("the supply's protection switched its output off"));
        // The end comes once the supply itself reports its output off.
        if (ending && a->status.outputOn == 0)
            session.finish(endCode);
    };
    session.interrupted = [&](int signal) {
        complain(QStringLiteral("interrupted: switching the output off"));
        endWithOutputOff(Interrupts::exitCode(signal));
        return false;
    };
    const int first =
        run.start(steps.size(), startText.toInt(), endText.toInt(), passesText.toInt());
    applyStep(first);
    const int code = session.exec();
    return closeAndReturn(code);
}

} // namespace

int powerCommand(const Globals &globals, const QStringList &args)
{
    const QString usage = QStringLiteral("Usage: %1 power set [OPTIONS]\n"
                                         "       %1 power program FILE [OPTIONS]\n"
                                         "See '%1 power set --help' and '%1 power program "
                                         "--help'.\n")
                              .arg(programName());
    if (args.isEmpty()) {
        complain(QStringLiteral("power what? set or program"));
        return Usage;
    }
    if (args.first() == QLatin1String("set"))
        return powerSet(globals, args.mid(1));
    if (args.first() == QLatin1String("program"))
        return powerProgram(globals, args.mid(1));
    if (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        writeOut(usage.toLocal8Bit());
        return Done;
    }
    complain(QStringLiteral("power what? set or program"));
    return Usage;
}

// ---------------------------------------------------------------------------
// flash

int flashCommand(const Globals &globals, const QStringList &args)
{
    QCommandLineParser parser;
    const int parsed = parseOptions(
        parser,
        QStringLiteral(
            "Usage: %1 flash IMAGE\n\n"
            "Sends a firmware image (at most 1 MiB) to the instrument in firmware-update mode,\n"
            "with its progress on standard error. A first SIGINT or SIGTERM lets the transfer\n"
            "finish (an instrument left halfway has no firmware) and then ends with 130 or\n"
            "143; a second one ends at once.\n"
            "Exit code 3 when no instrument is in update mode, 4 when it refuses the image,\n"
            "stops answering or goes away, 5 when the image cannot be read or is too large.\n"),
        args, 1, 1);
    if (parsed >= 0)
        return parsed;
    const QString path = parser.positionalArguments().first();
    QByteArray image(int(firmware::kMaxImageSize), '\0');
    qint64 size = 0;
    switch (firmware::loadImage(path, image.data(), size)) {
    case firmware::ImageLoad::Loaded:
        break;
    case firmware::ImageLoad::TooLarge:
        complain(QStringLiteral("%1 is %2 bytes, larger than the largest image (%3 bytes)")
                     .arg(path)
                     .arg(size)
                     .arg(firmware::kMaxImageSize));
        return FileError;
    case firmware::ImageLoad::NoPath:
    case firmware::ImageLoad::Unreadable:
    case firmware::ImageLoad::ShortRead:
        complain(QStringLiteral("cannot read %1").arg(path));
        return FileError;
    }
    if (size == 0) {
        complain(QStringLiteral("%1 is empty").arg(path));
        return FileError;
    }

    DeviceLink link;
    if (const int code = open(globals, Kind::Firmware, link))
        return code;
    Interrupts::secondSignalEnds();
    quint8 writeBuf[hid::kOutputReportSize] = {};
    quint8 readBuf[firmware::kReadBufferSize] = {};
    qint64 offset = 0;
    const bool terminal = isatty(2);
    int shown = -1;
    firmware::Pacing pacing;
    pacing.pause = [] { QThread::usleep(1000); };
    pacing.keepAlive = [] {};
    pacing.showProgress = [&](int percent) {
        // On a terminal one line that counts up; elsewhere a line every 10 %.
        if (percent == shown || (!terminal && percent % 10 != 0 && percent != 100))
            return;
        shown = percent;
        std::fprintf(stderr, terminal ? "\rflashing: %3d %%" : "flashing: %d %%\n", percent);
        std::fflush(stderr);
    };
    const firmware::Outcome outcome = firmware::sendImage(link.hidDevice, writeBuf, readBuf,
                                                          image.constData(), size, offset, pacing);
    if (terminal && shown >= 0)
        std::fputc('\n', stderr);
    discovery::closeLink(link);
    if (outcome != firmware::Outcome::Sent) {
        complain(QStringLiteral("the transfer failed: %1")
                     .arg(QLatin1String(firmware::outcomeName(outcome))));
        return outcome == firmware::Outcome::InvalidImage ? FileError : InstrumentError;
    }
    complain(QStringLiteral("%1 bytes sent").arg(size));
    if (const int signal = Interrupts::received())
        return Interrupts::exitCode(signal);
    return Done;
}

} // namespace cli
