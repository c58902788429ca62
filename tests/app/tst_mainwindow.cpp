// The main window at start and its page navigation.
#include "app/language.h"
#include "tests/support/testbench.h"

#include "quorvaline_version.h"

#include <QLabel>
#include <QRegularExpression>
#include <QTranslator>
#include <QtTest>

using testbench::makeWindow;

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { sim::bus().reset(); }

    void startsOnTheMeterPage()
    {
        auto w = makeWindow();
        Ui_Widget &ui = w.ui();
        QCOMPARE(ui.mainStackedWidget->currentIndex(), 0);
        QCOMPARE(ui.toolsStackedWidget->currentIndex(), 0);
        QCOMPARE(ui.vcMeter_pageStackedWidget->currentIndex(), 0);
        QVERIFY(ui.vCToolButton->isChecked());
        QVERIFY(w->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(w->testAttribute(Qt::WA_Hover));
        QVERIFY(w->discoveryEnabled);
        QCOMPARE(w->firmwareImage.size(), 1048576);
        QVERIFY(!w->firmwareHandle);
    }

    void powerSupplyControlsStartDisconnected()
    {
        auto w = makeWindow();
        Ui_Widget &ui = w.ui();
        const QList<QPushButton *> controls = {ui.adjON_OFFButton, ui.adjOCPButton,
                                               ui.adjOVPButton};
        for (QPushButton *button : controls)
            QVERIFY(!button->isEnabled() && !button->isChecked());
        const QList<QPushButton *> presets = {ui.adjM1PushButton, ui.adjM2PushButton,
                                              ui.adjM3PushButton, ui.adjM4PushButton,
                                              ui.adjM5PushButton, ui.adjM6PushButton};
        for (int i = 0; i < presets.size(); ++i) {
            QVERIFY(!presets[i]->isEnabled() && !presets[i]->isChecked());
            QCOMPARE(presets[i]->text(), QStringLiteral("M%1").arg(i + 1));
        }
        for (QPushButton *light : {ui.cvLight, ui.ccLight, ui.ovpLight, ui.ocpLight})
            QVERIFY(!light->isChecked());
        QCOMPARE(ui.adjPowChartStart->text(), QStringLiteral("开始"));
        QVERIFY(!w->adjPower->chartRunning);
        QVERIFY(!w->adjPower->hidDevice);
        QCOMPARE(ui.adjVoltageDial->maximum(), 3000);
        QCOMPARE(ui.adjCurrentDial->maximum(), 5000);
    }

    void timersRunWithTheirIntervals()
    {
        sim::bus().reset();
        startup::initResources();
        Widget w;
        const struct {
            QTimer *timer;
            int interval;
            Qt::TimerType type;
        } timers[] = {
            {w.displayTimer, 100, Qt::CoarseTimer},
            {w.discoveryTimer, 1000, Qt::CoarseTimer},
            {w.accumulateTimer, 94, Qt::CoarseTimer},
            {w.meterPollTimer, 47, Qt::CoarseTimer},
            {w.adjPower->pollTimer, 48, Qt::CoarseTimer},
            {w.oneKeyLine->pollTimer, 2, Qt::PreciseTimer},
        };
        for (const auto &t : timers) {
            QVERIFY(t.timer->isActive());
            QCOMPARE(t.timer->interval(), t.interval);
            QCOMPARE(t.timer->timerType(), t.type);
            QCOMPARE(t.timer->parent(), &w); // released with the window
        }
        QVERIFY(!w.programTimer->isActive());
        QCOMPARE(w.programTimer->parent(), &w);
        QCOMPARE(w.vcMeter->rateCode, quint8(20));
    }

    // The tool state objects are never shown: no Qt parent, so no child
    // widget of the window. Destroying the window closes the handles it
    // still holds, one per instrument.
    void destroyingTheWindowClosesItsHandles()
    {
        sim::bus().reset();
        startup::initResources();
        sim::Bus &bus = sim::bus();
        const int ids[] = {bus.attach(std::make_shared<sim::MeterModel>()),
                           bus.attach(std::make_shared<sim::PowerSupplyModel>()),
                           bus.attach(std::make_shared<sim::BootLineModel>()),
                           bus.attach(std::make_shared<sim::FirmwareModel>())};
        auto w = std::make_unique<Widget>();
        w->show();
        for (const QWidget *state :
             {static_cast<QWidget *>(w->vcMeter.get()), static_cast<QWidget *>(w->adjPower.get()),
              static_cast<QWidget *>(w->oneKeyLine.get())}) {
            QVERIFY(!state->parent());
            QVERIFY(!state->isVisible());
        }
        w->discoverDevices();
        for (int id : ids)
            QCOMPARE(bus.openHandles(id), 1);
        w.reset();
        QCOMPARE(bus.totalOpenHandles(), 0);
    }

    // The clicked tool button is checked and the four others not; clicking
    // the current one keeps it checked.
    void toolButtonsSelectPagesExclusively_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("page");
        QTest::newRow("meter") << "vCToolButton" << 0;
        QTest::newRow("power") << "adjPowToolButton" << 1;
        QTest::newRow("boot line") << "ironToolButton" << 2;
        QTest::newRow("iron station") << "hotAirToolButton" << 3;
        QTest::newRow("other") << "otherToolButton" << 4;
    }
    void toolButtonsSelectPagesExclusively()
    {
        QFETCH(QString, button);
        QFETCH(int, page);
        auto w = makeWindow();
        const QStringList names = {"vCToolButton", "adjPowToolButton", "ironToolButton",
                                   "hotAirToolButton", "otherToolButton"};
        for (int repeat = 0; repeat < 2; ++repeat) {
            w->findChild<QToolButton *>(button)->click();
            QCOMPARE(w.ui().toolsStackedWidget->currentIndex(), page);
            for (const QString &name : names)
                QCOMPARE(w->findChild<QToolButton *>(name)->isChecked(), name == button);
        }
    }

    void firmwareThenHomeReturnsToTheSameToolPage()
    {
        auto w = makeWindow();
        w.ui().ironToolButton->click();
        w.ui().firmwareButton->click();
        QCOMPARE(w.ui().mainStackedWidget->currentIndex(), 1);
        w.ui().homeButton->click();
        QCOMPARE(w.ui().mainStackedWidget->currentIndex(), 0);
        QCOMPARE(w.ui().toolsStackedWidget->currentIndex(), 2);
        QVERIFY(w.ui().ironToolButton->isChecked());
    }

    void helpButtonDoesNothing()
    {
        auto w = makeWindow();
        w.ui().adjPowToolButton->click();
        w.ui().helpButton->click();
        QCOMPARE(w.ui().mainStackedWidget->currentIndex(), 0);
        QCOMPARE(w.ui().toolsStackedWidget->currentIndex(), 1);
    }

    void meterHelpBackButtonShowsTheToolPage()
    {
        auto w = makeWindow();
        w.ui().vcMeter_pageStackedWidget->setCurrentIndex(1);
        w.ui().vcMeter_helpBackBtn->click();
        QCOMPARE(w.ui().vcMeter_pageStackedWidget->currentIndex(), 0);
    }

    // The meter's help page names the version under its back button, in the
    // window's language.
    void meterHelpPageShowsTheVersion_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("Chinese") << false << QStringLiteral("版本 ");
        QTest::newRow("English") << true << QStringLiteral("Version ");
    }

    void meterHelpPageShowsTheVersion()
    {
        QFETCH(bool, english);
        QFETCH(QString, prefix);
        QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$"))
                    .match(QLatin1String(QUORVALINE_VERSION))
                    .hasMatch());
        startup::initResources();
        QTranslator translator;
        if (english)
            QVERIFY(language::installTranslation(*QCoreApplication::instance(), translator, 1033));
        auto w = makeWindow();
        QWidget *page = w.ui().vcMeterToolHelp;
        auto *label = page->findChild<QLabel *>(QStringLiteral("vcMeter_versionLabel"));
        QVERIFY(label);
        QCOMPARE(label->text(), prefix + QLatin1String(QUORVALINE_VERSION));
        w.ui().vcMeter_pageStackedWidget->setCurrentIndex(1);
        w->show();
        QVERIFY(label->isVisible());
        QVERIFY(!label->geometry().intersects(w.ui().vcMeter_helpBackBtn->geometry()));
        QVERIFY(label->width() >= label->sizeHint().width());
        QCoreApplication::removeTranslator(&translator);
    }

    void englishTranslatesConstructorTextsButNotPresets()
    {
        startup::initResources();
        QTranslator translator;
        QVERIFY(language::installTranslation(*QCoreApplication::instance(), translator, 1033));
        auto w = makeWindow();
        QCOMPARE(w.ui().adjPowChartStart->text(), QStringLiteral("Start"));
        QCOMPARE(w.ui().vcMeter_chartStart->text(), QStringLiteral("Start"));
        QCOMPARE(w.ui().adjM1PushButton->text(), QStringLiteral("M1"));
        QCOMPARE(w.ui().vcMeterDeviceID->text(), QStringLiteral("N.C"));
        QCOMPARE(w->windowTitle(), QStringLiteral("QUORVALINE"));
        QCOMPARE(w.ui().homeButton->text(), QStringLiteral("Tools"));
        QCoreApplication::removeTranslator(&translator);
    }

    void bannerAndTitleBarShowTheirPictures()
    {
        auto w = makeWindow();
        QVERIFY(w->titleBar);
        QCOMPARE(w->titleBar->parentWidget(), w.ui().titleWidget);
        QVERIFY(!w->titleBar->iconLabel->pixmap(Qt::ReturnByValue).isNull());
        QVERIFY(w.ui().ad_Widget->layout());
        QCOMPARE(w.ui().ad_Widget->layout()->count(), 1);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
