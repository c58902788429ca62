#include "cli/interrupts.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace cli {

namespace {

volatile std::sig_atomic_t gReceived = 0;
volatile std::sig_atomic_t gSecondEnds = 0;
int gPipe[2] = {-1, -1};
Interrupts *gCurrent = nullptr;

void onSignal(int signal)
{
    if (gReceived != 0 && gSecondEnds)
        _exit(128 + signal);
    if (gReceived == 0)
        gReceived = signal;
    const char byte = char(signal);
    if (gPipe[1] >= 0) {
        const ssize_t written = write(gPipe[1], &byte, 1);
        (void)written; // a full pipe already holds a byte for the loop
    }
}

} // namespace

Interrupts::Interrupts()
{
    gReceived = 0;
    gSecondEnds = 0;
    gCurrent = this;
    if (pipe(gPipe) == 0) {
        for (int fd : gPipe) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
            fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
        mNotifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
        connect(mNotifier, &QSocketNotifier::activated, this, [this] {
            char byte;
            while (read(gPipe[0], &byte, 1) > 0) {
            }
            emit interrupted(int(gReceived));
        });
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

Interrupts::~Interrupts()
{
    gCurrent = nullptr;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    delete mNotifier;
    for (int &fd : gPipe) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
}

Interrupts *Interrupts::current()
{
    return gCurrent;
}

int Interrupts::received()
{
    return int(gReceived);
}

int Interrupts::exitCode(int signal)
{
    return 128 + signal;
}

void Interrupts::secondSignalEnds()
{
    gSecondEnds = 1;
}

} // namespace cli
