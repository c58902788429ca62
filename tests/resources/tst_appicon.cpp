// The program's icon as installed for the desktop: the PNG of every size and
// the scalable SVG, which must draw the same picture as the PNG.
#include "resources/artwork/appicon.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The icon at 256 px, worked out from its geometry: the tile spans 7.68 to
// 248.32, the mark's square 28.16 to 227.84 (199.68 wide, centre 128).
// The centre lies inside the lightning bolt (cyan); the ring has radius
// 0.355 × 199.68 = 70.89 and a stroke of 24.96, so pixel (128, 57) lies on
// its top, a quarter along the gradient from (58, 168, 224) to (6, 125, 184).
const QPoint kCentre(128, 128);
const QColor kBolt(119, 228, 255);
const QPoint kRingTop(128, 57);
const QColor kRingTopColour(45, 157, 214);

bool near(const QColor &got, const QColor &expected, int tolerance)
{
    return qAbs(got.red() - expected.red()) <= tolerance &&
           qAbs(got.green() - expected.green()) <= tolerance &&
           qAbs(got.blue() - expected.blue()) <= tolerance &&
           qAbs(got.alpha() - expected.alpha()) <= tolerance;
}

QByteArray describe(const QColor &c)
{
    return QStringLiteral("(%1, %2, %3, %4)")
        .arg(c.red())
        .arg(c.green())
        .arg(c.blue())
        .arg(c.alpha())
        .toUtf8();
}

} // namespace

class AppIconTest : public QObject {
    Q_OBJECT
private slots:
    void pngHasItsSize_data()
    {
        QTest::addColumn<int>("size");
        for (int size : artwork::kDesktopIconSizes)
            QTest::newRow(QByteArray::number(size)) << size;
    }

    void pngHasItsSize()
    {
        QFETCH(int, size);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("icon.png"));
        QVERIFY(artwork::writeAppIconPng(path, size));
        QImage image(path);
        QCOMPARE(image.size(), QSize(size, size));
        QVERIFY(image.hasAlphaChannel());
        // The mark in the middle, the corners outside the rounded tile.
        QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(size - 1, size - 1)), 0);
    }

    void pngShowsTheMark()
    {
        const QImage image = artwork::appIcon(256);
        QVERIFY2(near(image.pixelColor(kCentre), kBolt, 2), describe(image.pixelColor(kCentre)));
        QVERIFY2(near(image.pixelColor(kRingTop), kRingTopColour, 3),
                 describe(image.pixelColor(kRingTop)));
    }

    void svgDrawsWhatThePngShows()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("icon.svg"));
        QVERIFY(artwork::writeAppIconSvg(path));
        QSvgRenderer renderer(path);
        QVERIFY(renderer.isValid());
        QCOMPARE(renderer.defaultSize(), QSize(256, 256));

        QImage drawn(256, 256, QImage::Format_ARGB32);
        drawn.fill(Qt::transparent);
        {
            QPainter p(&drawn);
            p.setRenderHint(QPainter::Antialiasing);
            renderer.render(&p);
        }
        QVERIFY2(near(drawn.pixelColor(kCentre), kBolt, 2), describe(drawn.pixelColor(kCentre)));
        QVERIFY2(near(drawn.pixelColor(kRingTop), kRingTopColour, 3),
                 describe(drawn.pixelColor(kRingTop)));

        // Everywhere else alike: the mean difference of the colour channels
        // stays within a few steps (edges are smoothed a little differently).
        const QImage png = artwork::appIcon(256).convertToFormat(QImage::Format_ARGB32);
        qint64 difference = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const QRgb a = png.pixel(x, y), b = drawn.pixel(x, y);
                difference += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) +
                              qAbs(qBlue(a) - qBlue(b)) + qAbs(qAlpha(a) - qAlpha(b));
            }
        const double mean = double(difference) / (256.0 * 256.0 * 4.0);
        QVERIFY2(mean < 2.0, QByteArray::number(mean));
    }
};

QTEST_MAIN(AppIconTest)
#include "tst_appicon.moc"
