#include "pictures.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <cstdlib>

namespace testbench {

QString pdfText(const QString &fileName)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (program.isEmpty()) {
        QTest::qFail("pdftotext is missing (Debian package poppler-utils, scripts/install-deps.sh)",
                     __FILE__, __LINE__);
        return QString();
    }
    QProcess process;
    process.start(program,
                  {QStringLiteral("-enc"), QStringLiteral("UTF-8"), fileName, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        QTest::qFail(
            qPrintable(QStringLiteral("pdftotext cannot read %1: %2")
                           .arg(fileName, QString::fromLocal8Bit(process.readAllStandardError()))),
            __FILE__, __LINE__);
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QSize pdfPageSize(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QSize();
    const QByteArray content = file.readAll();
    const int at = content.indexOf("/MediaBox [");
    if (at < 0)
        return QSize();
    const int from = at + int(qstrlen("/MediaBox ["));
    const QList<QByteArray> box =
        content.mid(from, content.indexOf(']', from) - from).simplified().split(' ');
    if (box.size() != 4)
        return QSize();
    return QSize(qRound(box[2].toDouble()), qRound(box[3].toDouble()));
}

int pixelsNear(const QImage &image, const QColor &colour, int tolerance)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            count += std::abs(qRed(line[x]) - colour.red()) <= tolerance &&
                     std::abs(qGreen(line[x]) - colour.green()) <= tolerance &&
                     std::abs(qBlue(line[x]) - colour.blue()) <= tolerance;
        }
    }
    return count;
}

} // namespace testbench
