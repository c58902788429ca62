#include "analysis/capturefile.h"

#include "files/chartfile.h"
#include "files/regularfile.h"

#include <QFile>
#include <QList>

#include <cmath>

namespace bootprofile {

namespace {

// Gathers a chart file's current.
class ValueSink : public chartfile::SeriesSink {
public:
    void append(int series, const double *values, int count) override
    {
        if (series != 0)
            return;
        const int room = kMaxFileSamples - int(values_.size());
        values_.insert(values_.end(), values, values + std::min(count, std::max(room, 0)));
    }
    std::vector<double> values_;
};

bool startsLikeChartFile(const QByteArray &head)
{
    QByteArray text = head;
    if (text.startsWith("\xef\xbb\xbf"))
        text.remove(0, 3);
    return text.startsWith("vst,") || text.startsWith("cst,");
}

} // namespace

void SampleSeries::append(qint64 us, double a, double v, bool t, bool gap)
{
    atUs.push_back(us);
    amps.push_back(a);
    volts.push_back(v);
    trigger.push_back(t);
    gapBefore.push_back(gap);
}

QString errorText(const CaptureFileError &error)
{
    switch (error.kind) {
    case CaptureFileError::None:
        return QString();
    case CaptureFileError::CannotOpen:
        return QStringLiteral("cannot open it: %1").arg(error.detail);
    case CaptureFileError::NotCapture:
        return QStringLiteral("it is neither a boot line recording (elapsed_s and current_A "
                              "columns) nor a chart data file");
    case CaptureFileError::NoBoot:
        return QStringLiteral("no boot in it: no trigger press, and the current never rises "
                              "through the start threshold");
    }
    return QString();
}

std::optional<SampleSeries> parseRecording(QIODevice &in, CaptureFileError *error)
{
    // The header: the first line naming the time and current columns.
    int timeColumn = -1;
    int ampsColumn = -1;
    int voltsColumn = -1;
    int triggerColumn = -1;
    int eventColumn = -1;
    int columns = 0;
    SampleSeries series;
    bool gap = false;
    bool header = false;
    qint64 headerBytes = 0;
    // Line by line until the end (an empty read; a line holds at least its
    // end), also from a pipe, where nothing says beforehand that more comes.
    while (series.size() < kMaxFileSamples) {
        QByteArray line = in.readLine(kMaxLineLength);
        if (line.isEmpty())
            break;
        if (line.size() >= kMaxLineLength - 1 && !line.endsWith('\n')) {
            // Too long for a recording's line: passed over to its end.
            while (!line.isEmpty() && !line.endsWith('\n'))
                line = in.readLine(kMaxLineLength);
            continue;
        }
        const QList<QByteArray> cells = line.trimmed().split(',');
        if (!header) {
            QByteArray first = cells.value(0);
            if (first.startsWith("\xef\xbb\xbf"))
                first.remove(0, 3);
            QList<QByteArray> names = cells;
            if (!names.isEmpty())
                names[0] = first;
            timeColumn = names.indexOf("elapsed_s");
            ampsColumn = names.indexOf("current_A");
            voltsColumn = names.indexOf("voltage_V");
            triggerColumn = names.indexOf("trigger");
            eventColumn = names.indexOf("event");
            header = timeColumn >= 0 && ampsColumn >= 0;
            columns = names.size();
            headerBytes += line.size();
            if (!header && headerBytes > 64 * 1024)
                break; // no header near the start: not a recording
            continue;
        }
        if (cells.size() != columns)
            continue;
        if (eventColumn >= 0 && cells[eventColumn] == "disconnected") {
            gap = true;
            continue;
        }
        bool timeOk = false;
        bool ampsOk = false;
        const double seconds = cells[timeColumn].toDouble(&timeOk);
        const double amps = cells[ampsColumn].toDouble(&ampsOk);
        if (!timeOk || !ampsOk || !std::isfinite(seconds) || !std::isfinite(amps) ||
            std::abs(seconds) > 1e9)
            continue;
        const double volts = voltsColumn >= 0 ? cells[voltsColumn].toDouble() : 0.0;
        const bool trigger = triggerColumn >= 0 && cells[triggerColumn].trimmed() == "1";
        series.append(qint64(std::llround(seconds * 1e6)), amps, std::isfinite(volts) ? volts : 0,
                      trigger, gap);
        gap = false;
    }
    if (!header) {
        if (error)
            *error = {CaptureFileError::NotCapture, QString()};
        return std::nullopt;
    }
    return series;
}

SampleSeries seriesOfValues(const double *amps, qint64 count)
{
    SampleSeries series;
    count = std::min<qint64>(count, kMaxFileSamples);
    for (qint64 i = 0; i < count; ++i)
        series.append(i * kChartSampleUs, std::isfinite(amps[i]) ? amps[i] : 0.0, 0, false, false);
    return series;
}

std::optional<SampleSeries> readSamples(const QString &path, CaptureFileError *error)
{
    if (error)
        *error = CaptureFileError();
    QFile file(path);
    if (!regularfile::openForReading(file)) {
        if (error)
            *error = {CaptureFileError::CannotOpen, file.errorString()};
        return std::nullopt;
    }
    if (startsLikeChartFile(file.peek(8))) {
        file.close();
        ValueSink sink;
        if (!chartfile::read(path, chartfile::Layout::OneSeries, sink)) {
            if (error)
                *error = {CaptureFileError::CannotOpen, QStringLiteral("read error")};
            return std::nullopt;
        }
        return seriesOfValues(sink.values_.data(), qint64(sink.values_.size()));
    }
    return parseRecording(file, error);
}

std::optional<Capture> firstCapture(const SampleSeries &series, double thresholdAmps,
                                    qint64 lengthUs, int *startIndex)
{
    Capturer capturer(true);
    capturer.setThresholdAmps(thresholdAmps);
    capturer.setLengthUs(lengthUs);
    int start = -1;
    for (int i = 0; i < series.size(); ++i) {
        if (series.gapBefore[size_t(i)])
            capturer.gap();
        const Capturer::Step step =
            capturer.add(series.atUs[size_t(i)], series.amps[size_t(i)], series.volts[size_t(i)],
                         series.trigger[size_t(i)]);
        // The first capture kept has ended (by its length, a gap or a new
        // press); one too short to keep does not count.
        if (!capturer.kept().empty())
            break;
        if (step == Capturer::Step::Started || step == Capturer::Step::Restarted)
            start = i;
    }
    capturer.stop();
    if (capturer.kept().empty())
        return std::nullopt;
    if (startIndex)
        *startIndex = start;
    return capturer.kept().front();
}

std::optional<Capture> readCapture(const QString &path, double thresholdAmps, qint64 lengthUs,
                                   CaptureFileError *error)
{
    const std::optional<SampleSeries> series = readSamples(path, error);
    if (!series)
        return std::nullopt;
    std::optional<Capture> capture = firstCapture(*series, thresholdAmps, lengthUs);
    if (!capture && error)
        *error = {CaptureFileError::NoBoot, QString()};
    return capture;
}

} // namespace bootprofile
