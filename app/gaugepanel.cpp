#include "gaugepanel.h"

#include <QFontMetricsF>
#include <QStringList>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMaxAngle = 175;   // keeps at least 10 degrees of scale
constexpr int kMaxPrecision = 6; // beyond this the device has no digits
constexpr double kMinFontPx = 8; // smallest text still readable on the dial
constexpr double kMinTickGapPx = 3.5;

// Proportions of the face, as fractions of the outer radius. From the rim
// inwards: the coloured ring, the scale labels, the ticks, the value arc. The
// labels stand outside the ticks so that the needle, which ends in the ticks,
// never hides one, not even the zero it rests on.
constexpr double kRingInner = 0.92;   // the coloured ring lies between this and the rim
constexpr double kLabelGap = 0.035;   // between the tick ends and the labels
constexpr double kTickOuter = 0.68;   // outer end of every tick
constexpr double kMinorInner = 0.625; // inner end of the minor ticks
constexpr double kMajorInner = 0.575; // inner end of the major ticks
constexpr double kArcRadius = 0.535;  // centre line of the value arc
constexpr double kArcWidth = 0.04;    // width of the value arc
constexpr double kNeedleTip = 0.665;
constexpr double kNeedleTail = 0.13;
constexpr double kHubRadius = 0.07;
constexpr double kReadoutY = 0.42; // centre of the value window, below the pivot
constexpr double kCaptionY = 0.70; // centre of the caption, below the value

const QColor kScaleColor(225, 228, 232);
const QColor kCaptionColor(192, 192, 192);

double fontPx(double radius, double fraction)
{
    return std::max(kMinFontPx, radius * fraction);
}

QFont sizedFont(QFont font, double pixels, bool bold)
{
    font.setPixelSize(std::max(1, qRound(pixels)));
    font.setBold(bold);
    return font;
}

// Unit vector of a scale angle: degrees clockwise from six o'clock, screen
// coordinates (y grows downwards).
QPointF direction(double degrees)
{
    const double rad = qDegreesToRadians(degrees);
    return QPointF(-std::sin(rad), std::cos(rad));
}

// Fewest decimals that show every label of the scale exactly (0, 1.6, 3.2 ...).
int labelDecimals(double minValue, double step, int count)
{
    for (int decimals = 0; decimals < 3; ++decimals) {
        const double scale = std::pow(10.0, decimals);
        bool exact = true;
        for (int i = 0; i <= count && exact; ++i) {
            const double scaled = (minValue + step * i) * scale;
            exact = std::abs(scaled - std::round(scaled)) < 1e-6 * std::max(1.0, std::abs(scaled));
        }
        if (exact)
            return decimals;
    }
    return 3;
}

// The smallest divisor of `count` whose multiple of `spacing` reaches `needed`;
// `count` itself when none does.
int thinningStep(int count, double spacing, double needed)
{
    for (int step = 1; step < count; ++step) {
        if (count % step == 0 && spacing * step >= needed)
            return step;
    }
    return count;
}

} // namespace

struct GaugePanel::Geometry {
    QPointF centre;
    double radius;

    QPointF at(double degrees, double fraction) const
    {
        return centre + direction(degrees) * (radius * fraction);
    }
};

GaugePanel::GaugePanel(QWidget *parent) : QWidget(parent)
{
    m_valueText = formatValue(m_value);
}

void GaugePanel::setRange(double minValue, double maxValue)
{
    // Called on every poll with the range already shown: this must stay a compare.
    if (minValue == m_min && maxValue == m_max)
        return;
    if (!std::isfinite(minValue) || !std::isfinite(maxValue) || !(maxValue > minValue))
        return;
    m_min = minValue;
    m_max = maxValue;
    dialChanged();
}

void GaugePanel::setScaleMajor(int intervals)
{
    intervals = std::max(1, intervals);
    if (intervals == m_major)
        return;
    m_major = intervals;
    dialChanged();
}

void GaugePanel::setScaleMinor(int steps)
{
    steps = std::max(1, steps);
    if (steps == m_minor)
        return;
    m_minor = steps;
    dialChanged();
}

