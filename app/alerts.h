// How a fired stop condition makes itself heard and seen outside the window:
// a short tone the program makes itself (no sound file) and a notification
// through the desktop's notification service on the session bus. The window
// calls them through alerts::Outputs, which tests replace, so that they need
// neither a sound device nor a session bus.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QDBusConnection;

namespace alerts {

// A tone as 16-bit signed little-endian mono PCM at `sampleRate`: a sine of
// `hertz` for `ms` at about a third of full scale, faded in and out over its
// first and last 5 ms so that it starts and ends without a click.
QByteArray tonePcm(int sampleRate, int hertz, int ms);

// The alert's sound: two short rising tones, about half a second, on the
// system's default audio output. Nothing where there is no output or it
// takes no 16-bit PCM; it does not wait for the sound to end.
void playTone();

// Asks org.freedesktop.Notifications on `bus` to show `summary` and `body`
// until the user dismisses it; `delivered` hears whether the service took
// it: false at once for a bus that is not connected, later for a service
// that is not there or refuses. The session bus without `bus`.
void notifyDesktop(const QDBusConnection &bus, const QString &summary, const QString &body,
                   std::function<void(bool)> delivered);
void notifyDesktop(const QString &summary, const QString &body,
                   std::function<void(bool)> delivered);

// What the window alerts with.
struct Outputs {
    std::function<void()> tone = [] { playTone(); };
    std::function<void(const QString &summary, const QString &body,
                       std::function<void(bool delivered)> delivered)>
        notify =
            [](const QString &summary, const QString &body, std::function<void(bool)> delivered) {
                notifyDesktop(summary, body, std::move(delivered));
            };
};

} // namespace alerts
