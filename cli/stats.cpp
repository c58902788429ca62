// `stats`: the statistics of a recording or a chart data file between two
// times, from the statistics unit the window's measuring cursors use
// (analysis/statistics.h), so that the two never disagree. A recording is
// read as it streams by, in bounded memory whatever its size; a chart data
// file carries no times, so its samples take the tool's nominal period.
#include "analysis/statistics.h"
#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/session.h"
#include "files/chartfile.h"
#include "files/recordingfile.h"
#include "files/regularfile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <cmath>
#include <limits>
#include <vector>

namespace cli {

namespace {

const char kStatsUsage[] =
    "Usage: %1 stats FILE [--from TIME] [--to TIME] [--tool meter|power|boot] [--rate N] [--json]\n"
    "\n"
    "The statistics of a recording (a CSV file written by 'record' or by the window) or of a\n"
    "chart data file (.cts) between two times since its start: the times of the first and\n"
    "last sample, the duration, the number of samples and of gaps; for each column its value\n"
    "at the first and at the last sample, minimum, maximum, mean (of the samples) and peak-\n"
    "to-peak; the charge (mAh and C) from the current, and the energy (mWh and J) from the\n"
    "power, or from voltage x current where there is no power column (boot line). Charge and\n"
    "energy are counted between consecutive samples (trapezoids), never across a gap: the\n"
    "numbers the window's measuring cursors show for the same span.\n"
    "\n"
    "--from, --to   times since the start (90s, 10m, 2h, 1.5s, 250ms or seconds); the\n"
    "               samples from --from to --to, both included (default: all)\n"
    "--tool         for a chart data file, which tool wrote it: meter or power (three\n"
    "               series: voltage, current, power) or boot (current only). Default: meter\n"
    "               for a file with three series, boot for a file with the current alone\n"
    "--rate         for a meter chart data file, its sampling rate: 1, 2, 10, 20, 40, 80\n"
    "               or 100 samples a second (default 20)\n"
    "\n"
    "A chart data file carries no times: its samples are taken 1/rate apart (meter), 48 ms\n"
    "apart (power supply) or 2 ms apart (boot line), and the times are marked as nominal.\n"
    "Exits with 5 when the file cannot be read, is neither a recording nor a chart data\n"
    "file, or is damaged (the line is named).\n";

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

statistics::Roles rolesOf(const QList<QByteArray> &columns)
{
    statistics::Roles roles;
    roles.traces = qMin(int(columns.size()), statistics::kMaxTraces);
    roles.voltage = columns.indexOf("voltage_V");
    roles.current = columns.indexOf("current_A");
    roles.power = columns.indexOf("power_W");
    return roles;
}

struct Selection {
    qint64 fromUs = std::numeric_limits<qint64>::min();
    qint64 toUs = std::numeric_limits<qint64>::max();
    bool takes(qint64 atUs) const { return atUs >= fromUs && atUs <= toUs; }
};

// A recording's rows, streamed into the statistics of the selection.
class SelectionSink : public recordingfile::RowSink {
public:
    explicit SelectionSink(const Selection &selection) : mSelection(selection) {}

    void begin(recordingfile::Instrument, const QList<QByteArray> &columns) override
    {
        names = columns;
        stats = statistics::Accumulator(rolesOf(columns));
    }
    void sample(qint64 atUs, const double *values) override
    {
        if (mSelection.takes(atUs))
            stats.add(atUs, values);
    }
    void gap(qint64) override
    {
        if (!stats.isEmpty())
            stats.breakHere();
    }

