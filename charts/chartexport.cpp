#include "chartexport.h"

#include "axistag.h"
#include "livechart.h"

#include <qcustomplot.h>

#include <QBuffer>
#include <QFontMetricsF>
#include <QFutureWatcher>
#include <QHash>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace chartexport {

namespace {

// The dynamic properties that mark a graph or an item for the pictures, and
// give a graph its name in their legend.
const char kPictureProperty[] = "quorvalineInPictures";
const char kLegendNameProperty[] = "quorvalineLegendName";

// The arrow of a value tag is 15 pixels long; its text box has 3 pixels of
// padding on each side and a frame (axistag.cpp).
constexpr double kTagArrowLength = 15;
constexpr double kTagBoxExtra = 3 + 3 + 2;
// Room beyond a value axis's title, and between a tag and the title.
constexpr int kAxisPadding = 10;
constexpr double kTagGap = 6;

struct Palette {
    QColor background;
    QColor title;
    QColor text;   // notes, the bottom axis's title
    QColor axis;   // base, tick and tick label pens
    QPen grid;     // dashed
    QPen zeroLine; // of the bottom axis's grid
    QColor legendFrame;
    bool printColours; // the traces in the profile's print colours
};

Palette paletteOf(Theme theme)
{
    if (theme == Theme::Light) {
        // Everything that is not a trace in greys dark enough for a printer:
        // a grid that shows on paper without hiding the traces.
        return {Qt::white,
                QColor(0, 0, 0),
                QColor(40, 40, 40),
                QColor(60, 60, 60),
                QPen(QColor(150, 150, 150), 1.0, Qt::DashLine),
                QPen(QColor(90, 90, 90)),
                QColor(120, 120, 120),
                true};
    }
    // The chart as on screen (livechart.cpp), with light text on the black.
    return {Qt::black,
            QColor(235, 235, 235),
            QColor(200, 200, 200),
            QColor(192, 192, 192),
            QPen(QColor(50, 50, 50), 1.0, Qt::DashLine),
            QPen(Qt::lightGray),
            QColor(110, 110, 110),
            false};
}

// A colour that reads on white: lighter ones are darkened to the lightness
// of a print trace, keeping hue, saturation and transparency.
QColor readableOnWhite(const QColor &colour)
{
    constexpr int kMaxLightness = 115;
    const QColor hsl = colour.toHsl();
    if (hsl.lightness() <= kMaxLightness)
        return colour;
    return QColor::fromHsl(hsl.hslHue(), hsl.hslSaturation(), kMaxLightness, colour.alpha());
}

QPen readablePen(QPen pen, const Palette &palette)
{
    if (palette.printColours)
        pen.setColor(readableOnWhite(pen.color()));
    return pen;
}

// Which copied object stands for which original.
struct CopyMap {
    QHash<const QCPAxis *, QCPAxis *> axes;
    QHash<const QCPAxisRect *, QCPAxisRect *> rects;
    QHash<const QCPGraph *, QCPGraph *> graphs;
    QHash<const QCPItemAnchor *, QCPItemAnchor *> anchors;

