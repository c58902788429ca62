#include "engine/instrument.h"

#include <QElapsedTimer>

namespace engine {

qint64 nowUs()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.nsecsElapsed() / 1000;
}

} // namespace engine
