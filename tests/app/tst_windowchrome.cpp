// The frame of the frameless main window: resizing by its edges and corners,
// moving, maximising and half-screen placement by dragging the title bar, and
// maximise/restore by double-click.
#include "tests/support/testbench.h"

#include <QCursor>
#include <QStackedWidget>
#include <climits>
#include <cmath>
#include <QHoverEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

namespace {

// Qt follows every mouse move sent to a window with hover enabled by a hover
// move, which the window turns into a move at the platform cursor. For real
// input that cursor is where the event says; offscreen it stays put while the
// test sends positions of its own, so this echo is dropped while the test's
// own mouse event is delivered. Hovering is driven separately, with the
// platform cursor moved first.
class HoverEchoFilter : public QObject {
public:
    bool dropping = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        return dropping && event->type() == QEvent::HoverMove;
    }
};

// The real main window, shown at a given geometry, and synthesized mouse input
// with explicit local and global positions.
struct ChromeBench {
    HoverEchoFilter echo;
    testbench::Window w = testbench::makeWindow();

    explicit ChromeBench(const QRect &geometry)
    {
        w->installEventFilter(&echo);
        w->setGeometry(geometry);
        w->show();
    }

    Widget *window() const { return w.widget.get(); }
    CustomTitleBar *bar() const { return w->titleBar; }
    QPoint topLeft() const { return w->geometry().topLeft(); }

    // Global position of a point given in window coordinates.
    QPoint onWindow(const QPoint &point) const { return topLeft() + point; }
    // Global position of a point on the title bar, given in bar coordinates.
    QPoint onBar(const QPoint &point) const { return topLeft() + bar()->mapTo(window(), point); }

    void send(QWidget *target, QEvent::Type type, const QPoint &global, Qt::MouseButton button,
              Qt::MouseButtons buttons)
    {
        const QPoint targetOrigin =
            target == window() ? QPoint() : target->mapTo(window(), QPoint());
        const QPoint local = global - topLeft() - targetOrigin;
        QMouseEvent event(type, local, global, button, buttons, Qt::NoModifier);
        echo.dropping = true;
        QApplication::sendEvent(target, &event);
        echo.dropping = false;
    }
    void press(QWidget *target, const QPoint &global)
    {
        send(target, QEvent::MouseButtonPress, global, Qt::LeftButton, Qt::LeftButton);
    }
    void moveHeld(QWidget *target, const QPoint &global)
    {
        send(target, QEvent::MouseMove, global, Qt::NoButton, Qt::LeftButton);
    }
    void release(QWidget *target, const QPoint &global)
    {
        send(target, QEvent::MouseButtonRelease, global, Qt::LeftButton, Qt::NoButton);
    }
    void doubleClick(QWidget *target, const QPoint &global)
    {
        send(target, QEvent::MouseButtonDblClick, global, Qt::LeftButton, Qt::LeftButton);
    }
    void leave(QWidget *target)
    {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(target, &event);
    }
    // The cursor passes over the window with no button held.
    void hover(const QPoint &global)
    {
        QCursor::setPos(global);
        const QPoint local = global - topLeft();
        QHoverEvent event(QEvent::HoverMove, local, local);
        QApplication::sendEvent(window(), &event);
    }

    // A title bar drag: press on the bar and a first small move, as a real
    // drag begins, so the window's own edge logic has let go of the press.
    QPoint startBarDrag(const QPoint &barPoint)
    {
        const QPoint start = onBar(barPoint);
        press(bar(), start);
        const QPoint first = start + QPoint(1, 1);
        moveHeld(bar(), first);
        return first;
    }
};

const QRect kRoomy(100, 100, 1300, 800);
const QSize kMinimum(1162, 713);

// Where the cursor is put in a row of the edge tables: x and y measured from
// one side of the window each, so that rows read like the zone they probe.
QPoint windowPoint(const QSize &size, int fromLeft, int fromRight, int fromTop, int fromBottom)
{
    const int x = fromLeft != INT_MIN ? fromLeft : size.width() - fromRight;
    const int y = fromTop != INT_MIN ? fromTop : size.height() - fromBottom;
    return {x, y};
}

QString describe(const QWidget *widget)
{
    if (!widget)
        return QStringLiteral("nothing");
    return widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                          : widget->objectName();
}

// The shape of a title bar glyph at 16 x 16, told from its lit pixels: a
// "bar", a "square" outline, "two squares" (the front one at the bottom left,
// the one behind showing at the top right) or a "cross".
QString glyphShape(const QIcon &icon, QIcon::Mode mode)
{
    const QImage image =
        icon.pixmap(QSize(16, 16), mode).toImage().convertToFormat(QImage::Format_ARGB32);
    const auto lit = [&](int x, int y) { return qAlpha(image.pixel(x, y)) >= 128; };
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (lit(x, y))
                box |= QRect(x, y, 1, 1);
    if (box.height() == 1 && box.width() >= 8)
        return QStringLiteral("bar");
    if (box.width() != box.height() || box.width() < 8)
        return QStringLiteral("other");
    const bool topLeft = lit(box.left(), box.top());
    const bool topRight = lit(box.right(), box.top());
    const bool bottomLeft = lit(box.left(), box.bottom());
    const bool bottomRight = lit(box.right(), box.bottom());
    const bool centre = lit(box.center().x(), box.center().y());
    bool wholeBorder = true;
    for (int i = 0; i < box.width(); ++i)
        wholeBorder = wholeBorder && lit(box.left() + i, box.top()) &&
                      lit(box.left() + i, box.bottom()) && lit(box.left(), box.top() + i) &&
                      lit(box.right(), box.top() + i);
    if (wholeBorder && !centre)
        return QStringLiteral("square");
    if (topRight && bottomLeft && !topLeft && !bottomRight && !centre)
        return QStringLiteral("two squares");
    if (topLeft && topRight && bottomLeft && bottomRight && centre &&
        !lit(box.center().x(), box.top()) && !lit(box.left(), box.center().y()))
        return QStringLiteral("cross");
    return QStringLiteral("other");
}

