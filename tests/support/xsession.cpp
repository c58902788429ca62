#include "xsession.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QVector>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

// After the Qt headers: these define macros such as None and KeyPress.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace xsession {

namespace {

// The window manager's settings, so that a developer's own openbox
// configuration cannot change what the tests see: click to focus and raise,
// new windows focused, no screen margins, one desktop.
const char kManagerConfig[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy></placement>
  <desktops><number>1</number></desktops>
  <margins><top>0</top><bottom>0</bottom><left>0</left><right>0</right></margins>
  <mouse>
    <dragThreshold>1</dragThreshold>
    <context name="Client">
      <mousebind button="Left" action="Press">
        <action name="Focus"/><action name="Raise"/>
      </mousebind>
    </context>
  </mouse>
</openbox_config>
)";

void sleepMs(int ms)
{
    const timespec pause{ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&pause, nullptr);
}

// Starts a program with the given arguments and extra environment. Its output
// goes to logPath. keepFd stays open in the child (for Xvfb's -displayfd).
// The child is sent SIGTERM if this process dies first.
int spawn(const QString &program, const QStringList &arguments, const QStringList &environment,
          const QString &logPath, int keepFd = -1)
{
    // Everything the child needs is prepared before the fork.
    QList<QByteArray> argBytes{QFile::encodeName(program)};
    for (const QString &argument : arguments)
        argBytes << argument.toLocal8Bit();
    QVector<char *> argv;
    for (QByteArray &argument : argBytes)
        argv << argument.data();
    argv << nullptr;
    QList<QByteArray> envBytes;
    for (const QString &entry : environment)
        envBytes << entry.toLocal8Bit();
    QVector<char *> envp;
    for (QByteArray &entry : envBytes)
        envp << entry.data();
    for (char **entry = environ; *entry; ++entry) {
        const QByteArray name = QByteArray(*entry).split('=').value(0) + '=';
        const bool replaced =
            std::any_of(envBytes.cbegin(), envBytes.cend(),
                        [&](const QByteArray &own) { return own.startsWith(name); });
        if (!replaced)
            envp << *entry;
    }
    envp << nullptr;
    const QByteArray log = QFile::encodeName(logPath);
    const pid_t parent = getpid();

    const pid_t pid = fork();
    if (pid != 0)
        return pid;

    // Child: only async-signal-safe calls from here on.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent)
        _exit(127);
    const int out = open(log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (out >= 0) {
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
    }
    if (keepFd >= 0)
        fcntl(keepFd, F_SETFD, 0);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
}

void stop(int &pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    for (int waited = 0; waited < 3000; waited += 10) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        sleepMs(10);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

bool exited(int pid)
{
    return waitpid(pid, nullptr, WNOHANG) == pid;
}

QString logTail(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray all = file.readAll();
    return QString::fromLocal8Bit(all.right(600)).trimmed();
}

} // namespace

std::unique_ptr<Session> Session::start(const QSize &screen, QString *why, bool *missing)
{
    *missing = false;
    const QString server = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString manager = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    if (server.isEmpty() || manager.isEmpty()) {
        *missing = true;
        *why = QStringLiteral("%1 not installed (Debian packages xvfb and openbox; "
                              "scripts/install-deps.sh installs them)")
                   .arg(server.isEmpty() ? QStringLiteral("Xvfb") : QStringLiteral("openbox"));
        return nullptr;
    }

    std::unique_ptr<Session> session(new Session);
    QByteArray dirTemplate = QDir::tempPath().toLocal8Bit() + "/quorvaline-x11-XXXXXX";
    if (!mkdtemp(dirTemplate.data())) {
        *why = QStringLiteral("cannot make a temporary folder");
        return nullptr;
    }
    session->m_dir = QString::fromLocal8Bit(dirTemplate);

    // Xvfb picks the first free display number and writes it to the pipe.
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        *why = QStringLiteral("cannot make a pipe");
        return nullptr;
    }
    const QString serverLog = session->m_dir + QStringLiteral("/xvfb.log");
    session->m_serverPid = spawn(
        server,
        {QStringLiteral("-displayfd"), QString::number(pipeFds[1]), QStringLiteral("-screen"),
         QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()),
         QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")},
        {}, serverLog, pipeFds[1]);
    close(pipeFds[1]);
    QByteArray number;
    pollfd readable{pipeFds[0], POLLIN, 0};
    while (!number.endsWith('\n') && poll(&readable, 1, 10000) > 0) {
        char c;
        if (read(pipeFds[0], &c, 1) != 1)
            break;
        number.append(c);
    }
    close(pipeFds[0]);
    if (!number.endsWith('\n')) {
        *why = QStringLiteral("Xvfb did not start: ") + logTail(serverLog);
        return nullptr;
    }
    session->m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());

