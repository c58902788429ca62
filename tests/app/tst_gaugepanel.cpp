// The round gauge of the power supply page: repaints only when something shown
// changes, the value text at its precision, the needle clamped to the scale,
// and the picture itself at the page's sizes and the edges of the size range.
//
// Set QUORVALINE_GAUGE_PNG_DIR to a folder to keep every rendered picture.
#include "tests/support/paintcounter.h"
#include "app/gaugepanel.h"

#include <QDir>
#include <QImage>
#include <QVBoxLayout>
#include <QtMath>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

// The two gauges as the power supply page sets them up.
enum class Config { Voltage, Current };

void configure(GaugePanel &gauge, Config config)
{
    const bool volts = config == Config::Voltage;
    const QColor color = volts ? QColor(0, 255, 0) : QColor(255, 0, 0);
    QColor ring = color;
    ring.setAlpha(100);
    gauge.setRange(0, volts ? 30 : 5);
    gauge.setScaleMajor(volts ? 10 : 5);
    gauge.setScaleMinor(10);
    gauge.setPrecision(volts ? 2 : 3);
    gauge.setTextColor(color);
    gauge.setRingColor(ring);
    gauge.setText(volts ? QStringLiteral("电压") : QStringLiteral("电流"));
    gauge.setUnit(volts ? QStringLiteral("V") : QStringLiteral("A"));
    gauge.setStartAngle(90);
    gauge.setEndAngle(90);
}

// The gauge on a black page, as it sits on the power supply page.
struct Page {
    QWidget page;
    GaugePanel *gauge = new GaugePanel;

    Page(Config config, QSize size)
    {
        QPalette palette = page.palette();
        palette.setColor(QPalette::Window, Qt::black);
        page.setPalette(palette);
        page.setAutoFillBackground(true);
        auto *layout = new QVBoxLayout(&page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(gauge);
        configure(*gauge, config);
        page.resize(size);
        layout->activate();
    }
    QImage image() { return page.grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

// The ring colour at alpha 100 over a black face gives about 100/255 of the
// full channel: between 80 and 140 on its own channel, the others dark.
bool isRingPixel(QRgb pixel, Config config)
{
    const int own = config == Config::Voltage ? qGreen(pixel) : qRed(pixel);
    const int other = config == Config::Voltage ? qRed(pixel) : qGreen(pixel);
    return own >= 80 && own <= 140 && other < 40 && qBlue(pixel) < 40;
}

// The needle is painted in the full text colour.
bool isNeedlePixel(QRgb pixel, Config config)
{
    const int own = config == Config::Voltage ? qGreen(pixel) : qRed(pixel);
    const int other = config == Config::Voltage ? qRed(pixel) : qGreen(pixel);
    return own >= 190 && other < 90 && qBlue(pixel) < 90;
}

// The circle of the ring, found from the picture alone.
struct Dial {
    QPointF centre;
    double radius = 0;
    QRect ringBox;
};

Dial findDial(const QImage &image, Config config)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (isRingPixel(line[x], config))
                box |= QRect(x, y, 1, 1);
        }
    }
    Dial dial;
    dial.ringBox = box;
    dial.centre = QRectF(box).center();
    dial.radius = (box.width() + box.height()) / 4.0;
    return dial;
}

// Needle pixels within the sector between two scale angles (degrees clockwise
// from six o'clock) and two fractions of the radius, sampled every half degree
// and every pixel along the radius.
int needlePixels(const QImage &image, const Dial &dial, Config config, double fromDegrees,
                 double toDegrees, double inner = 0.15, double outer = 0.45)
{
    int count = 0;
    for (double degrees = fromDegrees; degrees <= toDegrees + 1e-9; degrees += 0.5) {
        const double rad = qDegreesToRadians(degrees);
        for (double r = inner * dial.radius; r <= outer * dial.radius; r += 1) {
            const QPoint at = (dial.centre + QPointF(-std::sin(rad), std::cos(rad)) * r).toPoint();
            if (image.rect().contains(at) && isNeedlePixel(image.pixel(at), config))
                ++count;
        }
    }
    return count;
}