// The colour of a glyph (that of its most opaque pixel, as drawn without the
// coverage of its edges), and how many pixels are at least three quarters
// covered.
QColor glyphColour(const QIcon &icon, QIcon::Mode mode, int *count)
{
    const QImage image =
        icon.pixmap(QSize(16, 16), mode).toImage().convertToFormat(QImage::Format_ARGB32);
    QColor colour(Qt::transparent);
    *count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() >= 192)
                ++*count;
            if (c.alpha() > colour.alpha())
                colour = c;
        }
    colour.setAlpha(255);
    return colour;
}

// Contrast ratio of two colours, as the web's accessibility guidelines define it.
double contrast(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto channel = [](int value) {
            const double v = value / 255.0;
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
    };
    const double la = luminance(a) + 0.05;
    const double lb = luminance(b) + 0.05;
    return la > lb ? la / lb : lb / la;
}

} // namespace

class WindowChromeTest : public QObject {
    Q_OBJECT
private slots:
    // The offscreen platform queues events for the cursor moves of the hover
    // tests; they are let through once the window is gone.
    void cleanup()
    {
        QCoreApplication::processEvents();
        sim::bus().reset();
    }

    void hoveringShowsTheEdgeCursor_data()
    {
        QTest::addColumn<int>("fromLeft");
        QTest::addColumn<int>("fromRight");
        QTest::addColumn<int>("fromTop");
        QTest::addColumn<int>("fromBottom");
        QTest::addColumn<Qt::CursorShape>("shape");
        const int none = INT_MIN;
        const int midX = kRoomy.width() / 2;
        const int midY = kRoomy.height() / 2;

        QTest::newRow("middle") << midX << none << midY << none << Qt::ArrowCursor;
        QTest::newRow("bottom-right corner, 3 px in")
            << none << 3 << none << 3 << Qt::SizeFDiagCursor;
        // The close button fills the top-right corner from 2 px in: its zone
        // gives way to it, the 2 px beside it are the corner's.
        QTest::newRow("top-right corner, beside the close button")
            << none << 1 << 1 << none << Qt::SizeBDiagCursor;
        QTest::newRow("top-right corner, over the close button")
            << none << 3 << 3 << none << Qt::ArrowCursor;
        QTest::newRow("top-left corner") << 3 << none << 3 << none << Qt::SizeFDiagCursor;
        QTest::newRow("bottom-left corner") << 3 << none << none << 3 << Qt::SizeBDiagCursor;
        QTest::newRow("bottom edge") << midX << none << none << 3 << Qt::SizeVerCursor;
        QTest::newRow("top edge") << midX << none << 3 << none << Qt::SizeVerCursor;

        // The left zone runs from one pixel outside the window to nine in.
        QTest::newRow("left -2") << -2 << none << midY << none << Qt::ArrowCursor;
        QTest::newRow("left -1") << -1 << none << midY << none << Qt::SizeHorCursor;
        QTest::newRow("left 0") << 0 << none << midY << none << Qt::SizeHorCursor;
        QTest::newRow("left 9") << 9 << none << midY << none << Qt::SizeHorCursor;
        QTest::newRow("left 10") << 10 << none << midY << none << Qt::ArrowCursor;
        // The right zone runs from just outside (0) to ten in.
        QTest::newRow("right -1") << none << -1 << midY << none << Qt::ArrowCursor;
        QTest::newRow("right 0") << none << 0 << midY << none << Qt::SizeHorCursor;
        QTest::newRow("right 10") << none << 10 << midY << none << Qt::SizeHorCursor;
        QTest::newRow("right 11") << none << 11 << midY << none << Qt::ArrowCursor;
        QTest::newRow("top 0") << midX << none << 0 << none << Qt::SizeVerCursor;
        QTest::newRow("top 10") << midX << none << 10 << none << Qt::SizeVerCursor;
        QTest::newRow("top 11") << midX << none << 11 << none << Qt::ArrowCursor;
        QTest::newRow("bottom 10") << midX << none << none << 10 << Qt::SizeVerCursor;
        QTest::newRow("bottom 11") << midX << none << none << 11 << Qt::ArrowCursor;
        // Corners win over edges: ten in from both sides is still the corner.
        QTest::newRow("bottom-right corner, 10 px in")
            << none << 10 << none << 10 << Qt::SizeFDiagCursor;
    }

    void hoveringShowsTheEdgeCursor()
    {
        QFETCH(int, fromLeft);
        QFETCH(int, fromRight);
        QFETCH(int, fromTop);
        QFETCH(int, fromBottom);
        QFETCH(Qt::CursorShape, shape);
        ChromeBench bench(kRoomy);
        // A shape the window never sets, so every row sees its own outcome.
        bench.window()->setCursor(Qt::SizeAllCursor);

        bench.hover(
            bench.onWindow(windowPoint(kRoomy.size(), fromLeft, fromRight, fromTop, fromBottom)));

        QCOMPARE(bench.window()->cursor().shape(), shape);
        // Hovering alone never resizes and leaves no edge picked.
        QCOMPARE(bench.window()->geometry(), kRoomy);
        QCOMPARE(bench.window()->resizeEdge, 0);
        QVERIFY(!bench.window()->resizing);
        QVERIFY(bench.bar()->dragEnabled);
    }

    void hoveringWithResizingDisabledShowsNoCursor()
    {
        ChromeBench bench(kRoomy);
        bench.window()->resizeEnabled = false;
        const QPoint corner = bench.onWindow(windowPoint(kRoomy.size(), INT_MIN, 3, INT_MIN, 3));

        bench.hover(corner);
        QVERIFY(bench.window()->cursor().shape() != Qt::SizeFDiagCursor);

        bench.press(bench.window(), corner);
        bench.moveHeld(bench.window(), corner + QPoint(2, 2));
        bench.moveHeld(bench.window(), corner + QPoint(30, 20));
        QCOMPARE(bench.window()->geometry(), kRoomy);
        QVERIFY(!bench.window()->resizing);
    }