void GaugePanel::setPrecision(int decimals)
{
    decimals = std::clamp(decimals, 0, kMaxPrecision);
    if (decimals == m_precision)
        return;
    m_precision = decimals;
    m_valueText = formatValue(m_value);
    update();
}

void GaugePanel::setTextColor(const QColor &color)
{
    if (color == m_textColor)
        return;
    m_textColor = color;
    dialChanged();
}

void GaugePanel::setRingColor(const QColor &color)
{
    if (color == m_ringColor)
        return;
    m_ringColor = color;
    dialChanged();
}

void GaugePanel::setText(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    dialChanged();
}

void GaugePanel::setUnit(const QString &unit)
{
    if (unit == m_unit)
        return;
    m_unit = unit;
    dialChanged();
}

void GaugePanel::setStartAngle(int degrees)
{
    degrees = std::clamp(degrees, 0, kMaxAngle);
    if (degrees == m_startAngle)
        return;
    m_startAngle = degrees;
    dialChanged();
}

void GaugePanel::setEndAngle(int degrees)
{
    degrees = std::clamp(degrees, 0, kMaxAngle);
    if (degrees == m_endAngle)
        return;
    m_endAngle = degrees;
    dialChanged();
}

void GaugePanel::setValue(double value)
{
    m_value = value;
    // The needle moves less than a pixel for a change below the shown
    // precision, so only a new number is worth a repaint.
    const QString text = formatValue(value);
    if (text == m_valueText)
        return;
    m_valueText = text;
    update();
}

QSize GaugePanel::sizeHint() const
{
    return QSize(280, 280);
}

QSize GaugePanel::minimumSizeHint() const
{
    return QSize(150, 150);
}

QString GaugePanel::formatValue(double value) const
{
    if (std::isnan(value))
        return QStringLiteral("---");
    QString text = QString::number(value, 'f', m_precision);
    // A tiny negative reading rounds to zero; show it without a sign.
    if (text.startsWith(QLatin1Char('-')) && text.mid(1) == QString::number(0.0, 'f', m_precision))
        text.remove(0, 1);
    return text;
}

double GaugePanel::angleFor(double value) const
{
    double fraction = 0;
    if (!std::isnan(value))
        fraction = std::clamp((value - m_min) / (m_max - m_min), 0.0, 1.0);
    return m_startAngle + fraction * sweep();
}

GaugePanel::Geometry GaugePanel::geometry() const
{
    const double side = std::min(width(), height());
    return Geometry{QPointF(width() / 2.0, height() / 2.0), std::max(1.0, side / 2.0 - 1.0)};
}

void GaugePanel::dialChanged()
{
    m_dial = QPixmap();
    update();
}

void GaugePanel::resizeEvent(QResizeEvent *event)
{
    m_dial = QPixmap();
    QWidget::resizeEvent(event);
}

void GaugePanel::paintEvent(QPaintEvent *)
{
    const Geometry g = geometry();
    const qreal ratio = devicePixelRatioF();
    if (m_dial.isNull() || m_dial.size() != size() * ratio)
        renderDial(g);

    QPainter painter(this);
    painter.drawPixmap(0, 0, m_dial);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintPointer(painter, g);
    paintReadout(painter, g);
}

