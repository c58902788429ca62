#include "measurecursors.h"

#include "chartexport.h"
#include "livechart.h"
#include "redrawpacer.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <cmath>

namespace {

// Texts of the window, in its translation context.
QString text(const char *source)
{
    return QCoreApplication::translate("Widget", source);
}

const QColor kCursorColour[2] = {QColor(255, 215, 0), QColor(200, 130, 255)};
const char *const kCursorName[2] = {"A", "B"};

// How near (pixels) the pointer must be to a cursor to take it.
constexpr int kGrabPixels = 6;
// The readout's distance from the corner of the plot area.
constexpr int kReadoutMargin = 6;

QString timeText(qint64 us, bool nominal)
{
    const QString mark = nominal ? QStringLiteral("≈") : QString();
    const qint64 ms = (us + (us >= 0 ? 500 : -500)) / 1000;
    if (std::llabs(ms) < 60000)
        return mark + QString::number(double(ms) / 1000, 'f', 3) + QStringLiteral(" s");
    const qint64 total = std::llabs(ms);
    return mark + (ms < 0 ? QStringLiteral("-") : QString()) +
           QStringLiteral("%1:%2:%3.%4")
               .arg(total / 3600000)
               .arg(total / 60000 % 60, 2, 10, QLatin1Char('0'))
               .arg(total / 1000 % 60, 2, 10, QLatin1Char('0'))
               .arg(total % 1000, 3, 10, QLatin1Char('0'));
}

QString number(double value, int decimals)
{
    return std::isfinite(value) ? QString::number(value, 'f', decimals) : QStringLiteral("—");
}

} // namespace

// ---------------------------------------------------------------------------
// Readout

QStringList MeasureReadout::pictureNotes() const
{
    QStringList lines;
    for (const Row &row : rows)
        lines << row.cells.join(QStringLiteral("   "));
    return lines;
}

