// The boot check drawn on a chart whose keys are sample numbers (the boot
// line's): the band a capture is held against, shaded, with its centre line,
// aligned at the capture's start; the samples that left it in red as they
// come; and the verdict with its summary in the chart's corner. One set of
// items, so that whatever draws the chart (the page, "Export image…")
// carries the check with it.
#pragma once

#include <QColor>
#include <QPointer>
#include <QString>

#include <qcustomplot.h>

#include <vector>

namespace bootprofile {
class Band;
}

class BootBandItems {
public:
    // Samples are taken this far apart when the keys ahead of the newest
    // sample are worked out: the boot line's 2 ms poll.
    static constexpr qint64 kNominalSampleUs = 2000;

    enum class Tone { Neutral, Pass, Fail };

    // Items on `plot`, drawn against its bottom axis and `valueAxis`.
    BootBandItems(QCustomPlot *plot, QCPAxis *valueAxis);
    ~BootBandItems();
    BootBandItems(const BootBandItems &) = delete;
    BootBandItems &operator=(const BootBandItems &) = delete;

    // The band to draw from now on: the mask a sample is held against (the
    // band with its time tolerance) and the centre line, a point per bin.
    // Nothing is drawn until a capture starts.
    void setBand(const bootprofile::Band &band);
    // No band: nothing drawn but the verdict.
    void clearBand();
    // A capture starts at the sample whose key is `key`: the band is drawn
    // from there, the red samples of the last capture go.
    void startCapture(double key);
    // A sample of the capture, `atUs` after its start, at `key`: the band's
    // keys up to it follow the samples' own keys (the polls are not exactly
    // 2 ms apart), those ahead of it are placed 2 ms a sample; a sample
    // outside the band is drawn in red. Costs the bins it passes, and now
    // and then a shift of those ahead.
    void addSample(double key, qint64 atUs, double amps, bool inside);
    // Everything drawn goes (the chart was emptied).
    void clearDrawing();

    // The verdict in the chart's top left corner, in its tone's colour.
    void setVerdict(const QString &verdict, const QString &summary, Tone tone);

    bool hasBand() const { return !mTimesUs.empty(); }
    // A capture's band is being drawn.
    bool capturing() const { return mCapturing; }
    const QCPGraph *lowGraph() const { return mLow; }
    const QCPGraph *highGraph() const { return mHigh; }
    const QCPGraph *centreGraph() const { return mCentre; }
    const QCPGraph *outsideGraph() const { return mOutside; }
    const QCPItemText *verdictItem() const { return mText; }
    static QColor toneColour(Tone tone);

    // Draws the same items onto another chart with the same keys (the
    // export of a chart on another plot), against its bottom axis and
    // `valueAxis`.
    void copyTo(QCustomPlot *plot, QCPAxis *valueAxis) const;

private:
    void setKeysFrom(int firstBin, double originKey);

    QPointer<QCustomPlot> mPlot;
    QPointer<QCPGraph> mLow;
    QPointer<QCPGraph> mHigh;
    QPointer<QCPGraph> mCentre;
    QPointer<QCPGraph> mOutside;
    QPointer<QCPItemText> mText;

    // Per bin: its middle's time, the mask and the centre.
    std::vector<qint64> mTimesUs;
    std::vector<double> mMaskLow;
    std::vector<double> mMaskHigh;
    std::vector<double> mCentreValues;

    bool mCapturing = false;
    // Bins whose keys follow samples already seen.
    int mFixedBins = 0;
    double mLastKey = 0;
    qint64 mLastUs = 0;
    // Where the bins ahead are placed from: key at time 0 of the capture.
    double mAheadOrigin = 0;
    bool mLastOutside = false;
};
