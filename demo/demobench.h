// What the window's demo and the command line's demo share: the simulated
// bench, the sample files they write to the temporary folder, and the
// terminal commands that pull an instrument out of the bench and plug it in
// again. Qt Core and the simulator.
#pragma once

#include "analysis/bootprofile.h"
#include "sim/simulator.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <optional>

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
// real replug), and says so on `messages`; "good", "stuck", "short", "dead"
// or "loop" chooses the phone the boot line's next press boots (healthy,
// stops at the boot loader, shorted, never starts, reboots in a loop); a "c"
// line switches the supply to charging a cell or back (switchCell). Ends
// with the terminal's input.
void plugFromTheTerminal(const sim::DemoBench &bench, FILE *messages);

// The boot reference the demo ships: five boots of the healthy simulated
// phone (runs 1 to 5, which no press of the demo's boot line repeats), 8 s
// long (or `lengthUs`), with its phases (PMU, boot loader, kernel, idle).
constexpr char kDemoReferenceName[] = "demo phone";
constexpr char kDemoReferenceFile[] = "demo-phone.json";
std::optional<bootprofile::Reference> demoReference(qint64 lengthUs = 8000000);
// The demo's reference folder: quorvaline-demo-references in the temporary
// folder.
QString demoReferenceFolder();
// Writes the demo reference into `folder` and makes it this process's
// reference library, the demo reference chosen; false when it cannot be
// written.
bool useDemoReferences(const QString &folder = demoReferenceFolder());

} // namespace demo