    QList<QByteArray> names;
    statistics::Accumulator stats;

private:
    Selection mSelection;
};

// A chart data file's series, kept whole: they come one after the other.
class SeriesCollector : public chartfile::SeriesSink {
public:
    void reserve(int series, qint64 count) override { values[series].reserve(size_t(count)); }
    void append(int series, const double *v, int count) override
    {
        values[series].insert(values[series].end(), v, v + count);
    }
    std::vector<double> values[3];
};

QJsonValue jsonNumber(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QByteArray seconds(qint64 us)
{
    return QByteArray::number(double(us) / 1e6, 'g', QLocale::FloatingPointShortest);
}

QByteArray fixed(double value, int decimals)
{
    return std::isfinite(value) ? QByteArray::number(value, 'f', decimals) : QByteArray("-");
}

// Prints the statistics, as text or JSON.
void report(const Globals &globals, const QString &file, const QByteArray &source, bool nominal,
            const QList<QByteArray> &names, const statistics::Accumulator &stats)
{
    const bool any = !stats.isEmpty();
    if (globals.json) {
        QJsonObject object;
        object[QStringLiteral("file")] = file;
        object[QStringLiteral("source")] = QString::fromLatin1(source);
        object[QStringLiteral("nominal_times")] = nominal;
        object[QStringLiteral("from_s")] = any ? jsonNumber(stats.firstUs() / 1e6) : QJsonValue();
        object[QStringLiteral("to_s")] = any ? jsonNumber(stats.lastUs() / 1e6) : QJsonValue();
        object[QStringLiteral("duration_s")] = stats.durationUs() / 1e6;
        object[QStringLiteral("samples")] = double(stats.samples());
        object[QStringLiteral("gaps")] = double(stats.gaps());
        object[QStringLiteral("charge_mAh")] = jsonNumber(stats.chargeMah());
        object[QStringLiteral("charge_C")] = jsonNumber(stats.chargeCoulombs());
        object[QStringLiteral("energy_mWh")] = jsonNumber(stats.energyMwh());
        object[QStringLiteral("energy_J")] = jsonNumber(stats.energyJoules());
        QJsonArray columns;
        for (int k = 0; k < stats.roles().traces; ++k) {
            const statistics::TraceSummary &t = stats.trace(k);
            QJsonObject column;
            column[QStringLiteral("name")] = QString::fromLatin1(names.value(k));
            column[QStringLiteral("at_from")] = jsonNumber(t.first);
            column[QStringLiteral("at_to")] = jsonNumber(t.last);
            column[QStringLiteral("min")] = jsonNumber(t.count ? t.min : kNaN);
            column[QStringLiteral("max")] = jsonNumber(t.count ? t.max : kNaN);
            column[QStringLiteral("mean")] = jsonNumber(t.mean());
            column[QStringLiteral("peak_to_peak")] = jsonNumber(t.peakToPeak());
            columns.append(column);
        }
        object[QStringLiteral("columns")] = columns;
        writeOut(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
        return;
    }
    const QByteArray mark = nominal ? " (nominal)" : "";
    QByteArray text;
    auto line = [&text](const char *name, const QByteArray &value) {
        text += QByteArray(name).leftJustified(12, ' ') + value + '\n';
    };
    line("file", file.toLocal8Bit());
    line("source", source);
    line("from", any ? seconds(stats.firstUs()) + " s" + mark : QByteArray("-"));
    line("to", any ? seconds(stats.lastUs()) + " s" + mark : QByteArray("-"));
    line("duration", seconds(stats.durationUs()) + " s" + mark);
    line("samples", QByteArray::number(stats.samples()));
    line("gaps", QByteArray::number(stats.gaps()));
    if (stats.roles().hasCharge())
        line("charge",
             fixed(stats.chargeMah(), 4) + " mAh  (" + fixed(stats.chargeCoulombs(), 3) + " C)");
    if (stats.roles().hasEnergy())
        line("energy",
             fixed(stats.energyMwh(), 4) + " mWh  (" + fixed(stats.energyJoules(), 3) + " J)");
    text += '\n';
    QByteArray heads = QByteArray("column").leftJustified(16, ' ');
    for (const char *head : {"at_from", "at_to", "min", "max", "mean", "peak_to_peak"})
        heads += QByteArray(head).leftJustified(13, ' ');
    text += heads.trimmed() + '\n';
    for (int k = 0; k < stats.roles().traces; ++k) {
        const statistics::TraceSummary &t = stats.trace(k);
        const double cells[] = {
            t.first,  t.last,        t.count ? t.min : kNaN, t.count ? t.max : kNaN,
            t.mean(), t.peakToPeak()};
        QByteArray row = names.value(k).leftJustified(16, ' ');
        for (double cell : cells)
            row += fixed(cell, 5).leftJustified(13, ' ');
        text += row.trimmed() + '\n';
    }
    writeOut(text);
}

int recordingStats(const Globals &globals, const QString &file, const Selection &selection)
{
    SelectionSink sink(selection);
    const recordingfile::Outcome outcome = recordingfile::read(file, std::nullopt, {}, sink);
    switch (outcome.problem) {
    case recordingfile::Problem::None:
        break;
    case recordingfile::Problem::CannotOpen:
        complain(QStringLiteral("cannot open %1").arg(file));
        return FileError;
    case recordingfile::Problem::ReadFailed:
        complain(QStringLiteral("cannot read %1").arg(file));
        return FileError;
    case recordingfile::Problem::NotARecording:
    case recordingfile::Problem::OtherInstrument:
        complain(QStringLiteral("%1 is not a recording (its first line is not a recording's "
                                "header)")
                     .arg(file));
        return FileError;
    case recordingfile::Problem::Damaged:
        complain(QStringLiteral("%1: line %2: %3; the file is damaged")
                     .arg(file)
                     .arg(outcome.line)
                     .arg(QString::fromLatin1(outcome.detail)));
        return FileError;
    }
    report(globals, file, recordingfile::instrumentName(*outcome.instrument) + " recording", false,
           sink.names, sink.stats);
    return Done;
}

int chartFileStats(const Globals &globals, const QString &file, const Selection &selection,
                   const QString &tool, quint8 rateCode)
{
    SeriesCollector series;
    if (!chartfile::read(file, chartfile::Layout::ThreeSeries, series)) {
        complain(QStringLiteral("cannot read %1").arg(file));
        return FileError;
    }
    const bool three = !series.values[0].empty() || !series.values[2].empty();
    if (!three && series.values[1].empty()) {
        complain(QStringLiteral("%1 is neither a recording nor a chart data file (no samples "
                                "found)")
                     .arg(file));
        return FileError;
    }
    const QString chosen =
        tool.isEmpty() ? (three ? QStringLiteral("meter") : QStringLiteral("boot")) : tool;
    qint64 periodUs = 2000;
    QByteArray source = "boot line chart data file, samples 2 ms apart";
    QList<QByteArray> names = {"current_A"};
    const std::vector<double> *columns[3] = {&series.values[1], nullptr, nullptr};
    if (chosen != QLatin1String("boot")) {
        names = {"voltage_V", "current_A", "power_W"};
        for (int k = 0; k < 3; ++k)
            columns[k] = &series.values[k];
        if (chosen == QLatin1String("power")) {
            periodUs = 48000;
            source = "power supply chart data file, samples 48 ms apart";
        } else {
            periodUs = 1000000 / rateCode;
            source = "meter chart data file, " + QByteArray::number(rateCode) + " samples a second";
        }
    }
    statistics::Accumulator stats(rolesOf(names));
    size_t count = 0;
    for (const auto *column : columns) {
        if (column)
            count = qMax(count, column->size());
    }
    double row[3];
    for (size_t i = 0; i < count; ++i) {
        const qint64 atUs = qint64(i) * periodUs;
        if (!selection.takes(atUs))
            continue;
        for (int k = 0; k < names.size(); ++k)
            row[k] = i < columns[k]->size() ? (*columns[k])[i] : kNaN;
        stats.add(atUs, row);
    }
    report(globals, file, source, true, names, stats);
    return Done;
}

} // namespace

int statsCommand(const Globals &globals, const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption from(QStringLiteral("from"), QStringLiteral("Start time."),
                                  QStringLiteral("TIME"));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("End time."),
                                QStringLiteral("TIME"));
    const QCommandLineOption tool(QStringLiteral("tool"),
                                  QStringLiteral("The tool of a chart data file."),
                                  QStringLiteral("TOOL"));
    const QCommandLineOption rate(QStringLiteral("rate"),
                                  QStringLiteral("The rate of a meter chart data file."),
                                  QStringLiteral("N"), QStringLiteral("20"));
    for (const QCommandLineOption *option : {&from, &to, &tool, &rate})
        parser.addOption(*option);
    const int parsed = parseOptions(parser, QString::fromLatin1(kStatsUsage), args, 1, 1);
    if (parsed >= 0)
        return parsed;

    Selection selection;
    if (parser.isSet(from) && !parseDuration(parser.value(from), &selection.fromUs)) {
        complain(QStringLiteral("--from: not a time: %1").arg(parser.value(from)));
        return Usage;
    }
    if (parser.isSet(to) && !parseDuration(parser.value(to), &selection.toUs)) {
        complain(QStringLiteral("--to: not a time: %1").arg(parser.value(to)));
        return Usage;
    }
    if (selection.fromUs > selection.toUs) {
        complain(QStringLiteral("--from is after --to"));
        return Usage;
    }
    const QString toolName = parser.value(tool);
    if (!toolName.isEmpty() && toolName != QLatin1String("meter") &&
        toolName != QLatin1String("power") && toolName != QLatin1String("boot")) {
        complain(QStringLiteral("--tool must be meter, power or boot"));
        return Usage;
    }
    quint8 rateCode = 20;
    if (!parseMeterRate(parser.value(rate), &rateCode)) {
        complain(QStringLiteral("--rate must be one of 1, 2, 10, 20, 40, 80, 100"));
        return Usage;
    }

    // A recording starts with its header; anything else is read as a chart
    // data file.
    const QString file = parser.positionalArguments().first();
    QFile probe(file);
    if (!regularfile::openForReading(probe)) {
        complain(QStringLiteral("cannot open %1").arg(file));
        return FileError;
    }
    QByteArray start = probe.read(16);
    probe.close();
    if (start.startsWith("\xEF\xBB\xBF"))
        start = start.mid(3);
    if (start.startsWith("time_utc,"))
        return recordingStats(globals, file, selection);
    return chartFileStats(globals, file, selection, toolName, rateCode);
}

} // namespace cli
