// Waiting for the charts' background maxima scans, for tests and benchmarks.
#pragma once

namespace testbench {

// Lets every scan on the global thread pool finish and delivers its result
// on the GUI thread, a few rounds over so that a scan started by a delivered
// result is settled too. Must not be called while pool threads are reserved.
void settleScans();

} // namespace testbench