    template <typename T> static T *find(const QHash<const T *, T *> &hash, const T *from)
    {
        return from ? hash.value(from, nullptr) : nullptr;
    }
};

void copyAxis(const QCPAxis &from, QCPAxis &to)
{
    to.setVisible(from.visible());
    to.setScaleType(from.scaleType());
    to.setRange(from.range());
    to.setRangeReversed(from.rangeReversed());
    to.setTicker(from.ticker()); // an elapsed-time ticker comes along as it is
    to.setTicks(from.ticks());
    to.setTickLabels(from.tickLabels());
    to.setTickLabelPadding(from.tickLabelPadding());
    to.setTickLabelFont(from.tickLabelFont());
    to.setTickLabelRotation(from.tickLabelRotation());
    to.setTickLabelSide(from.tickLabelSide());
    to.setNumberFormat(from.numberFormat());
    to.setNumberPrecision(from.numberPrecision());
    to.setTickLengthIn(from.tickLengthIn());
    to.setTickLengthOut(from.tickLengthOut());
    to.setSubTicks(from.subTicks());
    to.setSubTickLengthIn(from.subTickLengthIn());
    to.setSubTickLengthOut(from.subTickLengthOut());
    to.setPadding(from.padding());
    to.setLabelPadding(from.labelPadding());
    to.setLabelFont(from.labelFont());
    to.setBasePen(from.basePen());
    to.setTickPen(from.tickPen());
    to.setSubTickPen(from.subTickPen());
    to.setTickLabelColor(from.tickLabelColor());
    to.setLabelColor(from.labelColor());
    to.setLabel(from.label());
    to.grid()->setVisible(from.grid()->visible());
    to.grid()->setSubGridVisible(from.grid()->subGridVisible());
    to.grid()->setPen(from.grid()->pen());
    to.grid()->setSubGridPen(from.grid()->subGridPen());
    to.grid()->setZeroLinePen(from.grid()->zeroLinePen());
}

// The axis rect of the chart with as many axes on each side as the chart
// has, each a copy of the chart's.
void copyAxes(const QCustomPlot &chart, QCustomPlot &picture, CopyMap &map)
{
    const QCPAxisRect *from = chart.axisRect(0);
    QCPAxisRect *to = picture.axisRect(0);
    map.rects.insert(from, to);
    for (QCPAxis::AxisType type :
         {QCPAxis::atLeft, QCPAxis::atRight, QCPAxis::atTop, QCPAxis::atBottom}) {
        while (to->axisCount(type) < from->axisCount(type))
            to->addAxis(type);
        for (int i = 0; i < from->axisCount(type); ++i) {
            copyAxis(*from->axis(type, i), *to->axis(type, i));
            map.axes.insert(from->axis(type, i), to->axis(type, i));
        }
    }
}

QCPGraph *copyGraph(const QCPGraph &from, QCustomPlot &picture, CopyMap &map)
{
    QCPAxis *key = CopyMap::find(map.axes, from.keyAxis());
    QCPAxis *value = CopyMap::find(map.axes, from.valueAxis());
    if (!key || !value)
        return nullptr;
    QCPGraph *to = picture.addGraph(key, value);
    to->setData(from.data()); // shared, not copied
    // Named in the legend only as the picture names it.
    to->setName(from.property(kLegendNameProperty).toString());
    to->setVisible(from.visible());
    to->setPen(from.pen());
    to->setBrush(from.brush());
    to->setLineStyle(from.lineStyle());
    to->setScatterStyle(from.scatterStyle());
    to->setScatterSkip(from.scatterSkip());
    to->setAdaptiveSampling(from.adaptiveSampling());
    to->setAntialiased(from.antialiased());
    to->setAntialiasedFill(from.antialiasedFill());
    map.graphs.insert(&from, to);
    return to;
}

// A new item of the same kind with the same look, or null for kinds the
// pictures do not take.
QCPAbstractItem *newItemLike(const QCPAbstractItem &item, QCustomPlot &picture,
                             const Palette &palette, const CopyMap &map)
{
    if (auto *line = qobject_cast<const QCPItemLine *>(&item)) {
        auto *to = new QCPItemLine(&picture);
        to->setPen(readablePen(line->pen(), palette));
        to->setHead(line->head());
        to->setTail(line->tail());
        return to;
    }
    if (auto *line = qobject_cast<const QCPItemStraightLine *>(&item)) {
        auto *to = new QCPItemStraightLine(&picture);
        to->setPen(readablePen(line->pen(), palette));
        return to;
    }
    if (auto *text = qobject_cast<const QCPItemText *>(&item)) {
        auto *to = new QCPItemText(&picture);
        to->setText(text->text());
        to->setFont(text->font());
        to->setColor(palette.printColours ? readableOnWhite(text->color()) : text->color());
        to->setPen(readablePen(text->pen(), palette));
        QBrush box = text->brush();
        // A dark box behind light text on screen would hide the darkened
        // text on paper: it becomes white.
        if (palette.printColours && box.style() != Qt::NoBrush && box.color().lightness() < 128)
            box.setColor(QColor(255, 255, 255, box.color().alpha()));
        to->setBrush(box);
        to->setPositionAlignment(text->positionAlignment());
        to->setTextAlignment(text->textAlignment());
        to->setRotation(text->rotation());
        to->setPadding(text->padding());
        return to;
    }
    if (auto *rect = qobject_cast<const QCPItemRect *>(&item)) {
        auto *to = new QCPItemRect(&picture);
        to->setPen(readablePen(rect->pen(), palette));
        to->setBrush(rect->brush());
        return to;
    }
    if (auto *tracer = qobject_cast<const QCPItemTracer *>(&item)) {
        auto *to = new QCPItemTracer(&picture);
        to->setPen(readablePen(tracer->pen(), palette));
        to->setBrush(tracer->brush());
        to->setSize(tracer->size());
        to->setStyle(tracer->style());
        to->setInterpolating(tracer->interpolating());
        to->setGraph(CopyMap::find(map.graphs, tracer->graph()));
        to->setGraphKey(tracer->graphKey());
        return to;
    }
    return nullptr;
}

// Whether every anchor the item's positions hang on is copied too.
bool anchorsCopied(const QCPAbstractItem &item, const CopyMap &map)
{
    for (const QCPItemPosition *position : item.positions()) {
        for (const QCPItemAnchor *parent : {position->parentAnchorX(), position->parentAnchorY()}) {
            if (parent && !map.anchors.contains(parent))
                return false;
        }
    }
    return true;
}

void placeLike(const QCPItemPosition &from, QCPItemPosition &to, const CopyMap &map)
{
    to.setParentAnchorX(CopyMap::find(map.anchors, from.parentAnchorX()));
    to.setParentAnchorY(CopyMap::find(map.anchors, from.parentAnchorY()));
    to.setTypeX(from.typeX());
    to.setTypeY(from.typeY());
    to.setAxes(CopyMap::find(map.axes, from.keyAxis()), CopyMap::find(map.axes, from.valueAxis()));
    to.setAxisRect(CopyMap::find(map.rects, from.axisRect()));
    to.setCoords(from.coords());
}

// The marked items: all made first, so that an item may hang on another one
// whatever their order, then placed.
void copyMarkedItems(const QCustomPlot &chart, QCustomPlot &picture, const Palette &palette,
                     CopyMap &map)
{
    QList<QPair<const QCPAbstractItem *, QCPAbstractItem *>> copies;
    for (int i = 0; i < chart.itemCount(); ++i) {
        const QCPAbstractItem *item = chart.item(i);
        if (!shownInPictures(item))
            continue;
        QCPAbstractItem *to = newItemLike(*item, picture, palette, map);
        if (!to)
            continue;
        to->setClipToAxisRect(item->clipToAxisRect());
        to->setClipAxisRect(CopyMap::find(map.rects, item->clipAxisRect()));
        if (item->layer() && picture.layer(item->layer()->name()))
            to->setLayer(item->layer()->name());
        const QList<QCPItemAnchor *> fromAnchors = item->anchors();
        const QList<QCPItemAnchor *> toAnchors = to->anchors();
        for (int k = 0; k < fromAnchors.size() && k < toAnchors.size(); ++k)
            map.anchors.insert(fromAnchors[k], toAnchors[k]);
        copies.append({item, to});
    }
    for (const auto &copy : copies) {
        if (!anchorsCopied(*copy.first, map)) {
            picture.removeItem(copy.second); // it would stand nowhere in particular
            continue;
        }
        const QList<QCPItemPosition *> from = copy.first->positions();
        const QList<QCPItemPosition *> to = copy.second->positions();
        for (int k = 0; k < from.size() && k < to.size(); ++k)
            placeLike(*from[k], *to[k], map);
    }
}

// The legend's text in the trace's colour: its pen's, or for a graph drawn
// only as a filling, its brush's.
QColor traceColour(const QCPGraph &graph)
{
    QColor colour = graph.pen().style() != Qt::NoPen ? graph.pen().color() : graph.brush().color();
    colour.setAlpha(255);
    return colour;
}

// Title and notes above the axis rect, the legend centred below it.
void addCaptions(QCustomPlot &picture, const Captions &captions, const Palette &palette)
{
    QCPLayoutGrid *layout = picture.plotLayout();
    QFont titleFont = picture.font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    titleFont.setBold(true);

    int row = 0;
    auto addTextRow = [&](const QString &text, const QFont &font, const QColor &colour) {
        layout->insertRow(row);
        auto *element = new QCPTextElement(&picture, text, font);
        element->setTextColor(colour);
        element->setMargins(QMargins(10, row == 0 ? 8 : 0, 10, 4));
        layout->addElement(row, 0, element);
        layout->setRowStretchFactor(row, 0.001);
        ++row;
    };
    addTextRow(captions.title, titleFont, palette.title);
    if (!captions.notes.isEmpty())
        addTextRow(captions.notes.join(QLatin1Char('\n')), picture.font(), palette.text);

    // The legend in a row of its own, between two empty cells that take
    // the width it does not need.
    picture.axisRect()->insetLayout()->take(picture.legend);
    auto *legendRow = new QCPLayoutGrid;
    layout->addElement(layout->rowCount(), 0, legendRow);
    layout->setRowStretchFactor(layout->rowCount() - 1, 0.001);
    legendRow->addElement(0, 0, new QCPLayoutElement(&picture));
    legendRow->addElement(0, 1, picture.legend);
    legendRow->addElement(0, 2, new QCPLayoutElement(&picture));
    legendRow->setColumnStretchFactors({1, 0.001, 1});
    legendRow->setMargins(QMargins(0, 0, 0, 6));
    picture.legend->setVisible(true);
    picture.legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    picture.legend->setBrush(QBrush(palette.background));
    picture.legend->setBorderPen(QPen(palette.legendFrame));
    picture.legend->setTextColor(palette.text);
    picture.legend->setColumnSpacing(16);
}

// The layout a replot would make (ticks, margins, axis offsets, element
// rectangles), without drawing the graphs: the export draws them once.
void layOut(QCustomPlot &picture)
{
    QCPLayoutGrid *layout = picture.plotLayout();
    layout->setOuterRect(picture.viewport());
    layout->update(QCPLayoutElement::upPreparation);
    layout->update(QCPLayoutElement::upMargins);
    layout->update(QCPLayoutElement::upLayout);
}

// The value tags of the tool's graphs, as on the chart.
struct TagCopy {
    AxisTag *tag;
    double value;
};

QList<TagCopy> copyTags(const LiveChartState &state, const CopyMap &map)
{
    QList<TagCopy> tags;
    for (int k = 0; k < 3; ++k) {
        const AxisTag *tag = state.tags[k];
        const QCPGraph *graph = CopyMap::find(map.graphs, state.graphs[k].data());
        QCPAxis *axis = tag ? CopyMap::find(map.axes, tag->axis()) : nullptr;
        if (!axis || !graph || !tag->label() || !tag->tracer())
            continue;
        // On screen the axis's padding keeps room for the tag; here its
        // title does (makeRoomForTags).
        axis->setPadding(kAxisPadding);
        auto *copy = new AxisTag(axis);
        copy->setPen(QPen(graph->pen().color()));
        copy->setText(tag->label()->text());
        tags.append({copy, tag->tracer()->position->value()});
    }
    return tags;
}

// A value axis's title stands beyond its tick labels; a tag reaching further
// out than those would cover it, so the title moves out past the tag.
bool makeRoomForTags(const QList<TagCopy> &tags)
{
    bool moved = false;
    for (const TagCopy &copy : tags) {
        QCPAxis *axis = copy.tag->axis();
        if (axis->label().isEmpty())
            continue;
        const QFontMetricsF tagText(copy.tag->label()->font());
        const double tagReach = kTagArrowLength + kTagBoxExtra +
                                tagText.horizontalAdvance(copy.tag->label()->text()) + kTagGap;
        const QFontMetricsF tickText(axis->tickLabelFont());
        double tickLabels = 0;
        for (const QString &label : axis->tickVectorLabels())
            tickLabels = std::max(tickLabels, tickText.horizontalAdvance(label));
        const double labelsReach =
            axis->tickLengthOut() + axis->tickLabelPadding() + tickLabels + axis->labelPadding();
        if (tagReach > labelsReach) {
            axis->setLabelPadding(axis->labelPadding() + int(std::ceil(tagReach - labelsReach)));
            moved = true;
        }
    }
    return moved;
}

} // namespace

