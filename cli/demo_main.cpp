// quorvaline-cli-demo: the command line on the simulated bench the window's
// demo has (a meter on a charging phone, a power supply into a 20 ohm load, a
// boot line, a firmware-update device), for trying it without hardware. The
// sample program table and firmware image are written to the temporary
// folder, and the boot reference of five healthy boots is the reference
// library's. Typed into the terminal, "m", "p" or "b" and Enter pull that
// instrument out of the bench (and plug it in again), "good", "stuck",
// "short", "dead" or "loop" chooses the boot line's phone, "c" lets the
// supply charge a simulated cell; messages about it go to standard error, so
// that standard output stays the command's data.
#include "cli/cli.h"
#include "demo/demobench.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    cli::quietDebugMessages();
    const sim::DemoBench bench = sim::attachDemoBench();
    demo::writeSampleImage();
    demo::writeSampleProgram();
    // 'boot check --profile "demo phone"' finds the demo's reference.
    demo::useDemoReferences();
    demo::reportWhatArrives(bench, stderr);
    demo::plugFromTheTerminal(bench, stderr);
    cli::setProgramName(QStringLiteral("quorvaline-cli-demo"));
    return cli::run(app.arguments().mid(1));
}
