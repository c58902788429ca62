// Boot captures from files: a boot line recording (the CSV the window and
// `quorvaline-cli record boot` or `boot capture` write: elapsed_s,
// current_A, voltage_V, trigger and event columns) or a chart data file
// (".cts": currents only, taken as the boot line's 2 ms apart). The capture
// in them is found by the same rules as live (bootprofile::Capturer): at the
// first trigger press, or the first rise through the start threshold (a
// file that starts above it starts there). Qt Core only.
#pragma once

#include "analysis/bootprofile.h"

#include <QString>

#include <optional>
#include <vector>

class QIODevice;

namespace bootprofile {

// A chart data file has no times: its samples count as the boot line's
// polls, 2 ms apart.
constexpr qint64 kChartSampleUs = 2000;
// The most samples read from a file: over an hour at 500 a second.
constexpr int kMaxFileSamples = 2000000;
// Lines longer than this are not a recording's.
constexpr int kMaxLineLength = 4096;

// The samples of a file, in file order.
struct SampleSeries {
    std::vector<qint64> atUs;
    std::vector<double> amps;
    std::vector<double> volts;
    std::vector<bool> trigger;
    // The instrument went away before this sample (a "disconnected" line).
    std::vector<bool> gapBefore;

    int size() const { return int(atUs.size()); }
    void append(qint64 us, double a, double v, bool t, bool gap);
};

struct CaptureFileError {
    enum Kind {
        None,
        CannotOpen, // detail: the system's reason
        NotCapture, // neither a recording with elapsed_s and current_A nor a chart file
        NoBoot,     // no trigger press and no rise through the threshold
    };
    Kind kind = None;
    QString detail;
};
// The reason in English, for the command line.
QString errorText(const CaptureFileError &error);

// A recording (CSV) read from a device: lines that do not parse are passed
// over; at most kMaxFileSamples samples.
std::optional<SampleSeries> parseRecording(QIODevice &in, CaptureFileError *error);
// The values of a chart's or a chart file's current, kChartSampleUs apart.
SampleSeries seriesOfValues(const double *amps, qint64 count);
// A recording or a chart data file (told apart by their contents).
std::optional<SampleSeries> readSamples(const QString &path, CaptureFileError *error);

// The first capture in a series, at most `lengthUs` long; `startIndex` gets
// the index of its first sample.
std::optional<Capture> firstCapture(const SampleSeries &series, double thresholdAmps,
                                    qint64 lengthUs, int *startIndex = nullptr);

// readSamples, then firstCapture; NoBoot when the file holds none.
std::optional<Capture> readCapture(const QString &path, double thresholdAmps, qint64 lengthUs,
                                   CaptureFileError *error);

} // namespace bootprofile
