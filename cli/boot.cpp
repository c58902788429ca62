// The boot profile check from the command line: `boot check` presses the
// boot line's trigger, captures the boot and gives the verdict against a
// reference (or checks a capture file offline), `boot capture` saves a
// capture as a boot line recording, `boot reference` makes a reference from
// captures. The same capture, reference, band and check as the window's
// (analysis/).
#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/session.h"

#include "analysis/bootprofile.h"
#include "analysis/capturefile.h"
#include "analysis/referencefile.h"
#include "engine/bootlineengine.h"
#include "recording/toolrecording.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QXmlStreamWriter>

#include <cmath>
#include <optional>

namespace cli {

namespace {

constexpr qint64 kDefaultHoldUs = 1500000;
constexpr qint64 kDefaultCaptureUs = 10000000;

// --threshold: milliamperes, into amperes.
bool parseThreshold(const QCommandLineParser &parser, const QCommandLineOption &option,
                    double *amps)
{
    *amps = bootprofile::Capturer::kDefaultThresholdAmps;
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const double ma = parser.value(option).toDouble(&ok);
    if (!ok || !std::isfinite(ma) || ma <= 0 || ma > 100000) {
        complain(QStringLiteral("--threshold must be a current in mA above 0"));
        return false;
    }
    *amps = ma / 1000.0;
    return true;
}

bool parseHold(const QCommandLineParser &parser, const QCommandLineOption &option, qint64 *us)
{
    *us = kDefaultHoldUs;
    if (parser.isSet(option) && !parseDuration(parser.value(option), us)) {
        complain(
            QStringLiteral("--hold: '%1' is not a time (1.5s, 800ms)").arg(parser.value(option)));
        return false;
    }
    return true;
}

QString seconds(qint64 us)
{
    return QString::number(double(us) / 1e6, 'f', 2);
}

double rounded(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

const char *verdictWord(bootprofile::State state)
{
    switch (state) {
    case bootprofile::State::Passed:
        return "pass";
    case bootprofile::State::Failed:
        return "fail";
    case bootprofile::State::Waiting:
    case bootprofile::State::Running:
    case bootprofile::State::Incomplete:
        break;
    }
    return "incomplete";
}

QJsonObject verdictJson(const bootprofile::Check &check, const QString &file, bool atTrigger)
{
    const bootprofile::Reference &r = check.reference();
    const bootprofile::Summary s = check.summary();
    QJsonObject reference;
    reference[QStringLiteral("name")] = r.name;
    reference[QStringLiteral("model")] = r.model;
    reference[QStringLiteral("file")] = file;
    reference[QStringLiteral("length_s")] = rounded(double(r.lengthUs()) / 1e6, 3);
    QJsonObject capture;
    capture[QStringLiteral("start")] =
        atTrigger ? QStringLiteral("trigger") : QStringLiteral("threshold");
    capture[QStringLiteral("covered_s")] = rounded(double(s.coveredUs) / 1e6, 3);
    capture[QStringLiteral("samples")] = s.samples;
    QJsonObject o;
    o[QStringLiteral("verdict")] = QLatin1String(verdictWord(check.state()));
    o[QStringLiteral("text")] = bootprofile::verdictText(
        check, bootprofile::englishWords(), bootprofile::Capturer::kDefaultThresholdAmps);
    o[QStringLiteral("reference")] = reference;
    o[QStringLiteral("capture")] = capture;
    if (const std::optional<bootprofile::Miss> &miss = check.firstMiss()) {
        QJsonObject first;
        first[QStringLiteral("time_s")] = rounded(double(miss->atUs) / 1e6, 3);
        first[QStringLiteral("current_A")] = rounded(miss->amps, 4);
        first[QStringLiteral("expected_A")] = rounded(miss->expected.centre(), 4);
        first[QStringLiteral("tolerance_A")] = rounded(miss->expected.halfWidth(), 4);
        first[QStringLiteral("phase")] =
            miss->phase >= 0 ? QJsonValue(r.phases[miss->phase].name) : QJsonValue();
        o[QStringLiteral("first_outside")] = first;
    }
    o[QStringLiteral("worst_deviation_A")] = rounded(s.worstDeviationAmps, 4);
    o[QStringLiteral("worst_deviation_at_s")] = rounded(double(s.worstAtUs) / 1e6, 3);
    o[QStringLiteral("time_outside_s")] = rounded(double(s.outsideUs) / 1e6, 3);
    o[QStringLiteral("charge_mAh")] = rounded(s.chargeMah, 4);
    o[QStringLiteral("reference_charge_mAh")] = rounded(s.referenceChargeMah, 4);
    o[QStringLiteral("peak_A")] = rounded(s.peakAmps, 4);
    o[QStringLiteral("reference_peak_A")] = rounded(s.referencePeakAmps, 4);
    return o;
}

// The check as a JUnit report: one test case, the reference, failing with
// the verdict.
bool writeJunit(const QString &path, const bootprofile::Check &check, const QString &verdict,
                const QStringList &summary)
{
    const bootprofile::Reference &r = check.reference();
    const bool passed = check.state() == bootprofile::State::Passed;
    const QString time = QString::number(double(check.summary().coveredUs) / 1e6, 'f', 3);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    xml.writeStartElement(QStringLiteral("testsuite"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("boot check"));
    xml.writeAttribute(QStringLiteral("tests"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("failures"),
                       passed ? QStringLiteral("0") : QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("time"), time);
    xml.writeAttribute(QStringLiteral("timestamp"),
                       QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    xml.writeStartElement(QStringLiteral("testcase"));
    xml.writeAttribute(QStringLiteral("classname"), QStringLiteral("boot check"));
    xml.writeAttribute(QStringLiteral("name"), r.name);
    xml.writeAttribute(QStringLiteral("time"), time);
    if (!passed) {
        xml.writeStartElement(QStringLiteral("failure"));
        xml.writeAttribute(QStringLiteral("message"), verdict);
        xml.writeAttribute(QStringLiteral("type"), QLatin1String(verdictWord(check.state())));
        xml.writeCharacters(summary.join(QLatin1Char('\n')));
        xml.writeEndElement();
    }
    xml.writeTextElement(QStringLiteral("system-out"),
                         (QStringList{verdict} + summary).join(QLatin1Char('\n')));
    xml.writeEndElement(); // testcase
    xml.writeEndElement(); // testsuite
    xml.writeEndElement(); // testsuites
    xml.writeEndDocument();
    return !xml.hasError() && file.commit();
}

// The reference named on the command line: a file, or a name (or file
// name) in the library.
std::optional<bootprofile::Reference> loadReference(const QString &profile, const QString &library,
                                                    QString *file)
{
    if (QFileInfo(profile).isFile()) {
        bootprofile::FileError error;
        std::optional<bootprofile::Reference> reference = bootprofile::readFile(profile, &error);
        if (!reference)
            complain(QStringLiteral("cannot use %1 as a reference: %2")
                         .arg(profile, bootprofile::errorText(error)));
        *file = profile;
        return reference;
    }
    const QString folder = library.isEmpty() ? bootprofile::libraryFolder() : library;
    std::optional<bootprofile::Reference> reference =
        bootprofile::Library(folder).find(profile, file);
    if (!reference)
        complain(
            QStringLiteral("no reference named '%1' in %2, and no such file").arg(profile, folder));
    return reference;
}

// Prints the verdict; writes the JUnit report. The exit code of the check.
int report(const Globals &globals, const bootprofile::Check &check, const QString &file,
           bool atTrigger, const QString &junit)
{
    const bootprofile::Words words = bootprofile::englishWords();
    const QString verdict =
        bootprofile::verdictText(check, words, bootprofile::Capturer::kDefaultThresholdAmps);
    const QStringList summary = bootprofile::summaryLines(check, words);
    if (globals.json) {
        writeOut(QJsonDocument(verdictJson(check, file, atTrigger)).toJson(QJsonDocument::Compact) +
                 '\n');
    } else {
        const bootprofile::Reference &r = check.reference();
        QStringList lines{
            verdict,
            QStringLiteral("Reference: %1 (%2), %3 s").arg(r.name, file, seconds(r.lengthUs()))};
        writeOut((lines + summary).join(QLatin1Char('\n')).toUtf8() + '\n');
    }
    if (!junit.isEmpty() && !writeJunit(junit, check, verdict, summary)) {
        complain(QStringLiteral("cannot write %1").arg(junit));
        return FileError;
    }
    return check.state() == bootprofile::State::Passed ? Done : CheckFailed;
}

// ---------------------------------------------------------------------------
// boot check

int bootCheck(const Globals &globals, const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption profile(QStringLiteral("profile"),
                                     QStringLiteral("The reference: a name or a file."),
                                     QStringLiteral("NAME|FILE"));
    const QCommandLineOption hold(QStringLiteral("hold"), QStringLiteral("How long to press."),
                                  QStringLiteral("TIME"));
    const QCommandLineOption junit(QStringLiteral("junit"), QStringLiteral("JUnit report."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption input(QStringLiteral("input"),
                                   QStringLiteral("Check this capture file instead."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption threshold(
        QStringLiteral("threshold"), QStringLiteral("Start threshold, mA."), QStringLiteral("MA"));
    const QCommandLineOption library(QStringLiteral("library"),
                                     QStringLiteral("The references' folder."),
                                     QStringLiteral("DIR"));
    parser.addOptions({profile, hold, junit, input, threshold, library});
    const int parsed = parseOptions(
        parser,
        QStringLiteral(
            "Usage: %1 boot check --profile NAME|FILE [--hold TIME] [--json] [--junit FILE]\n"
            "                     [--input FILE] [--threshold MA] [--library DIR]\n\n"
            "Presses the boot line's trigger for --hold (default 1.5s), captures the phone's\n"
            "boot current from the press for the reference's length, and prints the verdict:\n"
            "PASS, or FAIL with the first time the current left the reference's band, what it\n"
            "was, what was expected and the phase; then the worst deviation, the time outside\n"
            "the band, the charge and the peak against the reference's.\n"
            "--profile: a reference file, or the name (or file name) of one in the library\n"
            "(the window's reference folder, or --library DIR).\n"
            "--input FILE: checks a capture offline instead (a boot line recording, as 'boot\n"
            "capture' or 'record boot' write, or a chart data file); its boot starts at the\n"
            "first trigger press, or where the current first rises through --threshold\n"
            "(default 5 mA).\n"
            "--json: the verdict as one JSON object. --junit FILE: a JUnit report as well.\n"
            "Exit code 0 when the check passes, 1 when it fails or the capture ends early.\n"),
        args, 0, 0);
    if (parsed >= 0)
        return parsed;
    if (!parser.isSet(profile)) {
        complain(QStringLiteral("boot check needs --profile NAME|FILE"));
        return Usage;
    }
    qint64 holdUs = 0;
    double thresholdAmps = 0;
    if (!parseHold(parser, hold, &holdUs) || !parseThreshold(parser, threshold, &thresholdAmps))
        return Usage;
    QString file;
    const std::optional<bootprofile::Reference> reference =
        loadReference(parser.value(profile), parser.value(library), &file);
    if (!reference)
        return FileError;
    bootprofile::Check check(*reference);

    if (parser.isSet(input)) {
        bootprofile::CaptureFileError error;
        const std::optional<bootprofile::Capture> capture = bootprofile::readCapture(
            parser.value(input), thresholdAmps, reference->lengthUs(), &error);
        if (!capture) {
            complain(QStringLiteral("cannot check %1: %2")
                         .arg(parser.value(input), bootprofile::errorText(error)));
            return FileError;
        }
        bootprofile::checkCapture(check, *capture);
        return report(globals, check, file, capture->atTrigger, parser.value(junit));
    }

    BootLineEngine line;
    if (const int code = [&] {
            QString message;
            const int c = openInstrument(Kind::BootLine, globals.choice, line, &message);
            if (c != Done)
                complain(message);
            return c;
        }())
        return code;
    bootprofile::Capturer capturer;
    capturer.setThresholdAmps(thresholdAmps);
    capturer.setLengthUs(reference->lengthUs());
    Session session(Kind::BootLine, line, BootLineEngine::kPollIntervalMs);
    bool done = false;
    line.listeners.add(
        {[&](const bootline::Answer &a) {
             switch (capturer.add(a.sample.atUs, a.reading.amps, a.reading.volts, a.trigger != 0)) {
             case bootprofile::Capturer::Step::Idle:
                 return;
             case bootprofile::Capturer::Step::Ended:
                 check.finish(capturer.last()->endedAtUs);
                 done = true;
                 return;
             case bootprofile::Capturer::Step::Started:
             case bootprofile::Capturer::Step::Restarted:
                 check.restart();
                 break;
             case bootprofile::Capturer::Step::Added:
                 break;
             }
             const bootprofile::CaptureSample &s = capturer.current().samples.back();
             check.add(s.atUs, s.amps);
         },
         [&](qint64) {
             capturer.gap();
             if (capturer.last())
                 check.finish(capturer.last()->endedAtUs);
         }});
    // The trigger goes with every request from the first on, until the hold
    // time has passed.
    line.trigger = 1;
    qint64 pressedUs = -1;
    session.poll = [&] {
        if (pressedUs < 0)
            pressedUs = engine::nowUs();
        if (line.trigger && engine::nowUs() - pressedUs >= holdUs)
            line.trigger = 0;
        if (line.poll())
            session.answered();
        if (done)
            session.finish(Done);
    };
    session.unplugged = [&] { line.markGap(); };
    const int code = session.exec();
    discovery::closeLink(line);
    if (code != Done && check.state() != bootprofile::State::Waiting) {
        // Ended early (unplugged, no answer, interrupted): the verdict says
        // how far it got; the exit code says why.
        if (capturer.running()) {
            capturer.stop();
            check.finish(capturer.last() ? capturer.last()->endedAtUs : 0);
        }
        report(globals, check, file, true, parser.value(junit));
    }
    if (code != Done)
        return code;
    return report(globals, check, file, capturer.last() && capturer.last()->atTrigger,
                  parser.value(junit));
}

// ---------------------------------------------------------------------------
// boot capture

int bootCapture(const Globals &globals, const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption hold(QStringLiteral("hold"), QStringLiteral("How long to press."),
                                  QStringLiteral("TIME"));
    const QCommandLineOption duration(QStringLiteral("duration"), QStringLiteral("How long."),
                                      QStringLiteral("TIME"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The file, or - for standard output."),
                                    QStringLiteral("FILE"));
    parser.addOptions({hold, duration, output});
    const int parsed = parseOptions(
        parser,
        QStringLiteral(
            "Usage: %1 boot capture [--hold TIME] [--duration TIME] -o FILE|-\n\n"
            "Presses the boot line's trigger for --hold (default 1.5s) and records the boot\n"
            "from the press for --duration (default 10s), as a boot line recording (the\n"
            "columns of 'record boot'), to FILE or standard output. 'boot reference' makes a\n"
            "reference of such captures, 'boot check --input' checks one.\n"),
        args, 0, 0);
    if (parsed >= 0)
        return parsed;
    if (!parser.isSet(output)) {
        complain(QStringLiteral("boot capture needs -o FILE (or -o - for standard output)"));
        return Usage;
    }
    qint64 holdUs = 0;
    if (!parseHold(parser, hold, &holdUs))
        return Usage;
    qint64 durationUs = kDefaultCaptureUs;
    if (parser.isSet(duration) &&
        (!parseDuration(parser.value(duration), &durationUs) || durationUs <= 0)) {
        complain(QStringLiteral("--duration: '%1' is not a time (10s, 8.5s)")
                     .arg(parser.value(duration)));
        return Usage;
    }
    const QString file =
        parser.value(output) == QLatin1String("-") ? QString() : parser.value(output);

    BootLineEngine line;
    QString message;
    if (const int code = openInstrument(Kind::BootLine, globals.choice, line, &message)) {
        complain(message);
        return code;
    }
    recording::ToolRecording recording(recording::Instrument::BootLine);
    recording.follow(line);
    recording.setDurationLimitUs(durationUs);
    QString reason;
    // The recording starts with the press: its first line carries the trigger.
    line.trigger = 1;
    if (!(file.isEmpty() ? recording.startOnStandardOutput(&reason)
                         : recording.start(file, &reason))) {
        complain(QStringLiteral("cannot create %1: %2").arg(file, reason));
        discovery::closeLink(line);
        return FileError;
    }
    Session session(Kind::BootLine, line, BootLineEngine::kPollIntervalMs);
    QObject::connect(
        &recording, &recording::ToolRecording::failed, &session,
        [&](recording::CsvWriter::Failure, const QString &detail) {
            complain(QStringLiteral("cannot write %1: %2")
                         .arg(file.isEmpty() ? QStringLiteral("standard output") : file, detail));
            session.finish(FileError);
        });
    session.poll = [&] {
        if (line.trigger && engine::nowUs() - recording.startUs() >= holdUs)
            line.trigger = 0;
        if (line.poll())
            session.answered();
        if (recording.limitReached() || engine::nowUs() - recording.startUs() >= durationUs)
            session.finish(Done);
    };
    session.unplugged = [&] { line.markGap(); };
    const int code = session.exec();
    if (recording.isActive()) {
        recording.flushAndWait();
        recording.stop();
    }
    discovery::closeLink(line);
    if (code == Done && !file.isEmpty())
        complain(
            QStringLiteral("%1 samples of the boot in %2").arg(recording.sampleLines()).arg(file));
    return code;
}

// ---------------------------------------------------------------------------
// boot reference

// "kernel=1.2-6" or "boot loader=400ms-1.2s": a phase's name and span.
bool parsePhase(const QString &text, bootprofile::Phase *phase)
{
    const int equals = text.lastIndexOf(QLatin1Char('='));
    if (equals <= 0)
        return false;
    const QStringList span = text.mid(equals + 1).split(QLatin1Char('-'));
    qint64 from = 0;
    qint64 to = 0;
    if (span.size() != 2 || !parseDuration(span[0], &from) || !parseDuration(span[1], &to) ||
        to <= from)
        return false;
    phase->name = text.left(equals).trimmed();
    phase->fromUs = from;
    phase->toUs = to;
    return !phase->name.isEmpty();
}

int bootReference(const Globals &globals, const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The reference file."), QStringLiteral("FILE"));
    const QCommandLineOption name(QStringLiteral("name"), QStringLiteral("Its name."),
                                  QStringLiteral("NAME"));
    const QCommandLineOption model(QStringLiteral("model"), QStringLiteral("The phone model."),
                                   QStringLiteral("MODEL"));
    const QCommandLineOption note(QStringLiteral("note"), QStringLiteral("A note."),
                                  QStringLiteral("TEXT"));
    const QCommandLineOption absMa(QStringLiteral("abs-ma"), QStringLiteral("mA"),
                                   QStringLiteral("N"));
    const QCommandLineOption relPct(QStringLiteral("rel-pct"), QStringLiteral("%"),
                                    QStringLiteral("N"));
    const QCommandLineOption timeMs(QStringLiteral("time-ms"), QStringLiteral("ms"),
                                    QStringLiteral("N"));
    const QCommandLineOption phaseOption(QStringLiteral("phase"), QStringLiteral("A phase."),
                                         QStringLiteral("NAME=FROM-TO"));
    const QCommandLineOption threshold(
        QStringLiteral("threshold"), QStringLiteral("Start threshold, mA."), QStringLiteral("MA"));
    parser.addOptions({output, name, model, note, absMa, relPct, timeMs, phaseOption, threshold});
    const bootprofile::Tolerance defaults;
    const int parsed = parseOptions(
        parser,
        QStringLiteral(
            "Usage: %1 boot reference CAPTURE... -o FILE [--name NAME] [--model MODEL]\n"
            "                         [--note TEXT] [--abs-ma N] [--rel-pct N] [--time-ms N]\n"
            "                         [--phase NAME=FROM-TO]... [--threshold MA]\n\n"
            "Makes a boot reference of one or more captures of good phones (boot line\n"
            "recordings or chart data files), as the window's 'Build from captures' does:\n"
            "aligned at their starts, their lowest and highest current in 10 ms bins, as long\n"
            "as the shortest. The band a check holds a boot against is that envelope widened\n"
            "by the wider of --abs-ma (default %2 mA) and --rel-pct (default %3 %) of the\n"
            "current, and a sample passes when the band holds it within ± --time-ms (default\n"
            "%4 ms). --phase names a span of the boot (seconds, or 400ms, 1.2s), given once\n"
            "per phase, e.g. --phase 'boot loader=0.4-1.2' --phase kernel=1.2-6.\n"
            "The file is the window's reference format: put it in the reference folder to use\n"
            "it by name, or name the file in 'boot check --profile'.\n")
            .arg(defaults.absMilliamps)
            .arg(defaults.relPercent)
            .arg(defaults.timeMs),
        args, 1, 1000);
    if (parsed >= 0)
        return parsed;
    if (!parser.isSet(output)) {
        complain(QStringLiteral("boot reference needs -o FILE"));
        return Usage;
    }
    bootprofile::Tolerance tolerance;
    const struct {
        const QCommandLineOption &option;
        double *into;
        double high;
    } numbers[] = {{absMa, &tolerance.absMilliamps, 5000},
                   {relPct, &tolerance.relPercent, 1000},
                   {timeMs, &tolerance.timeMs, 60000}};
    for (const auto &n : numbers) {
        if (!parser.isSet(n.option))
            continue;
        bool ok = false;
        const double value = parser.value(n.option).toDouble(&ok);
        if (!ok || !std::isfinite(value) || value < 0 || value > n.high) {
            complain(QStringLiteral("--%1 must be a number from 0 to %2")
                         .arg(n.option.names().first())
                         .arg(n.high));
            return Usage;
        }
        *n.into = value;
    }
    QVector<bootprofile::Phase> phases;
    for (const QString &text : parser.values(phaseOption)) {
        bootprofile::Phase phase;
        if (!parsePhase(text, &phase)) {
            complain(
                QStringLiteral("--phase: '%1' is not NAME=FROM-TO (e.g. kernel=1.2-6)").arg(text));
            return Usage;
        }
        phases << phase;
    }
    double thresholdAmps = 0;
    if (!parseThreshold(parser, threshold, &thresholdAmps))
        return Usage;

    std::vector<bootprofile::Capture> captures;
    for (const QString &path : parser.positionalArguments()) {
        bootprofile::CaptureFileError error;
        std::optional<bootprofile::Capture> capture = bootprofile::readCapture(
            path, thresholdAmps, bootprofile::Capturer::kMaxLengthUs, &error);
        if (!capture) {
            complain(QStringLiteral("cannot use %1: %2").arg(path, bootprofile::errorText(error)));
            return FileError;
        }
        captures.push_back(std::move(*capture));
    }
    std::vector<const bootprofile::Capture *> pointers;
    for (const bootprofile::Capture &capture : captures)
        pointers.push_back(&capture);
    std::optional<bootprofile::Reference> reference =
        bootprofile::buildReference(pointers, tolerance);
    if (!reference) {
        complain(QStringLiteral("the captures are too short for a reference"));
        return FileError;
    }
    const QString file = parser.value(output);
    reference->name = parser.isSet(name) ? parser.value(name) : QFileInfo(file).completeBaseName();
    reference->model = parser.value(model);
    reference->note = parser.value(note);
    reference->phases = phases;
    bootprofile::FileError error;
    if (!bootprofile::writeFile(file, *reference, &error)) {
        complain(QStringLiteral("cannot write %1: %2").arg(file, bootprofile::errorText(error)));
        return FileError;
    }
    if (globals.json) {
        QJsonObject o;
        o[QStringLiteral("name")] = reference->name;
        o[QStringLiteral("file")] = file;
        o[QStringLiteral("captures")] = reference->captures;
        o[QStringLiteral("length_s")] = rounded(double(reference->lengthUs()) / 1e6, 3);
        writeOut(QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n');
    } else {
        complain(QStringLiteral("reference '%1' of %2 captures, %3 s, written to %4")
                     .arg(reference->name)
                     .arg(reference->captures)
                     .arg(seconds(reference->lengthUs()), file));
    }
    return Done;
}

} // namespace

int bootCommand(const Globals &globals, const QStringList &args)
{
    const QString usage = QStringLiteral("Usage: %1 boot check --profile NAME|FILE [OPTIONS]\n"
                                         "       %1 boot capture -o FILE [OPTIONS]\n"
                                         "       %1 boot reference CAPTURE... -o FILE [OPTIONS]\n"
                                         "See '%1 boot check --help', '%1 boot capture --help' "
                                         "and '%1 boot reference --help'.\n")
                              .arg(programName());
    const QString what = args.value(0);
    if (what == QLatin1String("check"))
        return bootCheck(globals, args.mid(1));
    if (what == QLatin1String("capture"))
        return bootCapture(globals, args.mid(1));
    if (what == QLatin1String("reference"))
        return bootReference(globals, args.mid(1));
    if (what == QLatin1String("--help") || what == QLatin1String("-h")) {
        writeOut(usage.toLocal8Bit());
        return Done;
    }
    complain(QStringLiteral("boot what? check, capture or reference"));
    return Usage;
}

} // namespace cli
