// A private X server with a window manager, and real pointer input on it, for
// the tests that must meet the window as a user does: through the X server,
// with the window manager placing, moving and resizing it.
//
// The X headers stay in xsession.cpp: their macros (None, KeyPress, ...) would
// clash with Qt's names.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <memory>

namespace xsession {

// Xvfb on a display number it picks itself, and openbox managing it. Both are
// stopped when the session is destroyed; they also end if the test process
// dies. Start it before the application object, destroy it after.
class Session {
public:
    // Starts both and waits until the window manager manages the screen.
    // Returns null with *why set: *missing tells whether a program was not
    // installed (a reason to skip) rather than failed to start (a fault).
    static std::unique_ptr<Session> start(const QSize &screen, QString *why, bool *missing);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // ":N", for DISPLAY.
    QString display() const { return m_display; }

private:
    Session() = default;
    QString m_display;
    QString m_dir;
    int m_serverPid = -1;
    int m_managerPid = -1;
};

// The pointer of a display, driven through the XTEST extension: the server
// turns these into the same events a mouse would give.
class Pointer {
public:
    explicit Pointer(const QString &display);
    ~Pointer();
    Pointer(const Pointer &) = delete;
    Pointer &operator=(const Pointer &) = delete;

    bool isValid() const { return m_display != nullptr; }
    // Each call returns once the server has taken the event.
    void moveTo(const QPoint &global);
    void press(int button = 1);
    void release(int button = 1);
    // Where the server has the given window, in root coordinates.
    QRect windowGeometry(unsigned long window) const;

private:
    void *m_display = nullptr;
};

} // namespace xsession