// Share of the points on a circle, one every degree, that are in the ring colour.
double ringShareAt(const QImage &image, const Dial &dial, Config config, double fraction)
{
    int hits = 0;
    for (int degrees = 0; degrees < 360; ++degrees) {
        const double rad = qDegreesToRadians(double(degrees));
        const QPoint at =
            (dial.centre + QPointF(-std::sin(rad), std::cos(rad)) * (fraction * dial.radius))
                .toPoint();
        if (image.rect().contains(at) && isRingPixel(image.pixel(at), config))
            ++hits;
    }
    return hits / 360.0;
}

// Needle pixels on the single ray at one angle.
int needleOnRay(const QImage &image, const Dial &dial, Config config, double degrees)
{
    return needlePixels(image, dial, config, degrees, degrees);
}

void keepPicture(const QImage &image, const QString &name)
{
    const QString dir = qEnvironmentVariable("QUORVALINE_GAUGE_PNG_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    QVERIFY(image.save(QDir(dir).filePath(name + QStringLiteral(".png"))));
}

} // namespace

Q_DECLARE_METATYPE(Config)

class GaugePanelTest : public QObject {
    Q_OBJECT
private slots:
    void repaints_data();
    void repaints();
    void rangeRefusedWhenEmpty_data();
    void rangeRefusedWhenEmpty();
    void valueText_data();
    void valueText();
    void precisionRewritesShownValue();
    void needleFollowsValue_data();
    void needleFollowsValue();
    void needleClampedToScale_data();
    void needleClampedToScale();
};

// Each row starts from the voltage gauge shown at 0–30 V with 12.34 V and makes
// one call; the repaint must come exactly when the picture changes.
void GaugePanelTest::repaints_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<bool>("repaints");
    QTest::newRow("same range") << "range" << 0.0 << 30.0 << false;
    QTest::newRow("new range") << "range" << 0.0 << 40.0 << true;
    QTest::newRow("same value") << "value" << 12.34 << 0.0 << false;
    QTest::newRow("same value at 2 decimals") << "value" << 12.3449 << 0.0 << false;
    QTest::newRow("value one step up") << "value" << 12.35 << 0.0 << true;
    QTest::newRow("value one step down") << "value" << 12.33 << 0.0 << true;
    QTest::newRow("same precision") << "precision" << 2.0 << 0.0 << false;
    QTest::newRow("new precision") << "precision" << 3.0 << 0.0 << true;
    QTest::newRow("same ring colour") << "ring" << 100.0 << 0.0 << false;
    QTest::newRow("new ring alpha") << "ring" << 200.0 << 0.0 << true;
}

void GaugePanelTest::repaints()
{
    QFETCH(QString, call);
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(bool, repaints);

    Page page(Config::Voltage, QSize(280, 380));
    page.gauge->setValue(12.34);
    page.page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page.page));
    testbench::PaintCounter counter;
    page.gauge->installEventFilter(&counter);
    // The first paint has happened once the counter stays put.
    QTRY_VERIFY(page.gauge->isVisible());
    QTest::qWait(50);
    counter.paints = 0;

    // The page calls setRange and setValue about twenty times a second; do it
    // a few times to show that repeating an unchanged call stays silent.
    for (int i = 0; i < 5; ++i) {
        if (call == "range")
            page.gauge->setRange(a, b);
        else if (call == "value")
            page.gauge->setValue(a);
        else if (call == "precision")
            page.gauge->setPrecision(int(a));
        else if (call == "ring")
            page.gauge->setRingColor(QColor(0, 255, 0, int(a)));
        QCoreApplication::processEvents();
    }
    QTest::qWait(50);
    if (repaints)
        QVERIFY(counter.paints > 0);
    else
        QCOMPARE(counter.paints, 0);
}

void GaugePanelTest::rangeRefusedWhenEmpty_data()
{
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::newRow("equal ends") << 5.0 << 5.0;
    QTest::newRow("inverted") << 30.0 << 0.0;
    QTest::newRow("infinite top") << 0.0 << std::numeric_limits<double>::infinity();
    QTest::newRow("not a number") << std::nan("") << 30.0;
}

