// The subcommands of the command line and what they share: the options every
// command takes, the parsing of a command's own options, durations and
// on/off values.
#pragma once

#include "cli/instruments.h"

#include <QCommandLineParser>
#include <QStringList>

namespace cli {

// The options every command takes.
struct Globals {
    Choice choice;
    bool json = false;
};

int listCommand(const Globals &globals, const QStringList &args);
int readCommand(const Globals &globals, const QStringList &args);
int recordCommand(const Globals &globals, const QStringList &args);
int powerCommand(const Globals &globals, const QStringList &args);
int flashCommand(const Globals &globals, const QStringList &args);
int statsCommand(const Globals &globals, const QStringList &args);
// boot check, boot capture, boot reference (cli/boot.cpp).
int bootCommand(const Globals &globals, const QStringList &args);

// The whole help text.
QString usageText();
QString programName();

// Parses a command's own options. Returns -1 to go on, otherwise the exit
// code to end with (its help was asked for: 0; a bad option: 2, said why).
int parseOptions(QCommandLineParser &parser, const QString &usage, const QStringList &args,
                 int minPositional, int maxPositional);

// "90s", "10m", "2h", "1.5s", "250ms" or a plain number of seconds, into
// microseconds; false for anything else or a negative time.
bool parseDuration(const QString &text, qint64 *us);
// One of the meter's sampling rates (1, 2, 10, 20, 40, 80, 100 samples a
// second) into its rate code.
bool parseMeterRate(const QString &text, quint8 *rateCode);
// "on" / "off" (also 1/0, true/false, yes/no).
bool parseSwitch(const QString &text, bool *on);

} // namespace cli
