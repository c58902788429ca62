// quorvaline-cli: the instruments from scripts and test benches, on the real
// instruments through hidapi.
#include "cli/cli.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    cli::quietDebugMessages();
    return cli::run(app.arguments().mid(1));
}
