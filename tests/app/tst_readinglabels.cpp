// Reading labels: a label is set only when its text changes, and the texts a
// poll hands over reach the labels at the display's rate, the newest winning.
#include "app/readinglabel.h"
#include "charts/redrawpacer.h"

#include <QLabel>
#include <QtTest>

class TstReadingLabels : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { setRedrawPacing(RedrawPacing::DisplayRate); }

    void showSetsOnlyANewText();
    void textsWaitForTheRedraw();
    void newestTextWins();
    void backToTheShownTextAsksForNothing();
    void timerCarriesOutTheWaitingTexts();
    void everyRequestSetsAtOnce();
    void labelGoneWhileWaiting();
};

void TstReadingLabels::showSetsOnlyANewText()
{
    QLabel label(QStringLiteral("1.000"));
    QVERIFY(!readinglabel::show(&label, QStringLiteral("1.000")));
    QCOMPARE(label.text(), QStringLiteral("1.000"));
    QVERIFY(readinglabel::show(&label, QStringLiteral("1.250")));
    QCOMPARE(label.text(), QStringLiteral("1.250"));
}

void TstReadingLabels::textsWaitForTheRedraw()
{
    QLabel volts(QStringLiteral("4.000"));
    QLabel amps(QStringLiteral("0.250"));
    ReadingLabels labels;
    labels.show(&volts, QStringLiteral("4.000")); // shown already
    QVERIFY(!labels.isPending());
    labels.show(&volts, QStringLiteral("4.012"));
    labels.show(&amps, QStringLiteral("0.300"));
    QVERIFY(labels.isPending());
    QCOMPARE(volts.text(), QStringLiteral("4.000"));
    QCOMPARE(amps.text(), QStringLiteral("0.250"));
    labels.flush();
    QVERIFY(!labels.isPending());
    QCOMPARE(volts.text(), QStringLiteral("4.012"));
    QCOMPARE(amps.text(), QStringLiteral("0.300"));
}

void TstReadingLabels::newestTextWins()
{
    QLabel amps;
    ReadingLabels labels;
    for (int ma = 100; ma <= 600; ma += 50) {
        labels.show(&amps, QString::number(ma / 1000.0, 'f', 3));
        QCOMPARE(amps.text(), QString()); // nothing set before the redraw
    }
    labels.flush();
    QCOMPARE(amps.text(), QStringLiteral("0.600"));
}

void TstReadingLabels::backToTheShownTextAsksForNothing()
{
    QLabel volts(QStringLiteral("5.000"));
    ReadingLabels labels;
    labels.show(&volts, QStringLiteral("5.100"));
    labels.show(&volts, QStringLiteral("5.000")); // the reading came back
    QVERIFY(!labels.isPending());
    labels.flush();
    QCOMPARE(volts.text(), QStringLiteral("5.000"));
}

void TstReadingLabels::timerCarriesOutTheWaitingTexts()
{
    QLabel volts;
    ReadingLabels labels;
    labels.show(&volts, QStringLiteral("3.300"));
    QCOMPARE(volts.text(), QString());
    QTRY_COMPARE(volts.text(), QStringLiteral("3.300"));
    QVERIFY(!labels.isPending());
}

void TstReadingLabels::everyRequestSetsAtOnce()
{
    setRedrawPacing(RedrawPacing::EveryRequest);
    QLabel volts;
    ReadingLabels labels;
    labels.show(&volts, QStringLiteral("12.00"));
    QCOMPARE(volts.text(), QStringLiteral("12.00"));
    QVERIFY(!labels.isPending());
}

void TstReadingLabels::labelGoneWhileWaiting()
{
    auto *gone = new QLabel;
    QLabel stays;
    ReadingLabels labels;
    labels.show(gone, QStringLiteral("1.000"));
    labels.show(&stays, QStringLiteral("2.000"));
    delete gone;
    labels.flush();
    QCOMPARE(stays.text(), QStringLiteral("2.000"));
}

QTEST_MAIN(TstReadingLabels)
#include "tst_readinglabels.moc"
