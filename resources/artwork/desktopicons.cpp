// quorvaline-desktopicons — the program's icon for the desktop's icon theme,
// drawn at build time by the same code as the window's icon.
//
//   quorvaline-desktopicons OUTDIR
//
// Writes OUTDIR/hicolor/scalable/apps/quorvaline.svg and
// OUTDIR/hicolor/<n>x<n>/apps/quorvaline.png for each installed size n,
// the folders as the icon theme lays them out. Runs without a display.

#include "resources/artwork/appicon.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

namespace {

bool written(bool ok, const QString &path)
{
    if (!ok)
        std::fprintf(stderr, "quorvaline-desktopicons: cannot write %s\n", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: quorvaline-desktopicons OUTDIR\n");
        return 2;
    }
    const QDir out(args.at(1) + QStringLiteral("/hicolor"));

    bool ok = true;
    const QString scalable = QStringLiteral("scalable/apps");
    ok &= out.mkpath(scalable) &&
          written(artwork::writeAppIconSvg(out.filePath(scalable + "/quorvaline.svg")),
                  out.filePath(scalable + "/quorvaline.svg"));
    for (int size : artwork::kDesktopIconSizes) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString path = out.filePath(folder + "/quorvaline.png");
        ok &= out.mkpath(folder) && written(artwork::writeAppIconPng(path, size), path);
    }
    return ok ? 0 : 1;
}
