#include "scans.h"

#include <QCoreApplication>
#include <QThreadPool>

namespace testbench {

void settleScans()
{
    for (int round = 0; round < 5; ++round) {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
    }
}

} // namespace testbench