void showInPictures(QCPLayerable *layerable, const QString &legendName)
{
    if (!layerable)
        return;
    layerable->setProperty(kPictureProperty, true);
    layerable->setProperty(kLegendNameProperty, legendName);
}

bool shownInPictures(const QCPLayerable *layerable)
{
    return layerable && layerable->property(kPictureProperty).toBool();
}

QSize layoutSize(const QCustomPlot &chart, Size size)
{
    if (size == Size::Print || chart.width() < 1 || chart.height() < 1)
        return QSize(kPrintWidthPt, kPrintHeightPt);
    return chart.size();
}

std::unique_ptr<QCustomPlot> buildPicture(const QCustomPlot &chart, const LiveChartState &state,
                                          const ChartProfile &profile, const Captions &captions,
                                          Theme theme, const QSize &layoutSize)
{
    const Palette palette = paletteOf(theme);
    auto picture = std::make_unique<QCustomPlot>();
    picture->setFont(chart.font());
    picture->setBackground(QBrush(palette.background));
    picture->setAntialiasedElements(chart.antialiasedElements());
    picture->setNotAntialiasedElements(chart.notAntialiasedElements());
    // Only graphs with a name go into the legend, once all are made.
    picture->setAutoAddPlottableToLegend(false);

    CopyMap map;
    copyAxes(chart, *picture, map);
    // A right axis the profile leaves unstyled is black on black on screen,
    // there only to keep the axes' order: the picture leaves it out.
    QCPAxisRect *rect = picture->axisRect();
    for (int k = 0; k < 3 && k < rect->axisCount(QCPAxis::atRight); ++k) {
        if (!profile.rightAxisStyled[k])
            rect->axis(QCPAxis::atRight, k)->setVisible(false);
    }

    // The tool's graphs first, in their order, then the marked ones.
    QList<const QCPGraph *> toolGraphs;
    for (int k = 0; k < 3; ++k) {
        const QCPGraph *graph = state.graphs[k].data();
        if (!graph || !copyGraph(*graph, *picture, map))
            continue;
        toolGraphs.append(graph);
        QCPGraph *copy = map.graphs.value(graph);
        copy->setName(captions.valueAxes[k]);
        QPen pen = copy->pen();
        if (palette.printColours) {
            pen.setColor(profile.printGraphColor[k]);
            pen.setWidthF(1.5);
        }
        copy->setPen(pen);
        QCPAxis *axis = copy->valueAxis();
        axis->setLabel(captions.valueAxes[k]);
        axis->setLabelColor(pen.color());
        axis->setTickLabelColor(pen.color());
    }
    for (int i = 0; i < chart.graphCount(); ++i) {
        const QCPGraph *graph = chart.graph(i);
        if (shownInPictures(graph) && !toolGraphs.contains(graph)) {
            if (QCPGraph *copy = copyGraph(*graph, *picture, map)) {
                copy->setPen(readablePen(copy->pen(), palette));
            }
        }
    }
    // Fillings between two copied graphs, as on the chart.
    for (auto it = map.graphs.cbegin(); it != map.graphs.cend(); ++it) {
        if (const QCPGraph *towards = it.key()->channelFillGraph())
            it.value()->setChannelFillGraph(CopyMap::find(map.graphs, towards));
    }

    // Axes and grid in the theme's colours; the value axes keep their
    // traces' colours.
    for (QCPAxis *axis : picture->axisRect()->axes()) {
        const bool valueAxisOfTrace =
            !axis->graphs().isEmpty() && axis->orientation() == Qt::Vertical;
        if (palette.printColours) {
            for (const auto setPen :
                 {&QCPAxis::setBasePen, &QCPAxis::setTickPen, &QCPAxis::setSubTickPen})
                (axis->*setPen)(QPen(palette.axis));
            if (!valueAxisOfTrace)
                axis->setTickLabelColor(palette.axis);
        }
        axis->grid()->setPen(palette.grid);
        axis->grid()->setZeroLinePen(axis == picture->xAxis ? palette.zeroLine : palette.grid);
    }
    picture->xAxis->setLabel(captions.bottomAxis);
    picture->xAxis->setLabelColor(palette.text);

    copyMarkedItems(chart, *picture, palette, map);

    // The legend: each named graph in its colour.
    addCaptions(*picture, captions, palette);
    for (int i = 0; i < picture->graphCount(); ++i) {
        QCPGraph *graph = picture->graph(i);
        if (graph->name().isEmpty() || !graph->addToLegend())
            continue;
        if (auto *item = picture->legend->itemWithPlottable(graph))
            item->setTextColor(traceColour(*graph));
    }

    // Laid out at the size of the file, then the tags point at their axes
    // where the layout put them.
    const QList<TagCopy> tags = copyTags(state, map);
    picture->setViewport(QRect(QPoint(0, 0), layoutSize));
    layOut(*picture);
    if (makeRoomForTags(tags))
        layOut(*picture);
    for (const TagCopy &copy : tags)
        copy.tag->moveToValue(copy.value);
    return picture;
}

