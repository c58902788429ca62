// What the window's demo and the command line's demo share: the simulated
// bench, the sample files they write to the temporary folder, and the
// terminal commands that pull an instrument out of the bench and plug it in
// again. Qt Core and the simulator.
#pragma once

#include "sim/simulator.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

namespace demo {

// The sample firmware image: 1 MiB of bytes that look like an image, the same
// on every start.
QByteArray sampleImage();

// Where the sample files go: /tmp/quorvaline-demo-firmware.bin and
// /tmp/quorvaline-demo-program.xls on Linux.
QString sampleImagePath();
QString sampleProgramPath();

// Writes the sample image and the sample program table; false for a file
// that could not be written.
bool writeSampleImage();
bool writeSampleProgram();

// After each end command of a firmware transfer, says on `messages` what the
// simulated firmware-update device holds.
void reportWhatArrives(const sim::DemoBench &bench, FILE *messages);

// Switches the supply's output from its 20 ohm load to a nearly empty
// simulated cell, which it charges in minutes (constant current, then
// constant voltage with the current tapering), or back; says so on
// `messages`.
void switchCell(sim::PowerSupplyModel &supply, FILE *messages);

// Reads the terminal on a thread of its own: each "m", "p" or "b" line pulls
// that instrument out of the bench, or plugs it in again (on a new path, as a
// real replug), and says so on `messages`; a "c" line switches the supply to
// charging a cell or back (switchCell). Ends with the terminal's input.
void plugFromTheTerminal(const sim::DemoBench &bench, FILE *messages);

} // namespace demo
