// The frame of the main window as a user meets it: a real X server with a
// window manager, and pointer input through the server. Presses land on
// whatever widget is under the pointer, the window manager carries out every
// move and resize, and a drag comes one motion event at a time at the pace of
// a hand (1 px per event) or of a brisk pull (6 px per event).
//
// The test starts its own Xvfb (1920 x 1080) and openbox; without them it is
// skipped, and fails where every check must run (./dev check).
#include "tests/support/requiredchecks.h"
#include "tests/support/testbench.h"
#include "tests/support/xsession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QScreen>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QToolButton>
#include <QTranslator>
#include <QtTest>
#include <climits>

#include "app/language.h"

namespace {

const QSize kScreen(1920, 1080);
const QRect kStart(300, 150, 1300, 800);
const QColor kStrip(59, 64, 70);

// Processes events until done() holds, without the fixed pauses of
// QTest::qWaitFor, so that a drag of a hundred events stays quick.
template <typename Done> bool waitUntil(Done done, int timeoutMs = 3000)
{
    QElapsedTimer clock;
    clock.start();
    QTimer wake; // so that the blocking wait below always comes back
    wake.start(5);
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Notes the mouse events the X server delivers to the program's windows, so
// that each step of a drag waits until its event has been handled.
class Delivered : public QObject {
public:
    QPoint lastMove{INT_MIN, INT_MIN};
    int presses = 0;
    int releases = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!watched->isWindowType())
            return false;
        if (event->type() == QEvent::MouseMove)
            lastMove = static_cast<QMouseEvent *>(event)->globalPos();
        else if (event->type() == QEvent::MouseButtonPress)
            ++presses;
        else if (event->type() == QEvent::MouseButtonRelease)
            ++releases;
        return false;
    }
};

QString describe(const QWidget *widget)
{
    if (!widget)
        return QStringLiteral("nothing");
    return widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                          : widget->objectName();
}

// Relative luminance and contrast ratio of two colours, as the web's
// accessibility guidelines define them.
double luminance(const QColor &c)
{
    const auto channel = [](int value) {
        const double v = value / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a) + 0.05;
    const double lb = luminance(b) + 0.05;
    return la > lb ? la / lb : lb / la;
}

QColor brightest(const QImage &image)
{
    QColor best(Qt::black);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.lightness() > best.lightness())
                best = c;
        }
    return best;
}

} // namespace

class WindowChromeX11Test : public QObject {
    Q_OBJECT
public:
    WindowChromeX11Test(xsession::Session *session, const QString &whyNot, bool missing)
        : m_session(session), m_whyNot(whyNot), m_missing(missing)
    {
    }

private:
    xsession::Session *m_session;
    QString m_whyNot;
    bool m_missing;
    std::unique_ptr<xsession::Pointer> m_pointer;
    Delivered m_delivered;
    testbench::Window m_w;
    QTranslator m_translator;
    bool m_held = false;

    Widget *window() const { return m_w.widget.get(); }
    QRect serverGeometry() const { return m_pointer->windowGeometry(window()->winId()); }

    // The main window, shown by the window manager at the given geometry.
    bool openWindow(const QRect &geometry)
    {
        m_w = testbench::makeWindow();
        window()->setGeometry(geometry);
        window()->show();
        if (!QTest::qWaitForWindowExposed(window()))
            return false;
        return placeWindow(geometry);
    }

    bool placeWindow(const QRect &geometry)
    {
        window()->setGeometry(geometry);
        return waitUntil(
            [&] { return window()->geometry() == geometry && serverGeometry() == geometry; });
    }

