// Skips of checks that need something of the machine: a tool, a permission,
// a file of the kernel's. Where QUORVALINE_REQUIRE_ALL_CHECKS=1 (./dev check,
// and so CI, sets it: there everything scripts/install-deps.sh installs is
// there, and the run is root), such a skip fails the test instead, so that a
// check CI relies on cannot pass by not running.
#pragma once

#include <QtTest>

namespace testbench {

inline bool skipsFail()
{
    return qEnvironmentVariableIntValue("QUORVALINE_REQUIRE_ALL_CHECKS") == 1;
}

} // namespace testbench

// QSKIP(reason), or QFAIL where every check must run.
#define SKIP_UNLESS_REQUIRED(reason)                                                               \
    do {                                                                                           \
        if (testbench::skipsFail())                                                                \
            QFAIL(qPrintable(QStringLiteral("not run, but QUORVALINE_REQUIRE_ALL_CHECKS "          \
                                            "requires it: ") +                                     \
                             QString(reason)));                                                    \
        QSKIP(qPrintable(QString(reason)));                                                        \
    } while (false)
