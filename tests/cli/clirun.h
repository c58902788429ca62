// The command line run in this process, its standard output and error
// caught in files for the length of the run (tst_cli, tst_cliboot, tst_clistats).
#pragma once

#include "cli/cli.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <unistd.h>

namespace clitest {

struct Result {
    int code = -1;
    QByteArray out;
    QByteArray err;
    // The lines of standard output (without the test log's own debug lines,
    // which QtTest writes there too).
    QList<QByteArray> lines() const
    {
        QList<QByteArray> all;
        for (const QByteArray &line : out.split('\n')) {
            if (!line.isEmpty() && !line.startsWith("QDEBUG"))
                all << line;
        }
        return all;
    }
};

// Runs the command line with standard output and error sent to files.
inline Result runCli(const QStringList &args)
{
    QTemporaryDir dir;
    const QByteArray outPath = QFile::encodeName(dir.filePath(QStringLiteral("out")));
    const QByteArray errPath = QFile::encodeName(dir.filePath(QStringLiteral("err")));
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = dup(1);
    const int savedErr = dup(2);
    FILE *out = std::fopen(outPath.constData(), "w");
    FILE *err = std::fopen(errPath.constData(), "w");
    dup2(fileno(out), 1);
    dup2(fileno(err), 2);
    Result result;
    result.code = cli::run(args);
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut, 1);
    dup2(savedErr, 2);
    close(savedOut);
    close(savedErr);
    std::fclose(out);
    std::fclose(err);
    QFile o(QString::fromLocal8Bit(outPath));
    QFile e(QString::fromLocal8Bit(errPath));
    if (o.open(QIODevice::ReadOnly))
        result.out = o.readAll();
    if (e.open(QIODevice::ReadOnly))
        result.err = e.readAll();
    return result;
}

inline QByteArray fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(no file)");
}

} // namespace clitest

using clitest::fileText;
using clitest::Result;
using clitest::runCli;