    // Pointer steps, each returning once the program has handled its event.
    bool moveTo(const QPoint &global)
    {
        m_delivered.lastMove = QPoint(INT_MIN, INT_MIN);
        m_pointer->moveTo(global);
        return waitUntil([&] { return m_delivered.lastMove == global; });
    }
    bool press()
    {
        const int before = m_delivered.presses;
        m_pointer->press();
        m_held = true;
        return waitUntil([&] { return m_delivered.presses > before; });
    }
    bool release()
    {
        const int before = m_delivered.releases;
        m_pointer->release();
        m_held = false;
        return waitUntil([&] { return m_delivered.releases > before; });
    }
    // Moves the held pointer by `step` `count` times; returns where it is.
    bool stepBy(QPoint &at, const QPoint &step, int count)
    {
        for (int i = 0; i < count; ++i) {
            at += step;
            if (!moveTo(at))
                return false;
        }
        return true;
    }

    // A widget as the screen shows it.
    QImage onScreen(const QWidget *widget) const
    {
        const QRect rect(widget->mapToGlobal(QPoint()), widget->size());
        return window()
            ->screen()
            ->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height())
            .toImage();
    }

    void saveScreenshot(const QString &name) const
    {
        const QString dir = qEnvironmentVariable("QUORVALINE_SCREENSHOTS");
        if (dir.isEmpty())
            return;
        QDir().mkpath(dir);
        // The window at the geometry the server gives it, painted at that
        // size and on the screen, before the screen is taken.
        waitUntil([this] { return window()->geometry() == serverGeometry(); });
        window()->repaint();
        window()->screen()->grabWindow(0).save(dir + QLatin1Char('/') + name + ".png");
    }

