#include "charts/bootband.h"

#include "analysis/bootprofile.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QColor kBandFill(90, 160, 255, 70);
const QColor kCentre(150, 190, 255, 170);
const QColor kOutside(255, 40, 40);

void styleBand(BandShade *shade, QCPGraph *centre, QCPGraph *outside)
{
    shade->setPen(Qt::NoPen);
    shade->setBrush(QBrush(kBandFill));
    centre->setPen(QPen(kCentre, 1));
    outside->setPen(QPen(kOutside, 2));
    outside->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, kOutside, 3));
    // Under the current's graph, above the grid; the red samples over it.
    // The centre line without antialiasing, as the shade: across a wide view
    // an antialiased line of a bin a point costs more than the rest.
    for (QCPAbstractPlottable *under : {static_cast<QCPAbstractPlottable *>(shade),
                                        static_cast<QCPAbstractPlottable *>(centre)}) {
        under->setLayer(QStringLiteral("grid"));
        under->setAntialiased(false);
        under->setAntialiasedFill(false);
    }
    for (QCPAbstractPlottable *plottable :
         {static_cast<QCPAbstractPlottable *>(shade), static_cast<QCPAbstractPlottable *>(centre),
          static_cast<QCPAbstractPlottable *>(outside)})
        plottable->setSelectable(QCP::stNone);
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

// ---------------------------------------------------------------------------
// The shade

BandShade::BandShade(QCPAxis *keyAxis, QCPAxis *valueAxis)
    : QCPAbstractPlottable(keyAxis, valueAxis)
{
}

void BandShade::clear()
{
    mKeys.clear();
    mLows.clear();
    mHighs.clear();
}

void BandShade::add(double key, double low, double high)
{
    mKeys.push_back(key);
    mLows.push_back(low);
    mHighs.push_back(high);
}

void BandShade::copyFrom(const BandShade &other)
{
    mKeys = other.mKeys;
    mLows = other.mLows;
    mHighs = other.mHighs;
}

double BandShade::selectTest(const QPointF &, bool, QVariant *) const
{
    return -1; // never selected
}

QCPRange BandShade::getKeyRange(bool &foundRange, QCP::SignDomain) const
{
    foundRange = !mKeys.empty();
    return foundRange ? QCPRange(mKeys.front(), mKeys.back()) : QCPRange();
}

QCPRange BandShade::getValueRange(bool &foundRange, QCP::SignDomain, const QCPRange &) const
{
    foundRange = !mKeys.empty();
    if (!foundRange)
        return QCPRange();
    return QCPRange(*std::min_element(mLows.begin(), mLows.end()),
                    *std::max_element(mHighs.begin(), mHighs.end()));
}

void BandShade::draw(QCPPainter *painter)
{
    QCPAxis *keyAxis = mKeyAxis.data();
    QCPAxis *valueAxis = mValueAxis.data();
    if (mKeys.empty() || !keyAxis || !valueAxis)
        return;
    // The points in view, and one beyond each end.
    const QCPRange range = keyAxis->range();
    size_t first =
        size_t(std::lower_bound(mKeys.begin(), mKeys.end(), range.lower) - mKeys.begin());
    size_t last = size_t(std::upper_bound(mKeys.begin(), mKeys.end(), range.upper) - mKeys.begin());
    first = first > 0 ? first - 1 : 0;
    last = std::min(last + 1, mKeys.size());

    // Per pixel column, the highest and lowest pixel the band reaches there.
    const QRect area = keyAxis->axisRect()->rect();
    const int left = area.left();
    const int columns = area.width();
    if (columns <= 0)
        return;
    std::vector<double> top(size_t(columns), std::numeric_limits<double>::infinity());
    std::vector<double> bottom(size_t(columns), -std::numeric_limits<double>::infinity());
    auto mark = [&](int column, double yHigh, double yLow) {
        if (column < 0 || column >= columns)
            return;
        top[size_t(column)] = std::min({top[size_t(column)], yHigh, yLow});
        bottom[size_t(column)] = std::max({bottom[size_t(column)], yHigh, yLow});
    };
    double x0 = keyAxis->coordToPixel(mKeys[first]) - left;
    double high0 = valueAxis->coordToPixel(mHighs[first]);
    double low0 = valueAxis->coordToPixel(mLows[first]);
    mark(int(std::floor(x0)), high0, low0);
    for (size_t i = first + 1; i < last; ++i) {
        const double x1 = keyAxis->coordToPixel(mKeys[i]) - left;
        const double high1 = valueAxis->coordToPixel(mHighs[i]);
        const double low1 = valueAxis->coordToPixel(mLows[i]);
        // The lines between the two points, column by column.
        const int from = std::max(0, int(std::floor(std::min(x0, x1))));
        const int to = std::min(columns - 1, int(std::ceil(std::max(x0, x1))));
        for (int column = from; column <= to; ++column) {
            const double t = x1 != x0 ? std::clamp((column - x0) / (x1 - x0), 0.0, 1.0) : 1.0;
            mark(column, high0 + t * (high1 - high0), low0 + t * (low1 - low0));
        }
        x0 = x1;
        high0 = high1;
        low0 = low1;
    }
    // One vertical line a column, all drawn in one call (a rectangle filled
    // per column costs a call each).
    QVector<QLineF> lines;
    lines.reserve(columns);
    for (int column = 0; column < columns; ++column) {
        if (top[size_t(column)] > bottom[size_t(column)])
            continue;
        const double y = std::max(top[size_t(column)], double(area.top()));
        const double end = std::min(bottom[size_t(column)], double(area.bottom()));
        const double x = left + column + 0.5;
        if (end >= y)
            lines.append(QLineF(x, y, x, end));
    }
    QPen pen(mBrush.color(), 1);
    pen.setCapStyle(Qt::FlatCap);
    painter->setPen(pen);
    painter->setAntialiasing(false);
    painter->drawLines(lines);
}

