// The command line's dispatch, its help and version, and the subcommands that
// read and drive the instruments: list, read, record, power set, power
// program, flash. Each works on the same engines, recording, set-point
// conversion and program steps as the window.
#include "cli/cli.h"

#include "cli/commands.h"
#include "cli/instruments.h"
#include "cli/interrupts.h"
#include "cli/session.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include "quorvaline_version.h"

#include <cstdio>

namespace cli {

namespace {

QString gProgramName = QStringLiteral("quorvaline-cli");

const char kUsage[] =
    "Usage: %1 [--device PATH | --serial SERIAL] COMMAND [OPTIONS]\n"
    "\n"
    "Reads, records and drives the QUORVALINE family of USB bench instruments:\n"
    "the meter, the power supply, the boot line, and an instrument in firmware-update mode.\n"
    "Data goes to standard output, messages to standard error.\n"
    "\n"
    "Commands:\n"
    "  list                         every instrument found, and whether it can be opened\n"
    "  read meter|power|boot        one reading\n"
    "  record meter|power|boot      every sample as it comes, as CSV or JSON Lines\n"
    "  power set                    set the supply's memory slot, set-points and switches\n"
    "  power program FILE           run a program table file (.xls) on the supply\n"
    "  flash IMAGE                  send a firmware image to an instrument in update mode\n"
    "  stats FILE                   statistics, charge and energy of a recording, or of\n"
    "                               a chart data file, between two times\n"
    "  boot check|capture|reference boot a phone and check its boot current against a\n"
    "                               reference; save a boot; make a reference of boots\n"
    "\n"
    "Options for every command:\n"
    "  --device PATH                the instrument at this path (from 'list')\n"
    "  --serial SERIAL              the instrument with this serial number\n"
    "  --json                       machine-readable output\n"
    "  -h, --help                   this help, or a command's ('%1 record --help')\n"
    "  --version                    the program's version\n"
    "\n"
    "Exit codes:\n"
    "  0    done (or the check passed)\n"
    "  1    a check failed\n"
    "  2    bad usage\n"
    "  3    no such instrument (none found, or it cannot be opened)\n"
    "  4    instrument error (unplugged mid-way, no answer)\n"
    "  5    file error\n"
    "  130  interrupted (SIGINT), 143 terminated (SIGTERM)\n"
    "\n"
    "Examples:\n"
    "  %1 list\n"
    "  %1 read meter --field current_A\n"
    "  %1 record meter --duration 10m -o charge.csv\n"
    "  %1 record power --stop-when \"current<100mA for 10s\" --output-off -o cell.csv\n"
    "  %1 record boot --samples 1000 --format jsonl -o - | head -n 100\n"
    "  %1 power set --preset M1 --voltage 4.35 --current 1.5 --output on\n"
    "  %1 power program steps.xls --times 3\n"
    "  %1 flash firmware.bin\n"
    "  %1 stats charge.csv --from 1m --to 5m\n"
    "  %1 boot check --profile 'demo phone' --junit boot.xml\n";

} // namespace

void quietDebugMessages()
{
    if (qEnvironmentVariableIsSet("QUORVALINE_DEBUG"))
        return;
    static const QtMessageHandler standard = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (type != QtDebugMsg && type != QtInfoMsg)
                standard(type, context, message);
        });
}

QString programName()
{
    return gProgramName;
}

void setProgramName(const QString &name)
{
    gProgramName = name;
}

QString usageText()
{
    return QString::fromLatin1(kUsage).arg(gProgramName);
}

int run(const QStringList &arguments)
{
    Interrupts interrupts;
    Globals globals;
    QStringList rest;
    // The options every command takes may come before or after the command.
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        auto value = [&](QString *into) {
            if (i + 1 >= arguments.size()) {
                complain(QStringLiteral("%1 needs a value").arg(arg));
                return false;
            }
            *into = arguments[++i];
            return true;
        };
        if (arg == QLatin1String("--device")) {
            if (!value(&globals.choice.path))
                return Usage;
        } else if (arg.startsWith(QLatin1String("--device="))) {
            globals.choice.path = arg.mid(9);
        } else if (arg == QLatin1String("--serial")) {
            if (!value(&globals.choice.serial))
                return Usage;
        } else if (arg.startsWith(QLatin1String("--serial="))) {
            globals.choice.serial = arg.mid(9);
        } else if (arg == QLatin1String("--json")) {
            globals.json = true;
        } else if (arg == QLatin1String("--version") && rest.isEmpty()) {
            writeOut(QStringLiteral("%1 %2\n")
                         .arg(gProgramName, QLatin1String(QUORVALINE_VERSION))
                         .toUtf8());
            return Done;
        } else {
            rest << arg;
        }
    }
    if (rest.isEmpty() || rest.first() == QLatin1String("--help") ||
        rest.first() == QLatin1String("-h") || rest.first() == QLatin1String("help")) {
        if (rest.isEmpty()) {
            // No command: the usage is a message, not the data asked for.
            std::fputs(usageText().toLocal8Bit().constData(), stderr);
            return Usage;
        }
        writeOut(usageText().toLocal8Bit());
        return Done;
    }
    const QString name = rest.takeFirst();
    if (name == QLatin1String("list"))
        return listCommand(globals, rest);
    if (name == QLatin1String("read"))
        return readCommand(globals, rest);
    if (name == QLatin1String("record"))
        return recordCommand(globals, rest);
    if (name == QLatin1String("power"))
        return powerCommand(globals, rest);
    if (name == QLatin1String("flash"))
        return flashCommand(globals, rest);
    if (name == QLatin1String("stats"))
        return statsCommand(globals, rest);
    if (name == QLatin1String("boot"))
        return bootCommand(globals, rest);
    complain(QStringLiteral("unknown command '%1' (see '%2 --help')").arg(name, gProgramName));
    return Usage;
}

} // namespace cli
