// The boot check drawn on a chart whose keys are sample numbers (the boot
// line's): the band a capture is held against, shaded, with its centre line,
// aligned at the capture's start and drawn as far as the capture has come;
// the samples that left it in red as they come; and the verdict with its
// summary in the chart's corner. One set of items, so that whatever draws
// the chart (the page, "Export image…") carries the check with it.
#pragma once

#include <QColor>
#include <QPointer>
#include <QString>

#include <qcustomplot.h>

#include <vector>

namespace bootprofile {
class Band;
}

// The band's shade: the area between a lower and an upper line given at the
// same keys (sorted), on a chart whose key axis is horizontal. Drawn as one
// rectangle per pixel column of the view, from the lowest to the highest
// value the lines reach in it: a polygon of a point per bin would cost, to
// fill, about the square of its points at every redraw.
class BandShade : public QCPAbstractPlottable {
public:
    BandShade(QCPAxis *keyAxis, QCPAxis *valueAxis);

    void clear();
    // Adds a point at a key not below the last one's.
    void add(double key, double low, double high);
    int size() const { return int(mKeys.size()); }
    double key(int i) const { return mKeys[size_t(i)]; }
    double low(int i) const { return mLows[size_t(i)]; }
    double high(int i) const { return mHighs[size_t(i)]; }
    void copyFrom(const BandShade &other);

    double selectTest(const QPointF &pos, bool onlySelectable, QVariant *details) const override;
    QCPRange getKeyRange(bool &foundRange, QCP::SignDomain inSignDomain) const override;
    QCPRange getValueRange(bool &foundRange, QCP::SignDomain inSignDomain,
                           const QCPRange &inKeyRange) const override;

protected:
    void draw(QCPPainter *painter) override;
    void drawLegendIcon(QCPPainter *painter, const QRectF &rect) const override;

private:
    std::vector<double> mKeys;
    std::vector<double> mLows;
    std::vector<double> mHighs;
};

class BootBandItems {
public:
    // The boot line's 2 ms poll: how far apart its samples are, nominally.
    static constexpr qint64 kNominalSampleUs = 2000;

    enum class Tone { Neutral, Pass, Fail };

    // Items on `plot`, drawn against its bottom axis and `valueAxis`.
    BootBandItems(QCustomPlot *plot, QCPAxis *valueAxis);
    ~BootBandItems();
    BootBandItems(const BootBandItems &) = delete;
    BootBandItems &operator=(const BootBandItems &) = delete;

    // The band to draw from now on: the mask a sample is held against (the
    // band with its time tolerance) and the centre line, a point per bin (at
    // its middle). Nothing is drawn until a capture starts.
    void setBand(const bootprofile::Band &band);
    // No band: nothing drawn but the verdict.
    void clearBand();
    // A capture starts at the sample whose key is `key`: the band is drawn
    // from there, what was drawn of the last capture goes.
    void startCapture(double key);
    // A sample of the capture, `atUs` after its start, at `key`: the bins it
    // has reached are drawn, at keys between its own and the sample's before
    // (the polls are not exactly 2 ms apart), and a sample outside the band
    // in red. The band goes no further than the samples: the chart's view
    // follows the newest key of all it draws. Costs the bins it reaches.
    void addSample(double key, qint64 atUs, double amps, bool inside);
    // The band drawn as far as `atUs` at `key`, without a sample there (the
    // sample that ended the capture at its length).
    void reach(double key, qint64 atUs);
    // Everything drawn goes (the chart was emptied).
    void clearDrawing();

    // The verdict in the chart's top left corner, in its tone's colour.
    void setVerdict(const QString &verdict, const QString &summary, Tone tone);

    bool hasBand() const { return !mTimesUs.empty(); }
    // A capture's band is being drawn.
    bool capturing() const { return mCapturing; }
    const BandShade *shade() const { return mShade; }
    const QCPGraph *centreGraph() const { return mCentre; }
    const QCPGraph *outsideGraph() const { return mOutside; }
    const QCPItemText *verdictItem() const { return mText; }
    static QColor toneColour(Tone tone);

    // Draws the same items onto another chart with the same keys (the
    // export of a chart on another plot), against its bottom axis and
    // `valueAxis`.
    void copyTo(QCustomPlot *plot, QCPAxis *valueAxis) const;

private:
    QPointer<QCustomPlot> mPlot;
    QPointer<BandShade> mShade;
    QPointer<QCPGraph> mCentre;
    QPointer<QCPGraph> mOutside;
    QPointer<QCPItemText> mText;

    // Per bin: its middle's time, the mask and the centre.
    std::vector<qint64> mTimesUs;
    std::vector<double> mMaskLow;
    std::vector<double> mMaskHigh;
    std::vector<double> mCentreValues;

    bool mCapturing = false;
    // Bins drawn: those the capture's samples have reached.
    int mDrawnBins = 0;
    double mLastKey = 0;
    qint64 mLastUs = 0;
    bool mLastOutside = false;
};