RecordedPicture recordPicture(const QCustomPlot &chart, const LiveChartState &state,
                              const ChartProfile &profile, const Captions &captions,
                              const Options &options)
{
    RecordedPicture recorded;
    recorded.format = options.format;
    recorded.layoutSize = layoutSize(chart, options.size);
    recorded.background = paletteOf(options.theme).background;
    recorded.title = captions.title;
    const std::unique_ptr<QCustomPlot> picture =
        buildPicture(chart, state, profile, captions, options.theme, recorded.layoutSize);

    // The painter set up as QCustomPlot's own savePdf and savePng set up
    // theirs, so that the file is the one they would write.
    QCPPainter painter;
    if (!painter.begin(&recorded.drawing))
        return recorded;
    if (options.format == Format::Pdf) {
        // Vector output; cosmetic pens stay as thin as the viewer draws them.
        painter.setMode(QCPPainter::pmVectorized);
    } else if (options.size == Size::Print) {
        // Laid out on the A4 page and drawn at 300 dpi, so text and lines
        // keep their size on paper; pens get a width that scales with it.
        recorded.scale = kPrintDpi / 72.0;
        recorded.dotsPerInch = kPrintDpi;
        painter.setMode(QCPPainter::pmNonCosmetic);
        painter.scale(recorded.scale, recorded.scale);
    }
    picture->toPainter(&painter, recorded.layoutSize.width(), recorded.layoutSize.height());
    painter.end();
    return recorded;
}

