// The sample program of the demo: three steps up the demo bench's 20 ohm
// load, 5 V, 9 V and 12 V with a 1 A limit (CV at 0.25, 0.45 and 0.6 A),
// two seconds each. The demo writes it as a program table file; the
// screenshots and the tests fill the table with it.
#pragma once

#include "files/programtable.h"

namespace demo {

struct SampleStep {
    const char *volts;
    const char *amps;
    const char *seconds;
};

constexpr SampleStep kSampleProgram[] = {
    {"5.00", "1.000", "2.0"},
    {"9.00", "1.000", "2.0"},
    {"12.00", "1.000", "2.0"},
};

// The sample as a table file holds it.
inline programtable::Table sampleProgramTable()
{
    programtable::Table table;
    table.header = QStringList{"Volt(V)", "Curr(A)", "Time(S)"};
    for (const SampleStep &step : kSampleProgram)
        table.rows.append({step.volts, step.amps, step.seconds});
    return table;
}

} // namespace demo
