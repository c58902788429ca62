// What the benchmarks share: processor time and memory of this process, the
// machine's load, a median, and the result lines that ./dev bench gathers
// into one table.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace benchsupport {

// Processor time (user and system) of the whole process, all threads, in
// seconds: the figure for a CPU share on a machine shared with other work,
// where wall-clock time also holds the waits for a core.
double processCpuSeconds();
// Processor time of the calling thread, in seconds.
double threadCpuSeconds();

// Resident memory of this process (VmRSS), bytes; -1 when unknown.
long long residentBytes();
// The peak resident memory (VmHWM) since the start or the last reset, bytes;
// -1 when unknown.
long long peakResidentBytes();
// Sets the peak resident memory back to the current resident memory; false
// where the system does not allow it.
bool resetPeakResident();
// Bytes the heap has handed out (small blocks and mapped large blocks),
// after returning freed memory to the system.
long long heapInUseBytes();

// The machine's load averages over 1, 5 and 15 minutes, as /proc/loadavg
// gives them.
QByteArray loadAverage();

double median(std::vector<double> values);

// One row of the table ./dev bench prints after all benchmarks: the figure
// with its measured value, the target, and whether it is met. Printed as a
// line of its own starting with "RESULT|".
void reportFigure(const QString &figure, const QString &target, bool pass);

} // namespace benchsupport
