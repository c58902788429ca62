// The command-line tool without its entry point: every subcommand, run on
// the instruments' engines with no widget, on a QCoreApplication. The shipped
// program and the simulated one (quorvaline-cli-demo) differ only by the
// hidapi they link.
#pragma once

#include <QStringList>

namespace cli {

// The documented exit codes.
enum Exit : int {
    Done = 0,            // done, or the check passed
    CheckFailed = 1,     // a check ran and failed
    Usage = 2,           // bad usage: unknown command or option, a value out of range
    NoInstrument = 3,    // no such instrument (none found, or none that can be opened)
    InstrumentError = 4, // the instrument went away mid-way, or did not answer
    FileError = 5,       // a file could not be read or written
    Interrupted = 130,   // SIGINT (Ctrl+C)
    Terminated = 143,    // SIGTERM
};

// Runs the command line given without the program's name. A
// QCoreApplication must exist. Data goes to standard output, messages (in
// English) to standard error. Returns the exit code.
int run(const QStringList &arguments);

// Developer diagnostics of the library (the Qt debug log) stay out of the
// program's messages unless QUORVALINE_DEBUG is set in the environment.
void quietDebugMessages();

// The name the program is called by in messages and the help text.
void setProgramName(const QString &name);

} // namespace cli
