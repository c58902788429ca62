// One instrument's recording to a CSV file: every sample the tool accepts,
// with its time stamps, handed in batches to a writer thread. The tool's poll
// hands over each accepted answer; this turns it into lines (a meter report
// into one line per sample, its times spread over the report by the rate) and
// gives the writer what has gathered every tenth of a second, so the file
// is at most that far behind. When the instrument goes away a gap line is
// written; when it comes back its lines simply continue, and so do the
// meter's charge and energy, which the recording counts itself from the
// samples and their times. Qt Core and the instruments' report units only.
#pragma once

#include "recording/csvwriter.h"
#include "recording/rows.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

namespace bootline {
struct Reading;
}
namespace power {
struct Status;
}

namespace recording {

class ToolRecording : public QObject {
    Q_OBJECT
public:
    // Longest time lines wait before they go to the writer.
    static constexpr int kHandOverMs = 100;

    explicit ToolRecording(Instrument instrument, QObject *parent = nullptr);
    ~ToolRecording() override;

    Instrument instrument() const { return mInstrument; }

    // Creates the file (an existing one is emptied), writes its header and
    // starts recording; the times count from now. False, with the system's
    // reason, when the file cannot be created; nothing changes then.
    bool start(const QString &fileName, QString *reason);
    // The same with the UTC time of the start given, for tests.
    bool start(const QString &fileName, QString *reason, qint64 startUtcMs);
    // Hands over what has gathered and closes the file when it is written.
    void stop();

    bool isActive() const { return mActive; }
    QString fileName() const { return mFileName; }
    // Lines of samples (not gap lines) since the start.
    qint64 sampleLines() const { return mSampleLines; }
    // A gap line was written and no sample since.
    bool inGap() const { return mInGap; }

    // Microseconds since the start, on the monotonic clock: the time the
    // poll gives with what it hands over.
    qint64 elapsedUs() const;

    // What a tool's poll hands over, with the time it received the answer.
    // Ignored while not recording.
    // A meter report sent for `rateCode`: nothing unless its type is a sample
    // report; at rate codes with one sample per report only every so many
    // reports, as the chart does, so the file follows the rate chosen.
    void addMeterReport(const quint8 *report, quint8 rateCode, qint64 receivedUs);
    void addPowerSupplyStatus(const power::Status &status, qint64 receivedUs);
    void addBootLineReading(const bootline::Reading &reading, quint8 trigger, qint64 receivedUs);
    // The instrument went away: one gap line, however often it is called
    // before the next sample.
    void markGap(qint64 atUs);

    // Gives the writer what has gathered now, and waits until it is written.
    // For tests and benchmarks; the recording does this by itself.
    void flushAndWait();

signals:
    // The file could not be written: the recording has stopped by itself.
    // Noticed at the next hand-over, a tenth of a second after the failing
    // write at most.
    void failed(recording::CsvWriter::Failure failure, const QString &detail);

private:
    // Gives the writer what has gathered, or stops when the writer has
    // given the file up.
    void handOver();
    void handOverIfLarge();

    Instrument mInstrument;
    CsvWriter mWriter;
    RowText mRows;
    QTimer mHandOverTimer;
    QElapsedTimer mClock;
    QString mFileName;
    bool mActive = false;
    bool mInGap = false;
    qint64 mSampleLines = 0;
    // Time of the line written last: samples of a report come after it.
    qint64 mLastLineUs = 0;

    // Meter: reports since the last one recorded, at the slow rates.
    int mSkipped = 0;
    // Meter: charge and energy counted from the samples; the time of the
    // sample before, none at the start and after a gap.
    double mChargeMah = 0;
    double mEnergyMwh = 0;
    qint64 mPreviousSampleUs = -1;
};

} // namespace recording
