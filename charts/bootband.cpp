#include "charts/bootband.h"

#include "analysis/bootprofile.h"

#include <cmath>
#include <limits>

namespace {

const QColor kBandEdge(90, 160, 255, 150);
const QColor kBandFill(90, 160, 255, 55);
const QColor kCentre(210, 210, 210, 200);
const QColor kOutside(255, 40, 40);

void styleBand(QCPGraph *low, QCPGraph *high, QCPGraph *centre, QCPGraph *outside)
{
    low->setPen(QPen(kBandEdge, 1));
    high->setPen(QPen(kBandEdge, 1));
    high->setBrush(QBrush(kBandFill));
    high->setChannelFillGraph(low);
    QPen centrePen(kCentre, 1);
    centrePen.setStyle(Qt::DashLine);
    centre->setPen(centrePen);
    outside->setPen(QPen(kOutside, 2));
    outside->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, kOutside, 3));
    // Under the current's graph, above the grid; the red samples over it.
    for (QCPGraph *graph : {low, high, centre})
        graph->setLayer(QStringLiteral("grid"));
    for (QCPGraph *graph : {low, high, centre, outside})
        graph->setSelectable(QCP::stNone);
}

QCPItemText *makeText(QCustomPlot *plot, QCPAxis *valueAxis)
{
    auto *text = new QCPItemText(plot);
    text->setLayer(QStringLiteral("overlay"));
    text->setClipToAxisRect(true);
    text->setClipAxisRect(valueAxis->axisRect());
    text->position->setAxisRect(valueAxis->axisRect());
    text->position->setType(QCPItemPosition::ptAxisRectRatio);
    text->position->setCoords(0.01, 0.02);
    text->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setTextAlignment(Qt::AlignLeft);
    text->setPadding(QMargins(6, 4, 6, 4));
    text->setBrush(QBrush(QColor(0, 0, 0, 170)));
    text->setSelectable(false);
    text->setVisible(false);
    return text;
}

} // namespace

BootBandItems::BootBandItems(QCustomPlot *plot, QCPAxis *valueAxis) : mPlot(plot)
{
    mLow = plot->addGraph(plot->xAxis, valueAxis);
    mHigh = plot->addGraph(plot->xAxis, valueAxis);
    mCentre = plot->addGraph(plot->xAxis, valueAxis);
    mOutside = plot->addGraph(plot->xAxis, valueAxis);
    styleBand(mLow, mHigh, mCentre, mOutside);
    mText = makeText(plot, valueAxis);
}

BootBandItems::~BootBandItems()
{
    if (!mPlot)
        return;
    for (QCPGraph *graph : {mLow.data(), mHigh.data(), mCentre.data(), mOutside.data()}) {
        if (graph)
            mPlot->removeGraph(graph);
    }
    if (mText)
        mPlot->removeItem(mText);
}

QColor BootBandItems::toneColour(Tone tone)
{
    switch (tone) {
    case Tone::Pass:
        return QColor(0, 230, 90);
    case Tone::Fail:
        return QColor(255, 70, 70);
    case Tone::Neutral:
        break;
    }
    return QColor(220, 220, 220);
}

void BootBandItems::setBand(const bootprofile::Band &band)
{
    const int bins = band.bins();
    mTimesUs.resize(size_t(bins));
    mMaskLow.resize(size_t(bins));
    mMaskHigh.resize(size_t(bins));
    mCentreValues.resize(size_t(bins));
    for (int bin = 0; bin < bins; ++bin) {
        const qint64 middle = qint64(bin) * band.binUs() + band.binUs() / 2;
        const bootprofile::Mask mask = band.maskAt(middle);
        mTimesUs[size_t(bin)] = middle;
        mMaskLow[size_t(bin)] = mask.low;
        mMaskHigh[size_t(bin)] = mask.high;
        mCentreValues[size_t(bin)] = band.centre(bin);
    }
    clearDrawing();
}

void BootBandItems::clearBand()
{
    mTimesUs.clear();
    mMaskLow.clear();
    mMaskHigh.clear();
    mCentreValues.clear();
    clearDrawing();
}

void BootBandItems::clearDrawing()
{
    for (QCPGraph *graph : {mLow.data(), mHigh.data(), mCentre.data(), mOutside.data()}) {
        if (graph)
            graph->data()->clear();
    }
    mCapturing = false;
    mFixedBins = 0;
    mLastOutside = false;
}

