#include "startup.h"

#include "language.h"
#include "singleapplication.h"
#include "widget.h"

#include "quorvaline_version.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QTranslator>
#include <cstdio>
#include <cstring>
#include <memory>

static void initLibraryResources()
{
    // Resources of a static library are registered only when asked for.
    Q_INIT_RESOURCE(resources);
    Q_INIT_RESOURCE(translations);
}

namespace startup {

void initResources()
{
    initLibraryResources();
}

bool printVersionIfAsked(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") != 0)
            continue;
        const QString program = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
        std::printf("%s %s\n", qPrintable(program), QUORVALINE_VERSION);
        std::fflush(stdout);
        return true;
    }
    return false;
}

int runApplication(SingleApplication &app)
{
    QCoreApplication::setApplicationName(QStringLiteral("QUORVALINE"));

    if (app.isRunning()) {
        // No translator is installed yet: this box is Chinese on every system.
        QMessageBox box(QMessageBox::Warning, QStringLiteral("提示！"),
                        QStringLiteral("该程序正在运行中！"), QMessageBox::Ok);
        box.exec();
        return 0;
    }

    initResources();
    const quint32 lcid = language::systemDefaultLcid();
    auto translator = std::make_unique<QTranslator>();
    language::installTranslation(app, *translator, lcid);

    auto window = std::make_unique<Widget>();
    window->show();
    const int exitCode = app.exec();

    window.reset();
    translator.reset();
    return exitCode;
}

int run(int &argc, char **argv)
{
    if (printVersionIfAsked(argc, argv))
        return 0;
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    SingleApplication app(QStringLiteral("QUORVALINE"), argc, argv);
    return runApplication(app);
}

} // namespace startup