void GaugePanel::renderDial(const Geometry &g)
{
    const qreal ratio = devicePixelRatioF();
    m_dial = QPixmap(size() * ratio);
    m_dial.setDevicePixelRatio(ratio);
    m_dial.fill(Qt::transparent);

    QPainter painter(&m_dial);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const double r = g.radius;

    // Face: a dark disc, slightly lighter towards the pivot.
    QRadialGradient face(g.centre, r);
    face.setColorAt(0.0, QColor(38, 41, 45));
    face.setColorAt(0.75, QColor(18, 19, 21));
    face.setColorAt(1.0, QColor(6, 6, 7));
    painter.setPen(Qt::NoPen);
    painter.setBrush(face);
    painter.drawEllipse(g.centre, r, r);

    // Ring: the band between the rim and kRingInner in the ring colour, with a
    // thin dark line separating it from the face.
    QPainterPath ring;
    ring.addEllipse(g.centre, r, r);
    ring.addEllipse(g.centre, r * kRingInner, r * kRingInner);
    painter.setBrush(m_ringColor);
    painter.drawPath(ring);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 0, 0, 200), std::max(1.0, r * 0.01)));
    painter.drawEllipse(g.centre, r * kRingInner, r * kRingInner);

    // The track of the value arc, dimmed, over the whole scale.
    QColor track = m_textColor;
    track.setAlpha(45);
    const QRectF arcBox(g.centre.x() - r * kArcRadius, g.centre.y() - r * kArcRadius,
                        2 * r * kArcRadius, 2 * r * kArcRadius);
    painter.setPen(QPen(track, r * kArcWidth, Qt::SolidLine, Qt::FlatCap));
    painter.drawArc(arcBox, qRound((-90.0 - m_startAngle) * 16), qRound(-sweep() * 16));

    paintScale(painter, g);

    // The window of the value, and the caption below it.
    const QRectF window(g.centre.x() - r * 0.52, g.centre.y() + r * (kReadoutY - 0.15), r * 1.04,
                        r * 0.30);
    painter.setPen(QPen(QColor(255, 255, 255, 40), std::max(1.0, r * 0.008)));
    painter.setBrush(QColor(0, 0, 0, 220));
    painter.drawRoundedRect(window, r * 0.05, r * 0.05);

    if (!m_caption.isEmpty()) {
        painter.setFont(sizedFont(font(), fontPx(r, 0.115), false));
        painter.setPen(kCaptionColor);
        const QRectF box(g.centre.x() - r, g.centre.y() + r * (kCaptionY - 0.1), 2 * r, r * 0.2);
        painter.drawText(box, Qt::AlignCenter, m_caption);
    }
}

void GaugePanel::paintScale(QPainter &painter, const Geometry &g) const
{
    const double r = g.radius;
    const double majorStep = sweep() / m_major;

    // Minor ticks: as many of the requested steps as leave a visible gap.
    const double minorSpacing = qDegreesToRadians(majorStep / m_minor) * r * kTickOuter;
    const int minorStride = thinningStep(m_minor, minorSpacing, kMinTickGapPx);
    painter.setPen(QPen(kScaleColor, std::max(1.0, r * 0.008), Qt::SolidLine, Qt::FlatCap));
    for (int major = 0; major < m_major; ++major) {
        for (int minor = minorStride; minor < m_minor; minor += minorStride) {
            const double angle = m_startAngle + majorStep * (major + double(minor) / m_minor);
            painter.drawLine(g.at(angle, kMinorInner), g.at(angle, kTickOuter));
        }
    }

    painter.setPen(QPen(kScaleColor, std::max(1.5, r * 0.02), Qt::SolidLine, Qt::FlatCap));
    for (int major = 0; major <= m_major; ++major) {
        const double angle = m_startAngle + majorStep * major;
        painter.drawLine(g.at(angle, kMajorInner), g.at(angle, kTickOuter));
    }

    // Labels: every major tick, or every second, fifth, ... one when they
    // would otherwise touch on a small face. Each stands just outside its tick,
    // as far out as its own width or height needs along that direction, in a
    // font small enough for the widest label to fit between ticks and ring.
    const double valueStep = (m_max - m_min) / m_major;
    const int decimals = labelDecimals(m_min, valueStep, m_major);
    QStringList labels;
    for (int major = 0; major <= m_major; ++major)
        labels << QString::number(m_min + valueStep * major, 'f', decimals);
    QFont labelFont = sizedFont(font(), fontPx(r, 0.11), false);
    const double room = r * (kRingInner - kTickOuter - 2 * kLabelGap);
    for (;;) {
        const QFontMetricsF metrics(labelFont);
        double widest = 0;
        for (const QString &label : labels)
            widest = std::max(widest, metrics.tightBoundingRect(label).width());
        if (widest <= room || labelFont.pixelSize() <= kMinFontPx)
            break;
        labelFont.setPixelSize(labelFont.pixelSize() - 1);
    }
    const QFontMetricsF metrics(labelFont);
    double widest = 0;
    for (const QString &label : labels)
        widest = std::max(widest, metrics.horizontalAdvance(label));
    const double labelRadius = r * (kTickOuter + kLabelGap) + metrics.ascent() / 2;
    const double labelSpacing =
        2 * labelRadius * std::sin(qDegreesToRadians(std::min(majorStep, 180.0)) / 2);
    const int labelStride = thinningStep(m_major, labelSpacing, widest + metrics.ascent());
    painter.setFont(labelFont);
    painter.setPen(kScaleColor);
    for (int major = 0; major <= m_major; major += labelStride) {
        const QString &label = labels.at(major);
        const double angle = m_startAngle + majorStep * major;
        const QPointF towards = direction(angle);
        const QRectF ink = metrics.tightBoundingRect(label);
        const double reach =
            (std::abs(towards.x()) * ink.width() + std::abs(towards.y()) * ink.height()) / 2;
        const QPointF centre = g.centre + towards * (r * (kTickOuter + kLabelGap) + reach);
        // Place the text so that the middle of its ink sits on that centre.
        painter.drawText(centre - ink.center(), label);
    }
}

