// One instrument's recording to a CSV file: every sample the tool accepts,
// with its time stamps, handed in batches to a writer thread. The
// instrument's engine hands over each accepted answer, decoded and timed;
// this turns it into lines (a meter answer into one line per sample) and
// gives the writer what has gathered every tenth of a second, so the file
// is at most that far behind. When the instrument goes away a gap line is
// written; when it comes back its lines simply continue, and so do the
// meter's charge and energy, which the recording counts itself from the
// samples and their times. Qt Core and the instruments' report units only.
#pragma once

#include "recording/csvwriter.h"
#include "recording/rows.h"
#include "tools/meter/counting.h"

#include <QObject>
#include <QString>
#include <QTimer>

class BootLineEngine;
class MeterEngine;
class PowerEngine;
namespace bootline {
struct Answer;
}
namespace meter {
struct Answer;
}
namespace power {
struct Answer;
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
    // The same with the start given: its UTC time, and its time on the
    // engines' clock (engine::nowUs()), for tests.
    bool start(const QString &fileName, QString *reason, qint64 startUtcMs, qint64 startUs);
    bool start(const QString &fileName, QString *reason, qint64 startUtcMs, qint64 startUs,
               bool standardOutput);
    // The same to the process's standard output, as the command line
    // records to a pipe: lines go out as each answer comes.
    bool startOnStandardOutput(QString *reason);
    // Hands over what has gathered and closes the file when it is written.
    void stop();
    // The same after a last line naming why the recording ends (a stop
    // condition: "stopped: current<50mA for 60s"), timed at `atUs` on the
    // engines' clock (not before the start). See RowText::addEvent for what
    // the event may hold.
    void stopWithEvent(qint64 atUs, const QByteArray &event);

    // Chosen before the start: CSV (the default) or JSON Lines.
    void setFormat(Format format) { mFormat = format; }
    // Limits of the next start (none by default): no more sample lines than
    // this many; no sample measured this long after the start or later.
    // limitReached() says when one has been met.
    void setSampleLimit(qint64 lines) { mSampleLimit = lines; }
    void setDurationLimitUs(qint64 us) { mDurationLimitUs = us; }
    bool limitReached() const { return mLimitReached; }
    // When the recording started, on the engines' clock.
    qint64 startUs() const { return mStartUs; }

    bool isActive() const { return mActive; }
    QString fileName() const { return mFileName; }
    // Lines of samples (not gap lines) since the start.
    qint64 sampleLines() const { return mSampleLines; }
    // A gap line was written and no sample since.
    bool inGap() const { return mInGap; }

    // Listens to an instrument's engine from now on: its answers and gaps
    // come here (and are ignored while not recording).
    void follow(MeterEngine &engine);
    void follow(PowerEngine &engine);
    void follow(BootLineEngine &engine);

    // What an engine hands over, timed on the engines' clock. Ignored while
    // not recording; samples measured before the start are not part of it.
    // A meter answer: its samples (none unless it is a sample report); at
    // the slow rates only every so many reports, as the chart takes them, so
    // the file follows the rate chosen.
    void addMeterAnswer(const meter::Answer &answer);
    void addPowerSupplyAnswer(const power::Answer &answer);
    void addBootLineAnswer(const bootline::Answer &answer);
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
    // Whether a sample measured at `atUs` goes into the file: after the start
    // and within the limits.
    bool takes(qint64 atUs);
    // A sample line was added.
    void sampleAdded();

    Instrument mInstrument;
    CsvWriter mWriter;
    RowText mRows;
    QTimer mHandOverTimer;
    // The start on the engines' clock: lines are timed from it.
    qint64 mStartUs = 0;
    Format mFormat = Format::Csv;
    bool mImmediate = false;
    qint64 mSampleLimit = -1;
    qint64 mDurationLimitUs = -1;
    bool mLimitReached = false;
    QString mFileName;
    bool mActive = false;
    bool mInGap = false;
    qint64 mSampleLines = 0;

    // Meter: reports since the last one recorded, at the slow rates.
    quint16 mSkipped = 0;
    // Meter: charge and energy counted from the samples and their times,
    // nothing over a gap.
    counting::Integrator mCount;
};

} // namespace recording
