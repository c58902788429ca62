#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

// A round instrument gauge: a circular face with a coloured ring, a scale of
// major and minor ticks with labels, a needle and a coloured arc that follow the
// value, and below the pivot the value as a number with its unit and the
// caption. It draws nothing outside its circle, so the page shows through.
//
// Angles. The scale runs clockwise around the face and leaves a gap at the
// bottom. setStartAngle() is the angle in degrees between the bottom of the face
// (six o'clock) and the start of the scale, measured on the left side;
// setEndAngle() is the angle between six o'clock and the end of the scale,
// measured on the right side. The scale therefore sweeps 360 - start - end
// degrees. With 90 and 90 it is a half circle from nine o'clock over twelve to
// three o'clock, the lower half of the face holding the readout; 45 and 45 give
// a 270-degree dial. Each angle is kept within 0..175 degrees, so the scale
// always sweeps at least 10 degrees.
//
// Scale. setScaleMajor(n) divides the range into n labelled intervals (n + 1
// labels); setScaleMinor(m) divides each of them into m steps. On a small gauge
// labels and minor ticks that would crowd each other are thinned out (every
// second, fifth, ... one is kept), so the scale stays readable.
//
// Values. The needle and arc are clamped to the scale; the number shows the
// true value with setPrecision() decimals, so an over-range reading shows on the
// text while the needle rests at the end stop.
//
// Cost. The face, ring, scale, caption and unit are painted once into a pixmap
// and reused until the size, a colour, the range or another scale setting
// changes. setRange() with the range already shown returns at once, and
// setValue() schedules a repaint only when the shown number changes, so both
// can be called on every poll.
class GaugePanel : public QWidget {
    Q_OBJECT
public:
    explicit GaugePanel(QWidget *parent = nullptr);

    // An empty, inverted or non-finite range is refused and the old one kept.
    void setRange(double minValue, double maxValue);
    void setScaleMajor(int intervals);
    void setScaleMinor(int steps);
    // Decimals of the value text, 0..6.
    void setPrecision(int decimals);
    // The value arc, needle and value text.
    void setTextColor(const QColor &color);
    // The outer ring; its alpha is honoured.
    void setRingColor(const QColor &color);
    // The caption below the value.
    void setText(const QString &caption);
    void setUnit(const QString &unit);
    void setStartAngle(int degrees);
    void setEndAngle(int degrees);
    void setValue(double value);

    double minValue() const { return m_min; }
    double maxValue() const { return m_max; }
    double value() const { return m_value; }
    // The number as it is shown: the value at the set precision ("---" for a
    // value that is not a number).
    QString valueText() const { return m_valueText; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Geometry;

    Geometry geometry() const;
    // Scale angle, in degrees clockwise from six o'clock, of a value.
    double angleFor(double value) const;
    double sweep() const { return 360.0 - m_startAngle - m_endAngle; }
    QString formatValue(double value) const;
    // Forgets the cached face and schedules a repaint.
    void dialChanged();
    void renderDial(const Geometry &g);
    void paintScale(QPainter &painter, const Geometry &g) const;
    void paintReadout(QPainter &painter, const Geometry &g) const;
    void paintPointer(QPainter &painter, const Geometry &g) const;

    double m_min = 0;
    double m_max = 100;
    int m_major = 10;
    int m_minor = 5;
    int m_precision = 0;
    QColor m_textColor = QColor(255, 255, 255);
    QColor m_ringColor = QColor(160, 160, 160);
    QString m_caption;
    QString m_unit;
    int m_startAngle = 45;
    int m_endAngle = 45;
    double m_value = 0;
    QString m_valueText;

    QPixmap m_dial; // null when it must be painted anew
};
