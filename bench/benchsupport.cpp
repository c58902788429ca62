#include "benchsupport.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <sys/resource.h>

namespace benchsupport {

namespace {
double seconds(const timeval &t)
{
    return double(t.tv_sec) + t.tv_usec / 1e6;
}

// A size field of /proc/self/status ("VmRSS:", "VmHWM:"), in bytes.
long long statusBytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray name(field);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}
} // namespace

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

long long residentBytes()
{
    return statusBytes("VmRSS:");
}

long long peakResidentBytes()
{
    return statusBytes("VmHWM:");
}

bool resetPeakResident()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

long long heapInUseBytes()
{
    malloc_trim(0);
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
}

QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').mid(0, 3).join(' ') : "?";
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

void reportFigure(const QString &figure, const QString &target, bool pass)
{
    std::printf("RESULT|%s|%s|%s\n", figure.toUtf8().constData(), target.toUtf8().constData(),
                pass ? "PASS" : "FAIL");
    std::fflush(stdout);
}

} // namespace benchsupport