// A range the scale cannot be divided over keeps the one shown.
void GaugePanelTest::rangeRefusedWhenEmpty()
{
    QFETCH(double, low);
    QFETCH(double, high);
    GaugePanel gauge;
    configure(gauge, Config::Voltage);
    gauge.setRange(low, high);
    QCOMPARE(gauge.minValue(), 0.0);
    QCOMPARE(gauge.maxValue(), 30.0);
}

void GaugePanelTest::valueText_data()
{
    QTest::addColumn<int>("precision");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("voltage zero") << 2 << 0.0 << "0.00";
    QTest::newRow("voltage from device units") << 2 << 1234 / 100.0 << "12.34";
    QTest::newRow("voltage rounds up") << 2 << 4.996 << "5.00";
    QTest::newRow("voltage over range keeps true value") << 2 << 45.67 << "45.67";
    QTest::newRow("current from device units") << 3 << 2010 / 1000.0 << "2.010";
    QTest::newRow("current over range") << 3 << 9.5 << "9.500";
    QTest::newRow("no decimals") << 0 << 12.6 << "13";
    QTest::newRow("tiny negative shows no sign") << 2 << -0.001 << "0.00";
    QTest::newRow("real negative keeps sign") << 2 << -1.5 << "-1.50";
    QTest::newRow("negative precision means none") << -3 << 7.4 << "7";
    QTest::newRow("precision capped at six") << 12 << 1.0 / 3 << "0.333333";
    QTest::newRow("not a number") << 2 << std::nan("") << "---";
}

void GaugePanelTest::valueText()
{
    QFETCH(int, precision);
    QFETCH(double, value);
    QFETCH(QString, text);
    GaugePanel gauge;
    configure(gauge, Config::Voltage);
    gauge.setPrecision(precision);
    gauge.setValue(value);
    QCOMPARE(gauge.valueText(), text);
    if (!std::isnan(value))
        QCOMPARE(gauge.value(), value);
}

// The text follows a precision set after the value, as at start-up where the
// value is set before or after the configuration.
void GaugePanelTest::precisionRewritesShownValue()
{
    GaugePanel gauge;
    gauge.setValue(1.23456);
    gauge.setPrecision(3);
    QCOMPARE(gauge.valueText(), QStringLiteral("1.235"));
    gauge.setPrecision(1);
    QCOMPARE(gauge.valueText(), QStringLiteral("1.2"));
}

// Where the needle points, for both gauges of the page, at the page's size and
// at the smallest and largest sizes it must stay readable at. With start and
// end angle 90 the scale is the upper half circle: the lowest value points to
// nine o'clock (90 degrees clockwise from six), the middle of the range up
// (180), the top to three o'clock (270).
void GaugePanelTest::needleFollowsValue_data()
{
    QTest::addColumn<Config>("config");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("degrees");
    const QList<QSize> sizes = {QSize(150, 150), QSize(280, 380), QSize(600, 600), QSize(420, 260)};
    for (const QSize &size : sizes) {
        const QString at = QStringLiteral(" %1x%2").arg(size.width()).arg(size.height());
        QTest::newRow(qPrintable("V 0" + at)) << Config::Voltage << size << 0.0 << 90.0;
        QTest::newRow(qPrintable("V 7.5 quarter" + at)) << Config::Voltage << size << 7.5 << 135.0;
        QTest::newRow(qPrintable("V 15 mid" + at)) << Config::Voltage << size << 15.0 << 180.0;
        QTest::newRow(qPrintable("V 30 full" + at)) << Config::Voltage << size << 30.0 << 270.0;
        QTest::newRow(qPrintable("A 0" + at)) << Config::Current << size << 0.0 << 90.0;
        QTest::newRow(qPrintable("A 2.5 mid" + at)) << Config::Current << size << 2.5 << 180.0;
        QTest::newRow(qPrintable("A 3.75 three quarters" + at))
            << Config::Current << size << 3.75 << 225.0;
        QTest::newRow(qPrintable("A 5 full" + at)) << Config::Current << size << 5.0 << 270.0;
    }
}