private slots:
    void initTestCase()
    {
        if (!m_session) {
            if (m_missing)
                SKIP_UNLESS_REQUIRED(m_whyNot);
            QFAIL(qPrintable(m_whyNot));
        }
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        QCOMPARE(QGuiApplication::primaryScreen()->size(), kScreen);
        m_pointer = std::make_unique<xsession::Pointer>(m_session->display());
        QVERIFY2(m_pointer->isValid(), "no XTEST on the test's X server");
        qApp->installEventFilter(&m_delivered);
    }

    void cleanup()
    {
        if (m_pointer) {
            // A failed step may have left the button down.
            if (m_held)
                m_pointer->release();
            m_held = false;
            // Off the window, so that the next one's first move is a move.
            m_pointer->moveTo(QPoint(5, kScreen.height() - 5));
        }
        m_w.widget.reset();
        QCoreApplication::removeTranslator(&m_translator);
        sim::bus().reset();
    }

    // Each row: the page shown, the press in window coordinates, the widget
    // the press lands on, the outward direction of the
    // drag and the pixels per motion event. The pointer goes out and part
    // of the way back, and the grabbed side or corner must follow it all the
    // way, with no click reaching the widget under it.
    void edgeDragFollowsThePointer_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QPoint>("pressAt");
        QTest::addColumn<QString>("over");
        QTest::addColumn<QPoint>("outward");
        QTest::addColumn<int>("stepPx");

        const int w = kStart.width();
        const int h = kStart.height();
        struct Place {
            const char *name;
            int page;
            QPoint pressAt;
            const char *over;
            QPoint outward;
        };
        // dLeft and dTop count from 0 at the first pixel inside, dRight and
        // dBottom from 1: "3 px inside" is x = 3 on the left, x = w - 3 on
        // the right.
        const Place places[] = {
            {"left over a tool button", Widget::MeterPage, {3, 300}, "adjPowToolButton", {-1, 0}},
            {"top-left over the logo", Widget::MeterPage, {3, 3}, "iconLabel", {-1, -1}},
            {"top over the title bar", Widget::MeterPage, {w / 2, 3}, "CustomTitleBar", {0, -1}},
            {"top-right beside the close button",
             Widget::MeterPage,
             {w - 1, 1},
             "CustomTitleBar",
             {1, -1}},
            {"right over the data box", Widget::MeterPage, {w - 10, 400}, "groupBox", {1, 0}},
            {"bottom-right", Widget::MeterPage, {w - 3, h - 3}, "vCPage", {1, 1}},
            {"bottom over the boot check box",
             Widget::BootLinePage,
             {w / 2, h - 10},
             "bootCheckBox",
             {0, 1}},
            {"bottom-left over the tool list",
             Widget::MeterPage,
             {3, h - 3},
             "scrollAreaWidgetContents",
             {-1, 1}},
        };
        for (const Place &place : places)
            for (int stepPx : {1, 6})
                QTest::addRow("%s, %d px per event", place.name, stepPx)
                    << place.page << place.pressAt << QString::fromLatin1(place.over)
                    << place.outward << stepPx;
    }

    void edgeDragFollowsThePointer()
    {
        QFETCH(int, page);
        QFETCH(QPoint, pressAt);
        QFETCH(QString, over);
        QFETCH(QPoint, outward);
        QFETCH(int, stepPx);
        QVERIFY(openWindow(kStart));
        window()->toolButtons()[page]->click();
        QCOMPARE(describe(window()->childAt(pressAt)), over);

        // Out 24 px and back 6 at a hand's pace, out 48 and back 18 briskly.
        const int outSteps = stepPx == 1 ? 24 : 8;
        const int backSteps = stepPx == 1 ? 6 : 3;
        const int net = (outSteps - backSteps) * stepPx;
        const QRect expected =
            kStart.adjusted(outward.x() < 0 ? -net : 0, outward.y() < 0 ? -net : 0,
                            outward.x() > 0 ? net : 0, outward.y() > 0 ? net : 0);

        QPoint at = kStart.topLeft() + pressAt;
        QVERIFY(moveTo(at));
        QVERIFY(press());
        QVERIFY(stepBy(at, outward * stepPx, outSteps));
        QVERIFY(stepBy(at, -outward * stepPx, backSteps));
        QVERIFY(release());

        waitUntil([&] { return serverGeometry() == expected && window()->geometry() == expected; });
        QCOMPARE(serverGeometry(), expected);
        QCOMPARE(window()->geometry(), expected);
        // The press went to no widget: the page and the tool buttons are as
        // they were, the window neither closed nor changed state.
        QVERIFY(window()->isVisible());
        QCOMPARE(window()->windowState(), Qt::WindowStates(Qt::WindowNoState));
        QCOMPARE(window()->ui->toolsStackedWidget->currentIndex(), page);
        for (int i = 0; i < window()->toolButtons().size(); ++i)
            QCOMPARE(window()->toolButtons()[i]->isChecked(), i == page);
        QVERIFY(!window()->resizing);
        QVERIFY(window()->titleBar->dragEnabled);
    }

    // The title bar's buttons reach into the resize zones along the top and
    // right sides: there a button under the pointer takes its click to its
    // very edge, as the close button in a window's corner does on every
    // desktop, and the window keeps its size. Each row: the button and the
    // press in its own coordinates, counted from its left or right and top
    // side; the press and release come from the X server.
    void titleBarButtonsTakeTheirClicksToTheirEdge_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("fromLeft");
        QTest::addColumn<int>("fromRight");
        QTest::addColumn<int>("fromTop");
        QTest::newRow("close, its top right pixel") << "closeButton" << INT_MIN << 1 << 0;
        QTest::newRow("close, 3 px in from the corner") << "closeButton" << INT_MIN << 3 << 3;
        QTest::newRow("close, 8 px in from the corner") << "closeButton" << INT_MIN << 8 << 8;
        QTest::newRow("close, its outer column halfway down")
            << "closeButton" << INT_MIN << 1 << 16;
        QTest::newRow("maximise, its top row") << "maximizeButton" << 23 << INT_MIN << 0;
        QTest::newRow("maximise, 7 px down at its left end")
            << "maximizeButton" << 0 << INT_MIN << 7;
        QTest::newRow("minimise, its top row") << "minimizeButton" << 23 << INT_MIN << 0;
    }

    void titleBarButtonsTakeTheirClicksToTheirEdge()
    {
        QFETCH(QString, button);
        QFETCH(int, fromLeft);
        QFETCH(int, fromRight);
        QFETCH(int, fromTop);
        QVERIFY(openWindow(kStart));
        auto *target = window()->titleBar->findChild<QToolButton *>(button);
        QVERIFY(target);
        const QPoint inButton(fromLeft != INT_MIN ? fromLeft : target->width() - fromRight,
                              fromTop);
        const QPoint at = target->mapToGlobal(inButton);
        QVERIFY2(at.y() - kStart.top() <= 10 || kStart.right() + 1 - at.x() <= 10,
                 "the press is to lie in a resize zone");
        QCOMPARE(describe(window()->childAt(at - kStart.topLeft())), button);

        QSignalSpy clicked(target, &QToolButton::clicked);
        QVERIFY(moveTo(at));
        QCOMPARE(window()->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(press());
        QVERIFY(!window()->resizing);
        QVERIFY(release());
        QCOMPARE(clicked.count(), 1);
        QVERIFY(!window()->resizing);
        if (button == QLatin1String("closeButton")) {
            QVERIFY(!window()->isVisible());
            return;
        }
        if (button == QLatin1String("maximizeButton")) {
            QVERIFY(waitUntil([&] { return serverGeometry() == QRect(QPoint(), kScreen); }));
            QVERIFY(window()->isMaximized());
            return;
        }
        QVERIFY(waitUntil([&] { return window()->isMinimized(); }));
        QCOMPARE(serverGeometry().size(), kStart.size());
    }

    // A maximised window pulled down by its title bar comes back to its
    // normal size under the pointer, which keeps its place along the bar,
    // and goes on following the pointer until the release.
    void draggingAMaximisedWindowDownRestoresIt()
    {
        QVERIFY(openWindow(kStart));
        CustomTitleBar *bar = window()->titleBar;

        // Double-click on the title bar maximises.
        const QPoint onBar = kStart.topLeft() + QPoint(900, 20);
        QVERIFY(moveTo(onBar));
        QVERIFY(press());
        QVERIFY(release());
        QVERIFY(press());
        QVERIFY(release());
        QVERIFY(waitUntil([&] { return serverGeometry() == QRect(QPoint(), kScreen); }));
        QVERIFY(window()->isMaximized());
        saveScreenshot(QStringLiteral("maximised"));

        // Pressed three quarters of the way along the bar, 20 px down.
        QPoint at(1440, 20);
        QVERIFY(moveTo(at));
        QVERIFY(press());
        QVERIFY(stepBy(at, QPoint(0, 6), 30)); // down to y 200
        // The 1300 px window keeps the pointer three quarters along: 975 px.
        const QRect followed(QPoint(1440 - 975, 200 - 20), kStart.size());
        waitUntil([&] { return serverGeometry() == followed && window()->geometry() == followed; });
        QCOMPARE(serverGeometry(), followed);
        QVERIFY(!window()->isMaximized());
        QVERIFY(bar->dragging);

        QVERIFY(stepBy(at, QPoint(-6, 6), 24)); // on to (1296, 344)
        QVERIFY(release());
        const QRect dropped(QPoint(1296 - 975, 344 - 20), kStart.size());
        waitUntil([&] { return serverGeometry() == dropped && window()->geometry() == dropped; });
        QCOMPARE(serverGeometry(), dropped);
        QCOMPARE(window()->geometry(), dropped);
        QCOMPARE(window()->windowState(), Qt::WindowStates(Qt::WindowNoState));
    }

    // Against the left or right screen edge the window takes that half, at
    // least its minimum width, and stays wholly on the screen.
    void halfScreenPlacementStaysOnScreen_data()
    {
        QTest::addColumn<int>("towardX");
        QTest::addColumn<QRect>("placement");
        // Half of 1920 plus the overlap of 164 is 1124, below the minimum
        // width of 1162: the window is 1162 wide, the right one at 1920 - 1162.
        QTest::newRow("left") << 2 << QRect(0, 0, 1162, 1080);
        QTest::newRow("right") << 1917 << QRect(758, 0, 1162, 1080);
    }

    void halfScreenPlacementStaysOnScreen()
    {
        QFETCH(int, towardX);
        QFETCH(QRect, placement);
        QVERIFY(openWindow(kStart));

        QPoint at = kStart.topLeft() + QPoint(650, 25);
        QVERIFY(moveTo(at));
        QVERIFY(press());
        const int steps = 20;
        QVERIFY(stepBy(at, QPoint((towardX - at.x()) / steps, 0), steps));
        QVERIFY(moveTo(QPoint(towardX, at.y())));
        waitUntil(
            [&] { return serverGeometry() == placement && window()->geometry() == placement; });
        QCOMPARE(serverGeometry(), placement);
        QVERIFY(QRect(QPoint(), kScreen).contains(serverGeometry()));
        QVERIFY(window()->titleBar->snapped);

        // Back off the edge, the window has its own size again.
        QVERIFY(moveTo(QPoint(960, at.y())));
        QVERIFY(moveTo(QPoint(960, at.y() + 6)));
        QVERIFY(release());
        QVERIFY(waitUntil([&] { return serverGeometry().size() == kStart.size(); }));
        QVERIFY(!window()->titleBar->snapped);
    }

    // Under the pointer the minimise and maximise buttons turn blue and the
    // close button red, each glyph brighter; away from them the glyphs stand out
    // light on the dark strip. In both languages, with a screenshot of each.
    void titleBarButtonsUnderThePointer_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QColor>("hover");
        for (const char *language : {"zh", "en"}) {
            QTest::addRow("%s minimise", language)
                << language << "minimizeButton" << QColor(0x06, 0x7D, 0xB8);
            QTest::addRow("%s maximise", language)
                << language << "maximizeButton" << QColor(0x06, 0x7D, 0xB8);
            QTest::addRow("%s close", language)
                << language << "closeButton" << QColor(0xE8, 0x11, 0x23);
        }
    }

    void titleBarButtonsUnderThePointer()
    {
        QFETCH(QString, language);
        QFETCH(QString, button);
        QFETCH(QColor, hover);
        if (language == QLatin1String("en"))
            QVERIFY(language::installTranslation(*qApp, m_translator, 1033));
        QVERIFY(openWindow(kStart));
        auto *target = window()->titleBar->findChild<QToolButton *>(button);
        QVERIFY(target);

        QVERIFY(moveTo(kStart.topLeft() + QPoint(650, 400)));
        const QImage resting = onScreen(target);
        QCOMPARE(resting.pixelColor(2, resting.height() / 2), kStrip);
        QVERIFY2(contrast(brightest(resting), kStrip) >= 4.5,
                 qPrintable(brightest(resting).name()));

        QVERIFY(moveTo(target->mapToGlobal(target->rect().center())));
        QVERIFY(waitUntil(
            [&] { return onScreen(target).pixelColor(2, target->height() / 2) == hover; }));
        const QImage hovered = onScreen(target);
        QCOMPARE(hovered.pixelColor(2, hovered.height() / 2), hover);
        // The hover glyph is brighter than the resting one and stands out
        // on the coloured background as a graphic must (3:1).
        QVERIFY(brightest(hovered).lightness() > brightest(resting).lightness());
        QVERIFY2(contrast(brightest(hovered), hover) >= 3.0, qPrintable(brightest(hovered).name()));
        saveScreenshot(QStringLiteral("titlebar-%1-%2").arg(button, language));
    }
};

int main(int argc, char **argv)
{
    QString whyNot;
    bool missing = false;
    std::unique_ptr<xsession::Session> session =
        xsession::Session::start(kScreen, &whyNot, &missing);
    if (session) {
        qputenv("DISPLAY", session->display().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int result;
    {
        // The application goes before the X server it is connected to.
        QApplication app(argc, argv);
        WindowChromeX11Test test(session.get(), whyNot, missing);
        result = QTest::qExec(&test, argc, argv);
    }
    return result;
}

#include "tst_windowchrome_x11.moc"