    // Each row: the window's start geometry, the press (as distances from
    // the sides), the cursor positions of two moves relative to the press,
    // and the geometry after them. The edge is the one the press is in,
    // wherever the first move goes.
    void dragResizesByEdge_data()
    {
        QTest::addColumn<QRect>("start");
        QTest::addColumn<int>("fromLeft");
        QTest::addColumn<int>("fromRight");
        QTest::addColumn<int>("fromTop");
        QTest::addColumn<int>("fromBottom");
        QTest::addColumn<int>("edge");
        QTest::addColumn<QPoint>("firstMove");
        QTest::addColumn<QPoint>("secondMove");
        QTest::addColumn<QRect>("expected");
        const int none = INT_MIN;
        const QRect atMinimum(QPoint(100, 100), kMinimum);

        QTest::newRow("1 bottom-right grows")
            << kRoomy << none << 3 << none << 3 << 1 << QPoint(2, 2) << QPoint(40, 30)
            << QRect(100, 100, 1340, 830);
        QTest::newRow("1 bottom-right shrinks")
            << kRoomy << none << 3 << none << 3 << 1 << QPoint(-2, -2) << QPoint(-40, -30)
            << QRect(100, 100, 1260, 770);
        QTest::newRow("2 top-right") << kRoomy << none << 1 << 1 << none << 2 << QPoint(2, -2)
                                     << QPoint(40, -30) << QRect(100, 70, 1340, 830);
        QTest::newRow("3 top-left") << kRoomy << 3 << none << 3 << none << 3 << QPoint(-2, -2)
                                    << QPoint(-40, -30) << QRect(60, 70, 1340, 830);
        QTest::newRow("4 bottom-left") << kRoomy << 3 << none << none << 3 << 4 << QPoint(-2, 2)
                                       << QPoint(-40, 30) << QRect(60, 100, 1340, 830);
        QTest::newRow("5 bottom ignores x")
            << kRoomy << 650 << none << none << 3 << 5 << QPoint(2, 2) << QPoint(25, 30)
            << QRect(100, 100, 1300, 830);
        QTest::newRow("6 left ignores y")
            << kRoomy << 3 << none << 400 << none << 6 << QPoint(-2, 2) << QPoint(-40, 25)
            << QRect(60, 100, 1340, 800);
        QTest::newRow("6 left shrinks") << kRoomy << 3 << none << 400 << none << 6 << QPoint(2, 0)
                                        << QPoint(40, 0) << QRect(140, 100, 1260, 800);
        QTest::newRow("7 right") << kRoomy << none << 3 << 400 << none << 7 << QPoint(2, 2)
                                 << QPoint(40, 25) << QRect(100, 100, 1340, 800);
        QTest::newRow("8 top") << kRoomy << 650 << none << 3 << none << 8 << QPoint(2, -2)
                               << QPoint(25, -30) << QRect(100, 70, 1300, 830);
        // Once picked up, the edge follows the cursor out of its zone.
        QTest::newRow("7 right, far out") << kRoomy << none << 3 << 400 << none << 7 << QPoint(1, 0)
                                          << QPoint(300, 0) << QRect(100, 100, 1600, 800);
        // A brisk pull: the first move already leaves the zone, 6 px out
        // from 3 px in.
        QTest::newRow("6 left, brisk") << kRoomy << 3 << none << 400 << none << 6 << QPoint(-6, 0)
                                       << QPoint(-12, 0) << QRect(88, 100, 1312, 800);
        QTest::newRow("7 right, brisk") << kRoomy << none << 3 << 400 << none << 7 << QPoint(6, 0)
                                        << QPoint(12, 0) << QRect(100, 100, 1312, 800);
        QTest::newRow("8 top, brisk") << kRoomy << 650 << none << 3 << none << 8 << QPoint(0, -6)
                                      << QPoint(0, -12) << QRect(100, 88, 1300, 812);
        QTest::newRow("5 bottom, brisk") << kRoomy << 650 << none << none << 3 << 5 << QPoint(0, 6)
                                         << QPoint(0, 12) << QRect(100, 100, 1300, 812);
        QTest::newRow("3 top-left, brisk")
            << kRoomy << 3 << none << 3 << none << 3 << QPoint(-6, -6) << QPoint(-12, -12)
            << QRect(88, 88, 1312, 812);
        QTest::newRow("1 bottom-right, brisk")
            << kRoomy << none << 3 << none << 3 << 1 << QPoint(6, 6) << QPoint(12, 12)
            << QRect(100, 100, 1312, 812);

        // At the minimum size the window cannot get smaller. Moving the left
        // or top side is refused outright; the others are held by the minimum.
        QTest::newRow("1 at minimum") << atMinimum << none << 3 << none << 3 << 1 << QPoint(-2, -2)
                                      << QPoint(-40, -30) << atMinimum;
        QTest::newRow("2 at minimum, refused") << atMinimum << none << 1 << 1 << none << 2
                                               << QPoint(-2, 2) << QPoint(-40, 30) << atMinimum;
        QTest::newRow("3 at minimum, refused") << atMinimum << 3 << none << 3 << none << 3
                                               << QPoint(2, 2) << QPoint(40, 30) << atMinimum;
        QTest::newRow("4 at minimum, refused") << atMinimum << 3 << none << none << 3 << 4
                                               << QPoint(2, -2) << QPoint(40, -30) << atMinimum;
        QTest::newRow("5 at minimum") << atMinimum << 581 << none << none << 3 << 5 << QPoint(0, -2)
                                      << QPoint(0, -30) << atMinimum;
        QTest::newRow("6 at minimum, refused") << atMinimum << 3 << none << 356 << none << 6
                                               << QPoint(2, 0) << QPoint(40, 0) << atMinimum;
        QTest::newRow("7 at minimum") << atMinimum << none << 3 << 356 << none << 7 << QPoint(-2, 0)
                                      << QPoint(-40, 0) << atMinimum;
        QTest::newRow("8 at minimum, refused") << atMinimum << 581 << none << 3 << none << 8
                                               << QPoint(0, 2) << QPoint(0, 30) << atMinimum;
        // Growing from the minimum is not refused once the cursor is more
        // than the minimum away from the opposite side. The top zone starts
        // inside the window, so there the first step is still refused.
        QTest::newRow("6 grows from minimum")
            << atMinimum << 0 << none << 356 << none << 6 << QPoint(-1, 0) << QPoint(-40, 0)
            << QRect(60, 100, 1202, 713);
        QTest::newRow("8 grows from minimum after one refused step")
            << atMinimum << 581 << none << 3 << none << 8 << QPoint(0, -2) << QPoint(0, -30)
            << QRect(100, 72, 1162, 741);

        // 1200 wide, pressed 3 px in: the left side follows the cursor while
        // the cursor stays more than the minimum width from the right side;
        // a step that would leave exactly the minimum is refused.
        const QRect wider(100, 100, 1200, 713);
        QTest::newRow("6 right side 1163 away")
            << wider << 3 << none << 356 << none << 6 << QPoint(2, 0) << QPoint(34, 0)
            << QRect(134, 100, 1166, 713);
        QTest::newRow("6 right side 1162 away, refused")
            << wider << 3 << none << 356 << none << 6 << QPoint(2, 0) << QPoint(35, 0)
            << QRect(102, 100, 1198, 713);
        // The same for the top side against the minimum height.
        const QRect taller(100, 100, 1162, 750);
        QTest::newRow("8 bottom side 714 away")
            << taller << 581 << none << 3 << none << 8 << QPoint(0, 2) << QPoint(0, 33)
            << QRect(100, 133, 1162, 717);
        QTest::newRow("8 bottom side 713 away, refused")
            << taller << 581 << none << 3 << none << 8 << QPoint(0, 2) << QPoint(0, 34)
            << QRect(100, 102, 1162, 748);
    }