namespace {

bool writePng(const RecordedPicture &picture, QIODevice &file)
{
    const QSize pixels(qRound(picture.scale * picture.layoutSize.width()),
                       qRound(picture.scale * picture.layoutSize.height()));
    // An opaque background gives the image QCustomPlot's own export gives:
    // 32-bit RGB, a PNG without alpha.
    QImage image(pixels, picture.background.alpha() == 255 ? QImage::Format_RGB32
                                                           : QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return false; // no memory for it
    image.fill(picture.background);
    // Drawn at the image's default resolution, which is the recording's:
    // QPicture scales what it plays by the ratio of the two.
    QPainter painter;
    if (!painter.begin(&image))
        return false;
    painter.drawPicture(0, 0, picture.drawing);
    painter.end();
    if (picture.dotsPerInch > 0) {
        const int dotsPerMeter = qRound(picture.dotsPerInch / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
    }
    // Compressed into memory first, then handed to the file: a write the
    // file refuses (a full disk) fails in QSaveFile, not half-way through
    // the PNG encoder, whose error path loses its row buffer.
    QBuffer encoded;
    if (!encoded.open(QIODevice::WriteOnly) || !image.save(&encoded, "PNG"))
        return false;
    return file.write(encoded.data()) == encoded.data().size();
}

bool writePdf(const RecordedPicture &picture, QIODevice &file)
{
    QPdfWriter writer(&file);
    writer.setCreator(QStringLiteral("QUORVALINE"));
    writer.setTitle(picture.title);
    // A page as large as the layout, in points, without margins, at the
    // recording's resolution (QCustomPlot's savePdf uses the screen's, as
    // the recording does), so that text keeps its size.
    QPageLayout page(
        QPageSize(picture.layoutSize, QPageSize::Point, QString(), QPageSize::ExactMatch),
        QPageLayout::Portrait, QMarginsF());
    page.setMode(QPageLayout::FullPageMode);
    if (!writer.setPageLayout(page))
        return false;
    writer.setResolution(picture.drawing.logicalDpiY());
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    painter.setWindow(QRect(QPoint(0, 0), picture.layoutSize));
    painter.drawPicture(0, 0, picture.drawing);
    return painter.end();
}

} // namespace

bool writePicture(const RecordedPicture &picture, const QString &fileName)
{
    // Written to a temporary file beside the target and renamed over it only
    // when complete: a failed write (a full disk, a folder that cannot be
    // written) leaves an earlier file as it was and no part of the new one.
    // A recording that could not be made is no picture: nothing is written
    // rather than a blank page reported as written.
    if (picture.drawing.isNull() || picture.layoutSize.isEmpty())
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const bool drawn =
        picture.format == Format::Pdf ? writePdf(picture, file) : writePng(picture, file);
    // Writes that failed on the way make the commit fail too.
    return drawn && file.commit();
}

bool exportChart(const QCustomPlot &chart, const LiveChartState &state, const ChartProfile &profile,
                 const Captions &captions, const QString &fileName, const Options &options)
{
    return writePicture(recordPicture(chart, state, profile, captions, options), fileName);
}

namespace {

// What the GUI thread hands to the writing task: the picture and its file
// name, owned by the task from then on. The flag is stored (release) once
// the hand-over is complete and loaded (acquire) by the task before it reads
// the rest, which makes the hand-over visible to ThreadSanitizer, which does
// not see it through Qt's own queue.
struct WriteHandOver {
    RecordedPicture picture;
    QString fileName;
    std::atomic<bool> complete{false};
};

bool writeHandedOver(WriteHandOver *handOver)
{
    const std::unique_ptr<WriteHandOver> owned(handOver);
    if (!owned->complete.load(std::memory_order_acquire))
        return false; // cannot happen: the task starts after the store
    return writePicture(owned->picture, owned->fileName);
}

} // namespace

PictureWriter::PictureWriter(QObject *parent) : QObject(parent)
{
    mPool.setMaxThreadCount(1);
}

PictureWriter::~PictureWriter()
{
    waitForDone();
}

void PictureWriter::write(RecordedPicture picture, const QString &fileName)
{
    auto handOver = std::make_unique<WriteHandOver>();
    handOver->picture = std::move(picture);
    handOver->fileName = fileName;
    handOver->complete.store(true, std::memory_order_release);

    auto *watcher = new QFutureWatcher<bool>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, fileName] {
        watcher->deleteLater();
        const bool written = watcher->result();
        emit finished(fileName, written);
        --mPending;
    });
    ++mPending;
    watcher->setFuture(QtConcurrent::run(&mPool, writeHandedOver, handOver.release()));
}

void PictureWriter::waitForDone()
{
    mPool.waitForDone();
}

} // namespace chartexport