    const QString configPath = session->m_dir + QStringLiteral("/rc.xml");
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly) || config.write(kManagerConfig) < 0) {
        *why = QStringLiteral("cannot write the window manager's settings");
        return nullptr;
    }
    config.close();
    const QString managerLog = session->m_dir + QStringLiteral("/openbox.log");
    session->m_managerPid = spawn(
        manager, {QStringLiteral("--sm-disable"), QStringLiteral("--config-file"), configPath},
        {QStringLiteral("DISPLAY=") + session->m_display,
         QStringLiteral("XDG_CONFIG_HOME=") + session->m_dir,
         QStringLiteral("XDG_CACHE_HOME=") + session->m_dir},
        managerLog);

    // A window manager owns the WM_S0 selection once it manages screen 0.
    Display *display = XOpenDisplay(session->m_display.toLocal8Bit().constData());
    if (!display) {
        *why = QStringLiteral("cannot connect to Xvfb on ") + session->m_display;
        return nullptr;
    }
    const Atom managerSelection = XInternAtom(display, "WM_S0", False);
    bool managed = false;
    for (int waited = 0; waited < 10000 && !managed; waited += 20) {
        managed = XGetSelectionOwner(display, managerSelection) != 0;
        if (!managed) {
            if (exited(session->m_managerPid)) {
                session->m_managerPid = -1;
                break;
            }
            sleepMs(20);
        }
    }
    XCloseDisplay(display);
    if (!managed) {
        *why = QStringLiteral("openbox did not take the screen: ") + logTail(managerLog);
        return nullptr;
    }
    return session;
}

Session::~Session()
{
    stop(m_managerPid);
    stop(m_serverPid);
    if (!m_dir.isEmpty())
        QDir(m_dir).removeRecursively();
}

Pointer::Pointer(const QString &display)
{
    Display *connection = XOpenDisplay(display.toLocal8Bit().constData());
    if (!connection)
        return;
    int eventBase, errorBase, major, minor;
    if (!XTestQueryExtension(connection, &eventBase, &errorBase, &major, &minor)) {
        XCloseDisplay(connection);
        return;
    }
    m_display = connection;
}

Pointer::~Pointer()
{
    if (m_display)
        XCloseDisplay(static_cast<Display *>(m_display));
}

void Pointer::moveTo(const QPoint &global)
{
    auto *display = static_cast<Display *>(m_display);
    XTestFakeMotionEvent(display, -1, global.x(), global.y(), CurrentTime);
    XSync(display, False);
}

void Pointer::press(int button)
{
    auto *display = static_cast<Display *>(m_display);
    XTestFakeButtonEvent(display, unsigned(button), True, CurrentTime);
    XSync(display, False);
}

void Pointer::release(int button)
{
    auto *display = static_cast<Display *>(m_display);
    XTestFakeButtonEvent(display, unsigned(button), False, CurrentTime);
    XSync(display, False);
}

QRect Pointer::windowGeometry(unsigned long window) const
{
    auto *display = static_cast<Display *>(m_display);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes))
        return QRect();
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    return QRect(x, y, attributes.width, attributes.height);
}

} // namespace xsession