QString MeasureReadout::clipboardText() const
{
    QStringList lines;
    for (const Row &row : rows)
        lines << row.cells.join(QLatin1Char('\t'));
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

// ---------------------------------------------------------------------------
// Cursors

MeasureCursors::MeasureCursors(QCustomPlot *plot, LiveChartState &state,
                               const ChartProfile &profile, qint64 a, qint64 b)
    : QObject(plot), mPlot(plot), mState(state), mProfile(profile)
{
    for (int c = 0; c < 2; ++c) {
        auto *line = new QCPItemStraightLine(plot);
        line->setPen(QPen(kCursorColour[c], 1));
        line->setSelectable(false);
        line->setLayer(QStringLiteral("overlay"));
        for (QCPItemPosition *p : {line->point1, line->point2}) {
            p->setTypeX(QCPItemPosition::ptPlotCoords);
            p->setTypeY(QCPItemPosition::ptAxisRectRatio);
            p->setAxes(plot->xAxis, plot->yAxis);
            p->setAxisRect(plot->axisRect());
        }
        line->point1->setCoords(0, 0);
        line->point2->setCoords(0, 1);
        mLines[c] = line;

        auto *handle = new QCPItemText(plot);
        handle->setSelectable(false);
        handle->setLayer(QStringLiteral("overlay"));
        handle->setClipToAxisRect(false);
        handle->position->setAxes(plot->xAxis, plot->yAxis);
        handle->position->setAxisRect(plot->axisRect());
        handle->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
        handle->setPositionAlignment(Qt::AlignBottom | Qt::AlignHCenter);
        handle->setBrush(QBrush(kCursorColour[c]));
        handle->setPen(QPen(kCursorColour[c]));
        handle->setColor(Qt::black);
        QFont font = plot->font();
        font.setBold(true);
        handle->setFont(font);
        handle->setPadding(QMargins(4, 1, 4, 1));
        handle->setText(QLatin1String(kCursorName[c]));
        mHandles[c] = handle;
    }
    mReadoutItem = new ReadoutItem(plot);
    mReadoutItem->setLayer(QStringLiteral("overlay"));
    // The lines and handles go into the chart's pictures as they are; the
    // readout goes there as note lines under the title (pictureNotes()).
    for (int c = 0; c < 2; ++c) {
        chartexport::showInPictures(mLines[c]);
        chartexport::showInPictures(mHandles[c]);
    }

    mIndex[0] = qMax<qint64>(0, state.series.sampleNear(a));
    mIndex[1] = qMax<qint64>(0, state.series.sampleNear(b));
    measure();
    placeItems();

    // Where the view goes, the cursors follow their samples.
    connect(plot, &QCustomPlot::beforeReplot, this, &MeasureCursors::placeItems);
    mHadMouseTracking = plot->hasMouseTracking();
    plot->setMouseTracking(true);
    mFocusPolicy = plot->focusPolicy();
    plot->setFocusPolicy(Qt::ClickFocus);
    plot->installEventFilter(this);
    requestRedraw();
}

MeasureCursors::~MeasureCursors()
{
    // A chart that is going has deleted the items already, and is no chart
    // to tidy up any more.
    // (The items first: while the chart's own destructor runs, asking the
    // pointer to the chart would look at a QCustomPlot that is no longer
    // one.)
    if (!mReadoutItem || !mPlot)
        return;
    mPlot->removeEventFilter(this);
    for (QCPAbstractItem *item : items())
        mPlot->removeItem(item);
    mPlot->setMouseTracking(mHadMouseTracking);
    mPlot->setFocusPolicy(mFocusPolicy);
    if (mHoverShape)
        mPlot->unsetCursor();
    if (mState.redraw)
        mState.redraw->request();
    else
        mPlot->replot(QCustomPlot::rpQueuedReplot);
}

QList<QCPAbstractItem *> MeasureCursors::items() const
{
    QList<QCPAbstractItem *> items;
    for (QCPAbstractItem *item :
         {static_cast<QCPAbstractItem *>(mLines[0]), static_cast<QCPAbstractItem *>(mLines[1]),
          static_cast<QCPAbstractItem *>(mHandles[0]), static_cast<QCPAbstractItem *>(mHandles[1]),
          static_cast<QCPAbstractItem *>(mReadoutItem)}) {
        if (item)
            items << item;
    }
    return items;
}

bool MeasureCursors::initialPlace(const QCustomPlot *plot, const LiveChartState &state, int x,
                                  qint64 *a, qint64 *b)
{
    const qint64 count = state.series.count();
    if (count == 0)
        return false;
    const QCPRange range = plot->xAxis->range();
    qint64 low = qMax<qint64>(0, qint64(std::ceil(range.lower)));
    qint64 high = qMin<qint64>(count - 1, qint64(std::floor(range.upper)));
    if (low > high) { // the view shows none of the samples: all of them
        low = 0;
        high = count - 1;
    }
    const QRect rect = plot->axisRect()->rect();
    qint64 first = low + (high - low) / 3;
    qint64 second = low + 2 * (high - low) / 3;
    if (x >= rect.left() && x <= rect.right()) {
        const qint64 quarter = qMax<qint64>(1, qint64(range.size() / 4));
        first = qBound(low, qint64(std::llround(plot->xAxis->pixelToCoord(x))), high);
        second = qMin(high, first + quarter);
        if (second == first)
            first = qMax(low, first - quarter);
    }
    if (first == second) {
        first = low;
        second = high;
    }
    *a = first;
    *b = second;
    return true;
}

void MeasureCursors::setIndex(int cursor, qint64 index, int direction)
{
    const qint64 sample = mState.series.sampleNear(index, direction);
    mActive = cursor;
    if (sample < 0 || sample == mIndex[cursor])
        return;
    mIndex[cursor] = sample;
    measure();
    placeItems();
    requestRedraw();
}

void MeasureCursors::step(qint64 steps)
{
    const qint64 count = mState.series.count();
    if (count == 0 || steps == 0)
        return;
    const qint64 target = qBound<qint64>(0, mIndex[mActive] + steps, count - 1);
    setIndex(mActive, target, steps > 0 ? 1 : -1);
}

void MeasureCursors::requestRedraw()
{
    if (mState.redraw)
        mState.redraw->request();
    else if (mPlot)
        mPlot->replot(QCustomPlot::rpQueuedReplot);
}

void MeasureCursors::measure()
{
    chartfile::ValueSeries views[3];
    seriesViews(mState, views);
    const statistics::SeriesIndex &series = mState.series;
    mMeasurement = series.measure(mIndex[0], mIndex[1], views);
    const statistics::Roles &roles = series.roles();

    MeasureReadout readout;
    auto row = [&readout](QStringList cells, bool table = false, QColor colour = QColor()) {
        readout.rows.append({cells, table, colour});
    };
    row({QStringLiteral("A"), timeText(series.timeUs(mIndex[0]), series.isNominal(mIndex[0])),
         QStringLiteral("B"), timeText(series.timeUs(mIndex[1]), series.isNominal(mIndex[1]))});
    const qint64 dt = series.timeUs(mIndex[1]) - series.timeUs(mIndex[0]);
    row({QStringLiteral("Δt"), timeText(dt, series.nominalWithin(mIndex[0], mIndex[1])),
         text("样本"), QString::number(mMeasurement.samples())});
    row({QString(), text("A 处"), text("B 处"), text("最小"), text("最大"), text("平均"),
         text("峰峰值")},
        true);
    for (int k = 0; k < roles.traces; ++k) {
        const char *name = k == roles.voltage ? "电压" : k == roles.current ? "电流" : "功率";
        const int decimals = mProfile.readoutDecimals[size_t(k)];
        const statistics::TraceSummary &t = mMeasurement.trace(k);
        auto at = [&views, k](qint64 i) {
            return i < views[k].count ? views[k][i] : std::numeric_limits<double>::quiet_NaN();
        };
        row({text(name) + QLatin1Char(' ') + QLatin1String(mProfile.tagUnit[size_t(k)]),
             number(at(mIndex[0]), decimals), number(at(mIndex[1]), decimals),
             number(t.count ? t.min : NAN, decimals), number(t.count ? t.max : NAN, decimals),
             number(t.mean(), decimals + 1), number(t.peakToPeak(), decimals)},
            true, mProfile.graphColor[size_t(k)]);
    }
    if (roles.hasCharge())
        row({text("电荷"), number(mMeasurement.chargeMah(), 4) + QStringLiteral(" mAh"),
             number(mMeasurement.chargeCoulombs(), 3) + QStringLiteral(" C")});
    if (roles.hasEnergy())
        row({text("能量"), number(mMeasurement.energyMwh(), 4) + QStringLiteral(" mWh"),
             number(mMeasurement.energyJoules(), 3) + QStringLiteral(" J")});
    mReadout = readout;
    if (mReadoutItem)
        mReadoutItem->setReadout(mReadout);
}

void MeasureCursors::placeItems()
{
    // (The items first: while the chart's own destructor runs, asking the
    // pointer to the chart would look at a QCustomPlot that is no longer
    // one.)
    if (!mReadoutItem || !mPlot)
        return;
    const QCPRange range = mPlot->xAxis->range();
    for (int c = 0; c < 2; ++c) {
        const double key = double(mIndex[c]);
        const int edge = key < range.lower ? -1 : key > range.upper ? 1 : 0;
        mLines[c]->point1->setCoords(key, 0);
        mLines[c]->point2->setCoords(key, 1);
        mLines[c]->setVisible(edge == 0);
        QCPItemText *handle = mHandles[c].data();
        if (edge == 0) {
            handle->position->setTypeX(QCPItemPosition::ptPlotCoords);
            handle->position->setCoords(key, 1);
        } else {
            handle->position->setTypeX(QCPItemPosition::ptAxisRectRatio);
            handle->position->setCoords(edge < 0 ? 0 : 1, 1);
        }
        if (edge != mEdge[c]) {
            const QString name = QLatin1String(kCursorName[c]);
            handle->setText(edge < 0   ? QStringLiteral("◀") + name
                            : edge > 0 ? name + QStringLiteral("▶")
                                       : name);
            handle->setPositionAlignment(Qt::AlignBottom | (edge < 0   ? Qt::AlignLeft
                                                            : edge > 0 ? Qt::AlignRight
                                                                       : Qt::AlignHCenter));
            mEdge[c] = edge;
        }
    }
}

int MeasureCursors::cursorNear(int x) const
{
    int nearest = -1;
    double best = kGrabPixels + 0.5;
    for (int c = 1; c >= 0; --c) { // B first: drawn last, on top
        if (mEdge[c] != 0)
            continue;
        const double distance = std::fabs(mPlot->xAxis->coordToPixel(double(mIndex[c])) - x);
        if (distance < best) {
            best = distance;
            nearest = c;
        }
    }
    return nearest;
}

bool MeasureCursors::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != mPlot)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton || !mPlot->axisRect()
                                                      ->rect()
                                                      .adjusted(-kGrabPixels, 0, kGrabPixels, 24)
                                                      .contains(mouse->pos()))
            return false;
        const int c = cursorNear(mouse->pos().x());
        if (c < 0)
            return false;
        mDragging = c;
        mActive = c;
        mPlot->setFocus(Qt::MouseFocusReason);
        return true; // no drag of the view, no selection
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mDragging >= 0) {
            setIndex(mDragging, std::llround(mPlot->xAxis->pixelToCoord(mouse->pos().x())));
            return true;
        }
        const bool near = mouse->buttons() == Qt::NoButton &&
                          mPlot->axisRect()->rect().contains(mouse->pos()) &&
                          cursorNear(mouse->pos().x()) >= 0;
        if (near != mHoverShape) {
            mHoverShape = near;
            if (near)
                mPlot->setCursor(Qt::SizeHorCursor);
            else
                mPlot->unsetCursor();
        }
        return false;
    }
    case QEvent::MouseButtonRelease:
        if (mDragging >= 0 && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            mDragging = -1;
            return true;
        }
        return false;
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        const qint64 stride = key->modifiers() & Qt::ShiftModifier ? 10 : 1;
        if (key->key() == Qt::Key_Left) {
            step(-stride);
            return true;
        }
        if (key->key() == Qt::Key_Right) {
            step(stride);
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            emit closeRequested();
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------
// Readout box

namespace {
constexpr int kPadding = 6;
constexpr int kColumnGap = 12;
} // namespace

ReadoutItem::ReadoutItem(QCustomPlot *plot)
    : QCPAbstractItem(plot), topLeft(createPosition(QStringLiteral("topLeft")))
{
    topLeft->setType(QCPItemPosition::ptAxisRectRatio);
    topLeft->setAxisRect(plot->axisRect());
    topLeft->setCoords(0, 0);
    setSelectable(false);
    mFont = plot->font();
}

void ReadoutItem::setReadout(const MeasureReadout &readout)
{
    mReadout = readout;
    mCacheValid = false;
}

void ReadoutItem::setColours(const QColor &text, const QColor &background, const QColor &border)
{
    mText = text;
    mBackground = background;
    mBorder = border;
    mCacheValid = false;
}

void ReadoutItem::setFont(const QFont &font)
{
    mFont = font;
    mCacheValid = false;
}

double ReadoutItem::selectTest(const QPointF &, bool, QVariant *) const
{
    return -1; // the chart's clicks go through it
}

namespace {

struct Layout {
    QVector<int> columns; // the table's column widths
    int width = 0;
    int lineHeight = 0;
};

Layout layoutOf(const MeasureReadout &readout, const QFontMetrics &metrics)
{
    Layout layout;
    layout.lineHeight = metrics.height();
    for (const MeasureReadout::Row &row : readout.rows) {
        if (!row.table)
            continue;
        if (layout.columns.size() < row.cells.size())
            layout.columns.resize(row.cells.size());
        for (int i = 0; i < row.cells.size(); ++i)
            layout.columns[i] = qMax(layout.columns[i], metrics.horizontalAdvance(row.cells[i]));
    }
    int tableWidth = 0;
    for (int w : layout.columns)
        tableWidth += w + kColumnGap;
    layout.width = qMax(0, tableWidth - kColumnGap);
    for (const MeasureReadout::Row &row : readout.rows) {
        if (row.table)
            continue;
        int width = 0;
        for (int i = 0; i < row.cells.size(); ++i)
            width += metrics.horizontalAdvance(row.cells[i]) + (i % 2 ? kColumnGap * 2 : 6);
        layout.width = qMax(layout.width, width);
    }
    return layout;
}

} // namespace

QSize ReadoutItem::boxSize() const
{
    const Layout layout = layoutOf(mReadout, QFontMetrics(mFont));
    return QSize(layout.width + 2 * kPadding,
                 layout.lineHeight * mReadout.rows.size() + 2 * kPadding);
}

void ReadoutItem::paintBox(QPainter *painter) const
{
    const QFontMetrics metrics(mFont);
    const Layout layout = layoutOf(mReadout, metrics);
    const QSize size = boxSize();
    painter->setPen(QPen(mBorder, 1));
    painter->setBrush(mBackground);
    painter->drawRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1));
    painter->setFont(mFont);
    int y = kPadding;
    for (const MeasureReadout::Row &row : mReadout.rows) {
        int x = kPadding;
        for (int i = 0; i < row.cells.size(); ++i) {
            const QString &cell = row.cells[i];
            // A trace's name in its colour, everything else in the text colour.
            painter->setPen(i == 0 && row.colour.isValid() ? row.colour : mText);
            if (row.table) {
                const int width = layout.columns.value(i);
                const QRect box(x, y, width, layout.lineHeight);
                painter->drawText(box, (i == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter,
                                  cell);
                x += width + kColumnGap;
            } else {
                const int width = metrics.horizontalAdvance(cell);
                painter->drawText(QRect(x, y, width + 1, layout.lineHeight),
                                  Qt::AlignLeft | Qt::AlignVCenter, cell);
                x += width + (i % 2 ? kColumnGap * 2 : 6);
            }
        }
        y += layout.lineHeight;
    }
}

void ReadoutItem::draw(QCPPainter *painter)
{
    const QPointF at = topLeft->pixelPosition() + QPointF(kReadoutMargin, kReadoutMargin);
    if (painter->modes().testFlag(QCPPainter::pmVectorized) ||
        painter->modes().testFlag(QCPPainter::pmNoCaching)) {
        // An export: the text itself, sharp at any size.
        painter->save();
        painter->translate(at);
        paintBox(painter);
        painter->restore();
        return;
    }
    if (!mCacheValid) {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const QSize size = boxSize();
        mCache = QPixmap(size * ratio);
        mCache.setDevicePixelRatio(ratio);
        mCache.fill(Qt::transparent);
        QPainter cache(&mCache);
        cache.setRenderHint(QPainter::TextAntialiasing);
        paintBox(&cache);
        mCacheValid = true;
    }
    painter->drawPixmap(at, mCache);
}
