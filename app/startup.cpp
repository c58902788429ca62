#include "startup.h"

#include "language.h"
#include "singleapplication.h"
#include "widget.h"

#include <QMessageBox>
#include <QTranslator>
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
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    SingleApplication app(QStringLiteral("QUORVALINE"), argc, argv);
    return runApplication(app);
}

} // namespace startup
