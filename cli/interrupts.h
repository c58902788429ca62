// SIGINT and SIGTERM for the command line: a handler notes the signal and
// writes a byte to a pipe that the event loop watches, so a command hears of
// it between two polls and ends cleanly (a recording complete, the supply's
// output off). SIGPIPE is ignored: a write to a reader that has gone fails
// instead, and the command ends quietly.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace cli {

class Interrupts : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one object per process.
    Interrupts();
    ~Interrupts() override;

    // The object installed now, or null.
    static Interrupts *current();
    // The signal received since the start (SIGINT or SIGTERM), 0 for none.
    static int received();
    // The exit code of a signal: 130 for SIGINT, 143 for SIGTERM.
    static int exitCode(int signal);
    // From now on a second signal ends the program at once, with the exit
    // code of that signal (for work that cannot stop halfway, which the
    // first signal only asks to end when it is done).
    static void secondSignalEnds();

signals:
    void interrupted(int signal);

private:
    QSocketNotifier *mNotifier = nullptr;
};

} // namespace cli