void GaugePanelTest::needleFollowsValue()
{
    QFETCH(Config, config);
    QFETCH(QSize, size);
    QFETCH(double, value);
    QFETCH(double, degrees);

    Page page(config, size);
    page.gauge->setValue(value);
    const QImage image = page.image();
    keepPicture(image, QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));

    // The ring is there, in its colour at its alpha, and is a circle filling
    // the shorter side of the widget.
    const Dial dial = findDial(image, config);
    QVERIFY2(!dial.ringBox.isEmpty(), "no pixel in the ring colour");
    const int side = std::min(size.width(), size.height());
    QVERIFY2(
        std::abs(dial.ringBox.width() - dial.ringBox.height()) <= 2,
        qPrintable(
            QStringLiteral("ring box %1x%2").arg(dial.ringBox.width()).arg(dial.ringBox.height())));
    QVERIFY2(
        dial.ringBox.width() >= side - 6 && dial.ringBox.width() <= side,
        qPrintable(QStringLiteral("ring %1 px for %2 px").arg(dial.ringBox.width()).arg(side)));
    // The band itself is in the ring colour all round, not just its edges.
    QVERIFY2(ringShareAt(image, dial, config, 0.96) > 0.95,
             qPrintable(QString::number(ringShareAt(image, dial, config, 0.96))));
    QVERIFY(std::abs(dial.centre.x() - size.width() / 2.0) <= 2);
    QVERIFY(std::abs(dial.centre.y() - size.height() / 2.0) <= 2);

    // The needle lies along its angle and nowhere else on the scale.
    QVERIFY2(needleOnRay(image, dial, config, degrees) >= int(0.2 * dial.radius),
             "no needle along the expected angle");
    for (double other = 90; other <= 270; other += 45) {
        if (std::abs(other - degrees) < 30)
            continue;
        QVERIFY2(needleOnRay(image, dial, config, other) == 0,
                 qPrintable(QStringLiteral("needle pixels at %1 degrees").arg(other)));
    }
}

void GaugePanelTest::needleClampedToScale_data()
{
    QTest::addColumn<Config>("config");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("degrees");
    QTest::addColumn<QString>("text");
    // The page leaves the voltage gauge at 0–40 for readings of 40 V and more.
    QTest::newRow("V 45 on 0-40") << Config::Voltage << 0.0 << 40.0 << 45.0 << 270.0 << "45.00";
    QTest::newRow("V 35 on 0-40") << Config::Voltage << 0.0 << 40.0 << 35.0 << 247.5 << "35.00";
    QTest::newRow("V 30.5 on 0-30") << Config::Voltage << 0.0 << 30.0 << 30.5 << 270.0 << "30.50";
    QTest::newRow("V -3 on 0-30") << Config::Voltage << 0.0 << 30.0 << -3.0 << 90.0 << "-3.00";
    QTest::newRow("A 9.25 on 0-8") << Config::Current << 0.0 << 8.0 << 9.25 << 270.0 << "9.250";
    QTest::newRow("A 6 on 0-8") << Config::Current << 0.0 << 8.0 << 6.0 << 225.0 << "6.000";
    QTest::newRow("A 100 on 0-5") << Config::Current << 0.0 << 5.0 << 100.0 << 270.0 << "100.000";
}

// A reading beyond the scale rests the needle at the end stop and shows its
// true value as text; nothing is drawn past the end of the scale.
void GaugePanelTest::needleClampedToScale()
{
    QFETCH(Config, config);
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(double, value);
    QFETCH(double, degrees);
    QFETCH(QString, text);

    Page page(config, QSize(280, 380));
    page.gauge->setRange(low, high);
    page.gauge->setValue(value);
    const QImage image = page.image();
    keepPicture(image, QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));
    const Dial dial = findDial(image, config);
    QVERIFY(!dial.ringBox.isEmpty());

    QCOMPARE(page.gauge->valueText(), text);
    QCOMPARE(page.gauge->value(), value);
    QVERIFY2(needleOnRay(image, dial, config, degrees) >= int(0.2 * dial.radius),
             "no needle along the expected angle");
    // Below the ends of the scale, in the gap at the bottom beside the
    // readout, there is no needle.
    QCOMPARE(needlePixels(image, dial, config, 275, 300, 0.45, 0.8), 0);
    QCOMPARE(needlePixels(image, dial, config, 60, 85, 0.45, 0.8), 0);
}

QTEST_MAIN(GaugePanelTest)
#include "tst_gaugepanel.moc"