void BootBandItems::setKeysFrom(int firstBin, double originKey)
{
    // Bins from firstBin on: 2 ms a sample from the key the capture's time 0
    // has ahead of the newest sample.
    QCPGraph *graphs[3] = {mLow, mHigh, mCentre};
    for (QCPGraph *graph : graphs) {
        auto it = graph->data()->begin() + firstBin;
        for (size_t bin = size_t(firstBin); bin < mTimesUs.size(); ++bin, ++it)
            it->key = originKey + double(mTimesUs[bin]) / double(kNominalSampleUs);
    }
}

void BootBandItems::startCapture(double key)
{
    clearDrawing();
    if (!hasBand() || !mLow)
        return;
    mCapturing = true;
    mLastKey = key;
    mLastUs = 0;
    mAheadOrigin = key;
    const int bins = int(mTimesUs.size());
    QVector<double> keys(bins);
    for (int bin = 0; bin < bins; ++bin)
        keys[bin] = key + double(mTimesUs[size_t(bin)]) / double(kNominalSampleUs);
    mLow->setData(keys, QVector<double>(mMaskLow.begin(), mMaskLow.end()), true);
    mHigh->setData(keys, QVector<double>(mMaskHigh.begin(), mMaskHigh.end()), true);
    mCentre->setData(keys, QVector<double>(mCentreValues.begin(), mCentreValues.end()), true);
}

void BootBandItems::addSample(double key, qint64 atUs, double amps, bool inside)
{
    if (!mCapturing || !mLow)
        return;
    // The bins this sample has passed take keys between it and the one before.
    const int bins = int(mTimesUs.size());
    QCPGraph *graphs[3] = {mLow, mHigh, mCentre};
    while (mFixedBins < bins && mTimesUs[size_t(mFixedBins)] <= atUs) {
        const qint64 t = mTimesUs[size_t(mFixedBins)];
        const double binKey = atUs > mLastUs ? mLastKey + (key - mLastKey) * double(t - mLastUs) /
                                                              double(atUs - mLastUs)
                                             : key;
        for (QCPGraph *graph : graphs)
            (graph->data()->begin() + mFixedBins)->key = binKey;
        ++mFixedBins;
    }
    mLastKey = key;
    mLastUs = std::max(mLastUs, atUs);
    // The bins ahead: moved only when the polls have drifted half a sample
    // from where they were placed.
    const double origin = key - double(atUs) / double(kNominalSampleUs);
    if (std::abs(origin - mAheadOrigin) >= 0.5 && mFixedBins < bins) {
        mAheadOrigin = origin;
        setKeysFrom(mFixedBins, origin);
    }

    if (!inside) {
        mOutside->addData(key, amps);
        mLastOutside = true;
    } else if (mLastOutside) {
        // The red line breaks where the current comes back into the band.
        mOutside->addData(key, std::numeric_limits<double>::quiet_NaN());
        mLastOutside = false;
    }
}

void BootBandItems::setVerdict(const QString &verdict, const QString &summary, Tone tone)
{
    if (!mText)
        return;
    const QString text = summary.isEmpty() ? verdict : verdict + QLatin1Char('\n') + summary;
    if (text.isEmpty()) {
        mText->setVisible(false);
        return;
    }
    mText->setText(text);
    mText->setColor(toneColour(tone));
    QFont font = mText->font();
    font.setBold(true);
    mText->setFont(font);
    mText->setVisible(true);
}

void BootBandItems::copyTo(QCustomPlot *plot, QCPAxis *valueAxis) const
{
    QCPGraph *low = plot->addGraph(plot->xAxis, valueAxis);
    QCPGraph *high = plot->addGraph(plot->xAxis, valueAxis);
    QCPGraph *centre = plot->addGraph(plot->xAxis, valueAxis);
    QCPGraph *outside = plot->addGraph(plot->xAxis, valueAxis);
    styleBand(low, high, centre, outside);
    const QCPGraph *from[4] = {mLow, mHigh, mCentre, mOutside};
    QCPGraph *to[4] = {low, high, centre, outside};
    for (int k = 0; k < 4; ++k) {
        if (from[k])
            to[k]->data()->set(*from[k]->data());
    }
    if (mText && mText->visible()) {
        QCPItemText *text = makeText(plot, valueAxis);
        text->setText(mText->text());
        text->setColor(mText->color());
        text->setFont(mText->font());
        text->setVisible(true);
    }
}