    void dragResizesByEdge()
    {
        QFETCH(QRect, start);
        QFETCH(int, fromLeft);
        QFETCH(int, fromRight);
        QFETCH(int, fromTop);
        QFETCH(int, fromBottom);
        QFETCH(int, edge);
        QFETCH(QPoint, firstMove);
        QFETCH(QPoint, secondMove);
        QFETCH(QRect, expected);
        ChromeBench bench(start);
        Widget *window = bench.window();
        QCOMPARE(window->minimumSize(), kMinimum);
        const QPoint pressed =
            bench.onWindow(windowPoint(start.size(), fromLeft, fromRight, fromTop, fromBottom));

        bench.press(window, pressed);
        bench.moveHeld(window, pressed + firstMove);
        QCOMPARE(window->resizeEdge, edge);
        QVERIFY(window->resizing);
        QVERIFY(!bench.bar()->dragEnabled);
        bench.moveHeld(window, pressed + secondMove);
        QCOMPARE(window->geometry(), expected);
        QCOMPARE(window->resizeEdge, edge);

        bench.release(window, pressed + secondMove);
        QVERIFY(!window->resizing);
        QVERIFY(!window->leftPressed);
        QVERIFY(bench.bar()->dragEnabled);
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
    }

    // A press in an edge zone resizes even where a child widget lies over
    // the zone, and the child never sees it. Each row: the page shown, the
    // press in window coordinates, the widget under it, the cursor's move
    // and the side that follows it.
    void zoneOverAChildResizes_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QPoint>("pressAt");
        QTest::addColumn<QString>("over");
        QTest::addColumn<QPoint>("move");
        QTest::addColumn<QRect>("expected");
        const int w = kRoomy.width();
        const int h = kRoomy.height();
        QTest::newRow("left over a tool button")
            << int(Widget::MeterPage) << QPoint(3, 300) << "adjPowToolButton" << QPoint(-20, 0)
            << kRoomy.adjusted(-20, 0, 0, 0);
        QTest::newRow("top-right corner beside the close button")
            << int(Widget::MeterPage) << QPoint(w - 1, 1) << "CustomTitleBar" << QPoint(20, -20)
            << kRoomy.adjusted(0, -20, 20, 0);
        QTest::newRow("right over the data box")
            << int(Widget::MeterPage) << QPoint(w - 10, 400) << "groupBox" << QPoint(20, 0)
            << kRoomy.adjusted(0, 0, 20, 0);
        QTest::newRow("bottom over the boot check box")
            << int(Widget::BootLinePage) << QPoint(w / 2, h - 10) << "bootCheckBox" << QPoint(0, 20)
            << kRoomy.adjusted(0, 0, 0, 20);
    }

    void zoneOverAChildResizes()
    {
        QFETCH(int, page);
        QFETCH(QPoint, pressAt);
        QFETCH(QString, over);
        QFETCH(QPoint, move);
        QFETCH(QRect, expected);
        ChromeBench bench(kRoomy);
        Widget *window = bench.window();
        window->toolButtons()[page]->click();
        QWidget *child = window->childAt(pressAt);
        QCOMPARE(describe(child), over);

        // As the platform delivers them: every event to the widget pressed.
        const QPoint pressed = bench.onWindow(pressAt);
        bench.press(child, pressed);
        bench.moveHeld(child, pressed + move / 2);
        bench.moveHeld(child, pressed + move);
        bench.release(child, pressed + move);

        QCOMPARE(window->geometry(), expected);
        QVERIFY(!window->resizing);
        QVERIFY(bench.bar()->dragEnabled);
        // No click reached the child: the page, the check marks and the
        // window are as they were.
        QVERIFY(window->isVisible());
        QCOMPARE(window->ui->toolsStackedWidget->currentIndex(), page);
        for (int i = 0; i < window->toolButtons().size(); ++i)
            QCOMPARE(window->toolButtons()[i]->isChecked(), i == page);
    }

    // The title bar's buttons reach into the top and right zones; there the
    // zone gives way: a button under the pointer takes its click to its very
    // edge, the cursor keeps its arrow over it, and nothing is resized. Each
    // row: the button and the press in its own coordinates, counted from its
    // left or right and top side as in the edge tables.
    void titleBarButtonsTakeTheirClicksInTheZones_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("fromLeft");
        QTest::addColumn<int>("fromRight");
        QTest::addColumn<int>("fromTop");
        QTest::newRow("close, its top right pixel") << "closeButton" << INT_MIN << 1 << 0;
        QTest::newRow("close, 8 px in from the corner") << "closeButton" << INT_MIN << 8 << 8;
        QTest::newRow("close, its outer column halfway down")
            << "closeButton" << INT_MIN << 1 << 16;
        QTest::newRow("close, its top row at its left end") << "closeButton" << 0 << INT_MIN << 0;
        QTest::newRow("maximise, its top row") << "maximizeButton" << 23 << INT_MIN << 0;
        QTest::newRow("maximise, 7 px down at its left end")
            << "maximizeButton" << 0 << INT_MIN << 7;
        QTest::newRow("minimise, its top row") << "minimizeButton" << 23 << INT_MIN << 0;
        QTest::newRow("minimise, 8 px down") << "minimizeButton" << 40 << INT_MIN << 8;
    }

    void titleBarButtonsTakeTheirClicksInTheZones()
    {
        QFETCH(QString, button);
        QFETCH(int, fromLeft);
        QFETCH(int, fromRight);
        QFETCH(int, fromTop);
        ChromeBench bench(kRoomy);
        Widget *window = bench.window();
        auto *target = bench.bar()->findChild<QToolButton *>(button);
        QVERIFY(target);
        const QPoint inButton = windowPoint(target->size(), fromLeft, fromRight, fromTop, INT_MIN);
        const QPoint at = target->mapToGlobal(inButton);
        // The point lies in a zone of the window: within 10 px of its top or
        // right side.
        const QRect frame = window->geometry();
        QVERIFY2(at.y() - frame.top() <= 10 || frame.right() + 1 - at.x() <= 10,
                 qPrintable(QStringLiteral("%1,%2").arg(at.x()).arg(at.y())));
        QCOMPARE(window->childAt(at - frame.topLeft()), target);

        bench.hover(at);
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);

        QSignalSpy clicked(target, &QToolButton::clicked);
        bench.press(target, at);
        QVERIFY(!window->resizing);
        bench.moveHeld(target, at);
        bench.release(target, at);
        QCOMPARE(clicked.count(), 1);
        QVERIFY(!window->resizing);
        QVERIFY(!window->leftPressed);
        QCOMPARE(window->geometry().size(), kRoomy.size());
        if (button == QLatin1String("closeButton"))
            QVERIFY(!window->isVisible());
        else if (button == QLatin1String("maximizeButton"))
            QVERIFY(window->isMaximized());
        else
            QVERIFY(window->isMinimized());
    }

    // Beside the buttons the zones are as before: on the right side just
    // below the close button, and on the top side left of the minimise
    // button, the cursor shows the edge and a press resizes.
    void zonesBesideTheTitleBarButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QPoint>("offset"); // from the button's nearest corner
        QTest::addColumn<Qt::CursorShape>("shape");
        QTest::addColumn<QPoint>("move");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("right, just below the close button")
            << "closeButton" << QPoint(-1, 0) << Qt::SizeHorCursor << QPoint(20, 0)
            << kRoomy.adjusted(0, 0, 20, 0);
        QTest::newRow("top, just left of the minimise button")
            << "minimizeButton" << QPoint(-1, 0) << Qt::SizeVerCursor << QPoint(0, -20)
            << kRoomy.adjusted(0, -20, 0, 0);
    }

    void zonesBesideTheTitleBarButtons()
    {
        QFETCH(QString, button);
        QFETCH(QPoint, offset);
        QFETCH(Qt::CursorShape, shape);
        QFETCH(QPoint, move);
        QFETCH(QRect, expected);
        ChromeBench bench(kRoomy);
        Widget *window = bench.window();
        auto *target = bench.bar()->findChild<QToolButton *>(button);
        QVERIFY(target);
        const QRect onScreen(target->mapToGlobal(QPoint()), target->size());
        // Below the close button's bottom right pixel, or left of the
        // minimise button's top left one.
        const QPoint at = button == QLatin1String("closeButton")
                              ? onScreen.bottomRight() + QPoint(0, 1) + offset
                              : onScreen.topLeft() + offset;
        QWidget *child = window->childAt(at - window->geometry().topLeft());
        QVERIFY(child);
        QVERIFY(!qobject_cast<QToolButton *>(child));

        bench.hover(at);
        QCOMPARE(window->cursor().shape(), shape);
        bench.press(child, at);
        bench.moveHeld(child, at + move / 2);
        bench.moveHeld(child, at + move);
        bench.release(child, at + move);
        QCOMPARE(window->geometry(), expected);
    }

    // Outside the zones, and on a maximised window, which has none, a press
    // goes to the child under it as always: the tool button switches pages.
    void pressOutsideTheZonesReachesTheChild_data()
    {
        QTest::addColumn<bool>("maximised");
        QTest::addColumn<QPoint>("pressAt");
        QTest::newRow("just beyond the left zone") << false << QPoint(10, 300);
        QTest::newRow("maximised, at the left side") << true << QPoint(3, 300);
    }

    void pressOutsideTheZonesReachesTheChild()
    {
        QFETCH(bool, maximised);
        QFETCH(QPoint, pressAt);
        ChromeBench bench(kRoomy);
        Widget *window = bench.window();
        if (maximised) {
            window->showMaximized();
            QCoreApplication::processEvents();
            QVERIFY(window->isMaximized());
        }
        QWidget *child = window->childAt(pressAt);
        QCOMPARE(describe(child), QStringLiteral("adjPowToolButton"));

        const QPoint pressed = bench.onWindow(pressAt);
        bench.press(child, pressed);
        bench.release(child, pressed);

        QCOMPARE(window->ui->toolsStackedWidget->currentIndex(), int(Widget::PowerPage));
        QVERIFY(window->ui->adjPowToolButton->isChecked());
        QVERIFY(!window->resizing);
    }

    void resizeEnds_data()
    {
        QTest::addColumn<bool>("byLeave");
        QTest::newRow("release") << false;
        QTest::newRow("leave") << true;
    }

    void resizeEnds()
    {
        QFETCH(bool, byLeave);
        ChromeBench bench(kRoomy);
        Widget *window = bench.window();
        const QPoint pressed = bench.onWindow(windowPoint(kRoomy.size(), INT_MIN, 3, 400, INT_MIN));
        bench.press(window, pressed);
        bench.moveHeld(window, pressed + QPoint(2, 0));
        QCOMPARE(window->geometry(), QRect(100, 100, 1302, 800));

        if (byLeave)
            bench.leave(window);
        else
            bench.release(window, pressed + QPoint(2, 0));
        bench.moveHeld(window, pressed + QPoint(4, 0));
        bench.moveHeld(window, pressed + QPoint(40, 0));

        QCOMPARE(window->geometry(), QRect(100, 100, 1302, 800));
        QVERIFY(!window->resizing);
        QVERIFY(!window->leftPressed);
        QVERIFY(bench.bar()->dragEnabled);
    }

    void pressInTheMiddleThenIntoAZoneDoesNotResize()
    {
        ChromeBench bench(kRoomy);
        Widget *window = bench.window();
        const QPoint middle = bench.onWindow(QPoint(650, 400));
        const QPoint rightZone =
            bench.onWindow(windowPoint(kRoomy.size(), INT_MIN, 3, 400, INT_MIN));

        bench.press(window, middle);
        bench.moveHeld(window, middle + QPoint(2, 0));
        bench.moveHeld(window, rightZone);
        // Over the zone the cursor shows it, but the press did not start there.
        QCOMPARE(window->cursor().shape(), Qt::SizeHorCursor);
        bench.moveHeld(window, rightZone + QPoint(2, 0));
        bench.moveHeld(window, rightZone + QPoint(40, 0));

        QCOMPARE(window->geometry(), kRoomy);
        QVERIFY(!window->resizing);
        QCOMPARE(window->resizeEdge, 0);
    }

    void maximisedWindowHasNoEdges()
    {
        ChromeBench bench(kRoomy);
        Widget *window = bench.window();
        window->showMaximized();
        QCoreApplication::processEvents();
        QCOMPARE(window->windowState(), Qt::WindowStates(Qt::WindowMaximized));
        const QRect maximised = window->geometry();
        const QPoint corner = bench.onWindow(windowPoint(maximised.size(), INT_MIN, 3, INT_MIN, 3));

        bench.hover(corner);
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);

        bench.press(window, corner);
        bench.moveHeld(window, corner + QPoint(2, 2));
        bench.moveHeld(window, corner + QPoint(40, 30));
        QCOMPARE(window->geometry(), maximised);
        QVERIFY(!window->resizing);
        QCOMPARE(window->resizeEdge, 0);
        QVERIFY(window->isMaximized());
    }

    void titleBarDragMovesTheWindow_data()
    {
        QTest::addColumn<QPoint>("by");
        QTest::newRow("right and down") << QPoint(60, 45);
        QTest::newRow("left and down") << QPoint(-70, 200);
        QTest::newRow("up, short of the top strip") << QPoint(15, -80);
    }

    void titleBarDragMovesTheWindow()
    {
        QFETCH(QPoint, by);
        ChromeBench bench(QRect(QPoint(100, 100), kMinimum));
        Widget *window = bench.window();
        const QPoint start = bench.onBar(QPoint(300, 20));
        const QPoint offset = window->pos() - start;

        bench.press(bench.bar(), start);
        QVERIFY(bench.bar()->dragging);
        bench.moveHeld(bench.bar(), start + QPoint(1, 1));
        bench.moveHeld(bench.bar(), start + by);
        QCOMPARE(window->pos(), start + by + offset);
        QCOMPARE(window->size(), kMinimum);
        QVERIFY(!window->isMaximized());

        // The drag ends with the release: further moves leave the window be.
        bench.release(bench.bar(), start + by);
        QVERIFY(!bench.bar()->dragging);
        bench.moveHeld(bench.bar(), start + by + QPoint(30, 30));
        QCOMPARE(window->pos(), start + by + offset);
    }

    void titleBarDragEndsOnLeave()
    {
        ChromeBench bench(QRect(QPoint(100, 100), kMinimum));
        Widget *window = bench.window();
        const QPoint at = bench.startBarDrag(QPoint(300, 20));
        const QPoint reached = window->pos();

        bench.leave(bench.bar());
        bench.moveHeld(bench.bar(), at + QPoint(50, 50));

        QVERIFY(!bench.bar()->dragging);
        QCOMPARE(window->pos(), reached);
    }

    void noTitleBarDragDuringAnEdgeResize()
    {
        ChromeBench bench(QRect(QPoint(100, 100), kMinimum));
        Widget *window = bench.window();
        const QPoint at = bench.startBarDrag(QPoint(300, 20));
        const QPoint reached = window->pos();

        bench.bar()->dragEnabled = false;
        bench.moveHeld(bench.bar(), at + QPoint(50, 50));

        QCOMPARE(window->pos(), reached);
    }

    void topStripMaximises_data()
    {
        QTest::addColumn<int>("cursorY");
        QTest::addColumn<bool>("maximised");
        QTest::newRow("y 9") << 9 << true;
        QTest::newRow("y 0") << 0 << true;
        QTest::newRow("y 10 only moves") << 10 << false;
    }

    void topStripMaximises()
    {
        QFETCH(int, cursorY);
        QFETCH(bool, maximised);
        ChromeBench bench(QRect(QPoint(100, 100), kMinimum));
        Widget *window = bench.window();
        const QPoint at = bench.startBarDrag(QPoint(300, 20));
        const QPoint offset = window->pos() - at;

        const QPoint target(at.x(), cursorY);
        bench.moveHeld(bench.bar(), target);

        QCOMPARE(window->isMaximized(), maximised);
        if (!maximised)
            QCOMPARE(window->pos(), target + offset);
        QVERIFY(bench.bar()->dragging);
    }

    // Pulled down out of the top strip, a maximised window is back to its
    // normal size at once, under the pointer, which keeps its place along
    // the title bar; the drag goes on.
    void draggingDownFromMaximisedFollowsThePointer()
    {
        ChromeBench bench(QRect(QPoint(100, 100), kMinimum));
        Widget *window = bench.window();
        // A normal size that fits the small offscreen screen.
        window->setMinimumSize(QSize(1, 1));
        const QSize normal(600, 400);
        window->resize(normal);
        bench.bar()->maximizeButton->click();
        QCoreApplication::processEvents();
        const QRect screen = window->screen()->availableGeometry();
        QCOMPARE(window->geometry(), screen);
        QVERIFY2(screen.width() % 4 == 0, "three quarters of the screen is a whole pixel");

        // Pressed three quarters of the way along the bar, 20 px down.
        const QPoint at(screen.left() + screen.width() * 3 / 4, screen.top() + 20);
        bench.press(bench.bar(), at);
        bench.moveHeld(bench.bar(), at + QPoint(0, 6));
        QCoreApplication::processEvents();
        QVERIFY(!window->isMaximized());
        QCOMPARE(window->windowState(), Qt::WindowStates(Qt::WindowNoState));
        // Three quarters of 600 is 450.
        QCOMPARE(window->geometry(), QRect(at + QPoint(-450, 6 - 20), normal));
        QVERIFY(bench.bar()->dragging);

        const QPoint later = at + QPoint(-100, 150);
        bench.moveHeld(bench.bar(), later);
        QCOMPARE(window->geometry(), QRect(later + QPoint(-450, -20), normal));
        bench.release(bench.bar(), later);
        QVERIFY(!bench.bar()->dragging);
    }

    void screenEdgePlacesTheWindowOnAHalf_data()
    {
        const QSize screen = QGuiApplication::primaryScreen()->availableSize();
        const int halfWidth = screen.width() / 2 + 164;
        QTest::addColumn<int>("minimumWidth");
        QTest::addColumn<int>("cursorX");
        QTest::addColumn<QRect>("placement");
        QTest::newRow("left, x 4") << 1 << 4 << QRect(0, 0, halfWidth, screen.height());
        QTest::newRow("left, x 0") << 1 << 0 << QRect(0, 0, halfWidth, screen.height());
        QTest::newRow("right, x W-4")
            << 1 << screen.width() - 4
            << QRect(screen.width() / 2 - 164, 0, halfWidth, screen.height());
        QTest::newRow("right, x W-1")
            << 1 << screen.width() - 1
            << QRect(screen.width() / 2 - 164, 0, halfWidth, screen.height());
        // A window that cannot be as narrow as a half keeps its minimum
        // width, and on the right its right side meets the screen's.
        const int wide = halfWidth + 100;
        QTest::newRow("left, wider minimum") << wide << 2 << QRect(0, 0, wide, screen.height());
        QTest::newRow("right, wider minimum")
            << wide << screen.width() - 2 << QRect(screen.width() - wide, 0, wide, screen.height());
        // Wider than the screen: the left side stays on it.
        QTest::newRow("right, minimum wider than the screen")
            << screen.width() + 100 << screen.width() - 2
            << QRect(0, 0, screen.width() + 100, screen.height());
    }

    void screenEdgePlacesTheWindowOnAHalf()
    {
        QFETCH(int, minimumWidth);
        QFETCH(int, cursorX);
        QFETCH(QRect, placement);
        ChromeBench bench(QRect(QPoint(100, 100), kMinimum));
        Widget *window = bench.window();
        QCOMPARE(window->screen()->availableSize(),
                 QGuiApplication::primaryScreen()->availableSize());
        // A half of a small screen (the offscreen one is 800x600 by default)
        // is below the window's own minimum; the rows choose their own.
        window->setMinimumSize(QSize(minimumWidth, 1));
        const QSize before(qMax(1000, minimumWidth), 650);
        window->resize(before);
        const QPoint at = bench.startBarDrag(QPoint(300, 20));

        bench.moveHeld(bench.bar(), QPoint(cursorX, at.y()));
        QCOMPARE(window->geometry(), placement);
        QVERIFY(bench.bar()->snapped);
        QCOMPARE(bench.bar()->normalSize, before);
        QVERIFY(!window->isMaximized());

        // Further moves inside either strip keep the placement.
        bench.moveHeld(bench.bar(), QPoint(cursorX, at.y() + 40));
        QCOMPARE(window->geometry(), placement);
    }

    void movingOffAHalfRestoresTheSize_data()
    {
        const int screenWidth = QGuiApplication::primaryScreen()->availableSize().width();
        QTest::addColumn<int>("snapX");
        QTest::addColumn<int>("backX");
        QTest::newRow("left, back to x 5") << 2 << 5;
        QTest::newRow("left, back to the middle") << 2 << screenWidth / 2;
        QTest::newRow("right, back to x W-5") << screenWidth - 2 << screenWidth - 5;
    }

    void movingOffAHalfRestoresTheSize()
    {
        QFETCH(int, snapX);
        QFETCH(int, backX);
        ChromeBench bench(QRect(QPoint(100, 100), kMinimum));
        Widget *window = bench.window();
        window->setMinimumSize(QSize(1, 1));
        const QSize before(1000, 650);
        window->resize(before);
        const QPoint at = bench.startBarDrag(QPoint(300, 20));
        const int offsetY = window->y() - at.y();
        bench.moveHeld(bench.bar(), QPoint(snapX, at.y()));
        QVERIFY(bench.bar()->snapped);
        const QPoint placedAt = window->pos();

        // Off the strip the size comes back where the window is; the next
        // move centres it under the cursor.
        bench.moveHeld(bench.bar(), QPoint(backX, at.y()));
        QVERIFY(!bench.bar()->snapped);
        QCOMPARE(window->size(), before);
        QCOMPARE(window->pos(), placedAt);
        QVERIFY(!window->isMaximized());

        const QPoint next(backX, at.y() + 50);
        bench.moveHeld(bench.bar(), next);
        QCOMPARE(window->pos(), QPoint(next.x() - before.width() / 2, next.y() + offsetY));
    }

    void doubleClickTogglesMaximise()
    {
        ChromeBench bench(QRect(QPoint(100, 100), kMinimum));
        Widget *window = bench.window();
        CustomTitleBar *bar = bench.bar();
        const QPoint at = bench.onBar(QPoint(300, 20));

        // Qt delivers a double-click as press, release, double-click, release.
        bench.press(bar, at);
        bench.release(bar, at);
        bench.doubleClick(bar, at);
        QVERIFY(window->isMaximized());
        QVERIFY(bar->doubleClicked);
        QVERIFY(!bar->dragging);
        bench.release(bar, at);
        QVERIFY(!bar->doubleClicked);

        QCoreApplication::processEvents();
        bench.press(bar, at);
        bench.release(bar, at);
        bench.doubleClick(bar, at);
        bench.release(bar, at);
        QVERIFY(!window->isMaximized());
        QCOMPARE(window->windowState(), Qt::WindowStates(Qt::WindowNoState));
    }

    void doubleClickDoesNotStartADrag()
    {
        ChromeBench bench(QRect(QPoint(100, 100), kMinimum));
        Widget *window = bench.window();
        CustomTitleBar *bar = bench.bar();
        bar->maximizeEnabled = false;
        const QPoint at = bench.onBar(QPoint(300, 20));
        const QPoint start = window->pos();

        bench.press(bar, at);
        bench.release(bar, at);
        bench.doubleClick(bar, at);
        bench.moveHeld(bar, at + QPoint(40, 40));
        QCOMPARE(window->pos(), start);
        // A press that comes before the double-click's release does not
        // start one either.
        bench.press(bar, at);
        bench.moveHeld(bar, at + QPoint(60, 60));
        QVERIFY(!bar->dragging);
        QCOMPARE(window->pos(), start);

        // Once released, the next press drags again.
        bench.release(bar, at);
        bench.press(bar, at);
        bench.moveHeld(bar, at + QPoint(1, 1));
        bench.moveHeld(bar, at + QPoint(40, 40));
        QCOMPARE(window->pos(), start + QPoint(40, 40));
    }

    // The title bar's own glyphs: each the shape a user knows, light grey
    // that stands out on the dark strip, white under the pointer.
    void titleBarGlyphs_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("shape");
        QTest::newRow("minimise") << "minimizeButton"
                                  << "bar";
        QTest::newRow("maximise") << "maximizeButton"
                                  << "square";
        QTest::newRow("close") << "closeButton"
                               << "cross";
    }

    void titleBarGlyphs()
    {
        QFETCH(QString, button);
        QFETCH(QString, shape);
        ChromeBench bench(kRoomy);
        auto *target = bench.bar()->findChild<QToolButton *>(button);
        QVERIFY(target);
        const QIcon icon = target->icon();

        QCOMPARE(glyphShape(icon, QIcon::Normal), shape);
        QCOMPARE(glyphShape(icon, QIcon::Active), shape);
        int count = 0;
        const QColor resting = glyphColour(icon, QIcon::Normal, &count);
        QVERIFY(count >= 8);
        const QColor strip(59, 64, 70);
        QVERIFY2(contrast(resting, strip) >= 4.5, qPrintable(resting.name()));
        QCOMPARE(glyphColour(icon, QIcon::Active, &count), QColor(Qt::white));
        // Auto-raised, so that the button shows the white glyph on hover.
        QVERIFY(target->autoRaise());
    }

    void maximiseButtonToggles()
    {
        ChromeBench bench(QRect(QPoint(100, 100), kMinimum));
        Widget *window = bench.window();
        QToolButton *button = bench.bar()->maximizeButton;
        bench.bar()->maximizeButton->click();
        QVERIFY(window->isMaximized());
        QCOMPARE(glyphShape(button->icon(), QIcon::Normal), QStringLiteral("two squares"));
        QCoreApplication::processEvents();
        bench.bar()->maximizeButton->click();
        QVERIFY(!window->isMaximized());
        QCOMPARE(glyphShape(button->icon(), QIcon::Normal), QStringLiteral("square"));

        // However the window gets maximised, the button offers to restore.
        QCoreApplication::processEvents();
        window->showMaximized();
        QCOMPARE(glyphShape(button->icon(), QIcon::Normal), QStringLiteral("two squares"));
        QCoreApplication::processEvents();
        window->showNormal();
        QCOMPARE(glyphShape(button->icon(), QIcon::Normal), QStringLiteral("square"));
    }

    void maximiseDisabled()
    {
        ChromeBench bench(QRect(QPoint(100, 100), kMinimum));
        Widget *window = bench.window();
        CustomTitleBar *bar = bench.bar();
        bar->maximizeEnabled = false;
        const int screenWidth = window->screen()->availableSize().width();

        bar->maximizeButton->click();
        QVERIFY(!window->isMaximized());

        const QPoint at = bench.onBar(QPoint(300, 20));
        bench.press(bar, at);
        bench.release(bar, at);
        bench.doubleClick(bar, at);
        bench.release(bar, at);
        QVERIFY(!window->isMaximized());

        const QPoint dragAt = bench.startBarDrag(QPoint(300, 20));
        const QPoint offset = window->pos() - dragAt;
        const QPoint inFree(dragAt + QPoint(30, 40));
        bench.moveHeld(bar, inFree);
        QCOMPARE(window->pos(), inFree + offset);

        // The strips do nothing at all: the window stays where it was.
        for (const QPoint &strip :
             {QPoint(inFree.x(), 9), QPoint(4, inFree.y()), QPoint(screenWidth - 4, inFree.y())}) {
            bench.moveHeld(bar, strip);
            QVERIFY(!window->isMaximized());
            QVERIFY(!bar->snapped);
            QCOMPARE(window->pos(), inFree + offset);
            QCOMPARE(window->size(), kMinimum);
        }

        const QPoint later(inFree + QPoint(-50, 60));
        bench.moveHeld(bar, later);
        QCOMPARE(window->pos(), later + offset);
    }
};

QTEST_MAIN(WindowChromeTest)
#include "tst_windowchrome.moc"