void BandShade::drawLegendIcon(QCPPainter *painter, const QRectF &rect) const
{
    painter->fillRect(rect, mBrush);
}

// ---------------------------------------------------------------------------
// The items

BootBandItems::BootBandItems(QCustomPlot *plot, QCPAxis *valueAxis) : mPlot(plot)
{
    mShade = new BandShade(plot->xAxis, valueAxis);
    mCentre = plot->addGraph(plot->xAxis, valueAxis);
    mOutside = plot->addGraph(plot->xAxis, valueAxis);
    styleBand(mShade, mCentre, mOutside);
    mText = makeText(plot, valueAxis);
}

BootBandItems::~BootBandItems()
{
    if (!mPlot)
        return;
    if (mShade)
        mPlot->removePlottable(mShade);
    for (QCPGraph *graph : {mCentre.data(), mOutside.data()}) {
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
    if (mShade)
        mShade->clear();
    for (QCPGraph *graph : {mCentre.data(), mOutside.data()}) {
        if (graph)
            graph->data()->clear();
    }
    mCapturing = false;
    mDrawnBins = 0;
    mLastOutside = false;
}

void BootBandItems::startCapture(double key)
{
    clearDrawing();
    if (!hasBand() || !mShade)
        return;
    mCapturing = true;
    mLastKey = key;
    mLastUs = 0;
}

void BootBandItems::addSample(double key, qint64 atUs, double amps, bool inside)
{
    if (!mCapturing || !mShade)
        return;
    reach(key, atUs);
    if (!inside) {
        mOutside->addData(key, amps);
        mLastOutside = true;
    } else if (mLastOutside) {
        // The red line breaks where the current comes back into the band.
        mOutside->addData(key, std::numeric_limits<double>::quiet_NaN());
        mLastOutside = false;
    }
}

void BootBandItems::reach(double key, qint64 atUs)
{
    if (!mCapturing || !mShade)
        return;
    // The bins this sample has reached join the band, at keys between its
    // own and the sample's before.
    const int bins = int(mTimesUs.size());
    while (mDrawnBins < bins && mTimesUs[size_t(mDrawnBins)] <= atUs) {
        const size_t bin = size_t(mDrawnBins);
        const qint64 t = mTimesUs[bin];
        const double binKey = atUs > mLastUs ? mLastKey + (key - mLastKey) * double(t - mLastUs) /
                                                              double(atUs - mLastUs)
                                             : key;
        mShade->add(binKey, mMaskLow[bin], mMaskHigh[bin]);
        mCentre->addData(binKey, mCentreValues[bin]);
        ++mDrawnBins;
    }
    mLastKey = key;
    mLastUs = std::max(mLastUs, atUs);
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
    auto *shade = new BandShade(plot->xAxis, valueAxis);
    QCPGraph *centre = plot->addGraph(plot->xAxis, valueAxis);
    QCPGraph *outside = plot->addGraph(plot->xAxis, valueAxis);
    styleBand(shade, centre, outside);
    if (mShade)
        shade->copyFrom(*mShade);
    if (mCentre)
        centre->data()->set(*mCentre->data());
    if (mOutside)
        outside->data()->set(*mOutside->data());
    if (mText && mText->visible()) {
        QCPItemText *text = makeText(plot, valueAxis);
        text->setText(mText->text());
        text->setColor(mText->color());
        text->setFont(mText->font());
        text->setVisible(true);
    }
}