void GaugePanel::paintPointer(QPainter &painter, const Geometry &g) const
{
    const double r = g.radius;
    const double angle = angleFor(m_value);

    // Value arc from the start of the scale to the needle.
    const double span = angle - m_startAngle;
    if (span > 0.05) {
        const QRectF arcBox(g.centre.x() - r * kArcRadius, g.centre.y() - r * kArcRadius,
                            2 * r * kArcRadius, 2 * r * kArcRadius);
        painter.setPen(QPen(m_textColor, r * kArcWidth, Qt::SolidLine, Qt::FlatCap));
        painter.setBrush(Qt::NoBrush);
        painter.drawArc(arcBox, qRound((-90.0 - m_startAngle) * 16), qRound(-span * 16));
    }

    // Needle: a slim wedge from a short tail through the pivot to the tip,
    // drawn along six o'clock and turned to its angle.
    painter.save();
    painter.translate(g.centre);
    painter.rotate(angle);
    const double base = r * 0.028;
    QPainterPath needle;
    needle.moveTo(-base * 0.6, -r * kNeedleTail);
    needle.lineTo(base * 0.6, -r * kNeedleTail);
    needle.lineTo(base, 0);
    needle.lineTo(r * 0.006, r * kNeedleTip);
    needle.lineTo(-r * 0.006, r * kNeedleTip);
    needle.lineTo(-base, 0);
    needle.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 110)); // shadow, offset towards the lower right
    painter.drawPath(needle.translated(r * 0.012, r * 0.012));
    painter.setBrush(m_textColor);
    painter.drawPath(needle);
    painter.restore();

    // Hub over the pivot.
    QRadialGradient hub(g.centre - QPointF(r * 0.02, r * 0.02), r * kHubRadius);
    hub.setColorAt(0.0, QColor(120, 124, 130));
    hub.setColorAt(1.0, QColor(30, 32, 35));
    painter.setBrush(hub);
    painter.setPen(QPen(m_textColor, std::max(1.0, r * 0.012)));
    painter.drawEllipse(g.centre, r * kHubRadius, r * kHubRadius);
}

void GaugePanel::paintReadout(QPainter &painter, const Geometry &g) const
{
    const double r = g.radius;
    const QFont valueFont = sizedFont(font(), fontPx(r, 0.2), true);
    const QFont unitFont = sizedFont(font(), fontPx(r, 0.13), false);
    const QFontMetricsF valueMetrics(valueFont);
    const QFontMetricsF unitMetrics(unitFont);
    const double gap = m_unit.isEmpty() ? 0 : r * 0.04;
    const double valueWidth = valueMetrics.horizontalAdvance(m_valueText);
    const double unitWidth = m_unit.isEmpty() ? 0 : unitMetrics.horizontalAdvance(m_unit);
    const double left = g.centre.x() - (valueWidth + gap + unitWidth) / 2;
    // Both texts stand on one baseline, the value centred in its window.
    const double baseline =
        g.centre.y() + r * kReadoutY + (valueMetrics.ascent() - valueMetrics.descent()) / 2;

    painter.setPen(m_textColor);
    painter.setFont(valueFont);
    painter.drawText(QPointF(left, baseline), m_valueText);
    if (!m_unit.isEmpty()) {
        painter.setFont(unitFont);
        painter.drawText(QPointF(left + valueWidth + gap, baseline), m_unit);
    }
}
