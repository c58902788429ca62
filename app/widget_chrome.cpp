// The frame the window manager would draw: resizing the frameless main window
// by dragging its edges and corners, with the matching cursor shapes.
#include "widget.h"

#include "customtitlebar.h"

#include <QCursor>
#include <QHoverEvent>
#include <QMouseEvent>
#include <QToolButton>

namespace {

// Edge and corner codes kept in Widget::resizeEdge; 0 means none.
enum ResizeEdge {
    NoEdge = 0,
    BottomRight = 1,
    TopRight = 2,
    TopLeft = 3,
    BottomLeft = 4,
    Bottom = 5,
    Left = 6,
    Right = 7,
    Top = 8,
};

Qt::CursorShape cursorForEdge(int edge)
{
    switch (edge) {
    case BottomRight:
    case TopLeft:
        return Qt::SizeFDiagCursor;
    case TopRight:
    case BottomLeft:
        return Qt::SizeBDiagCursor;
    case Bottom:
    case Top:
        return Qt::SizeVerCursor;
    case Left:
    case Right:
        return Qt::SizeHorCursor;
    default:
        return Qt::ArrowCursor;
    }
}

// Distances of the cursor from the four sides of the window, each counted so
// that the outermost pixel row or column inside the window is 1 from the
// right and bottom and 0 from the left and top.
struct EdgeDistances {
    int left;
    int right;
    int top;
    int bottom;
};

EdgeDistances edgeDistances(const QRect &window, const QPoint &cursor)
{
    return {cursor.x() - window.left(), window.right() + 1 - cursor.x(), cursor.y() - window.top(),
            window.bottom() + 1 - cursor.y()};
}

// One resize step of the given edge. Moving the left or top side is refused
// once the cursor has come within the minimum size of the opposite side: the
// window would otherwise be clamped to its minimum and shift instead.
bool resizeStep(int edge, QRect &rect, const QPoint &delta, const EdgeDistances &d,
                const QSize &minimum)
{
    const int mw = minimum.width();
    const int mh = minimum.height();
    switch (edge) {
    case BottomRight:
        rect.setRight(rect.right() + delta.x());
        rect.setBottom(rect.bottom() + delta.y());
        return true;
    case TopRight:
        if (mw >= d.left || mh >= d.bottom)
            return false;
        rect.setRight(rect.right() + delta.x());
        rect.setTop(rect.top() + delta.y());
        return true;
    case TopLeft:
        if (mw >= d.right || mh >= d.bottom)
            return false;
        rect.setLeft(rect.left() + delta.x());
        rect.setTop(rect.top() + delta.y());
        return true;
    case BottomLeft:
        if (mw >= d.right || mh >= d.top)
            return false;
        rect.setLeft(rect.left() + delta.x());
        rect.setBottom(rect.bottom() + delta.y());
        return true;
    case Bottom:
        rect.setBottom(rect.bottom() + delta.y());
        return true;
    case Left:
        if (mw >= d.right)
            return false;
        rect.setLeft(rect.left() + delta.x());
        return true;
    case Right:
        rect.setRight(rect.right() + delta.x());
        return true;
    case Top:
        if (mh >= d.bottom)
            return false;
        rect.setTop(rect.top() + delta.y());
        return true;
    default:
        return false;
    }
}

} // namespace

bool Widget::event(QEvent *event)
{
    // Over child widgets the window gets hover moves but no mouse moves;
    // feed them to the edge logic so the cursor shape follows there too.
    // While the left button is held the mouse moves themselves carry the
    // drag (they reach the window directly or through eventFilter), and a
    // second step from the hover would use the pointer's position at a later
    // moment than the event's.
    if (event->type() == QEvent::HoverMove && !leftPressed) {
        // The global position is the cursor's own: the hover position is
        // relative to where the window was before a resize step moved it.
        const QPoint localPos = static_cast<QHoverEvent *>(event)->pos();
        QMouseEvent move(QEvent::MouseMove, localPos, QCursor::pos(), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        mouseMoveEvent(&move);
    }
    return QWidget::event(event);
}

bool Widget::eventFilter(QObject *watched, QEvent *event)
{
    // The edge zones lie over the window's border, where tool buttons, group
    // boxes and charts reach it; those would take a press for themselves.
    // Presses of the left button inside a zone, and the moves and release of
    // the resize they start, are taken here before any child sees them. The
    // title bar's buttons are no zone (edgeUnder): they keep their clicks.
    // Everything else goes on as usual.
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return QWidget::eventFilter(watched, event);
    // The window's own events go to its own handlers.
    if (watched == this || !watched->isWidgetType() ||
        static_cast<QWidget *>(watched)->window() != this)
        return QWidget::eventFilter(watched, event);

    auto *mouse = static_cast<QMouseEvent *>(event);
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (mouse->button() != Qt::LeftButton || edgeUnder(mouse->globalPos()) == NoEdge)
            return false;
        mousePressEvent(mouse);
        break;
    case QEvent::MouseMove:
        if (!resizing)
            return false;
        mouseMoveEvent(mouse);
        break;
    default:
        if (!resizing || mouse->button() != Qt::LeftButton)
            return false;
        mouseReleaseEvent(mouse);
        break;
    }
    // Taken: accepted, so that it does not go on to the child's parents.
    mouse->accept();
    return true;
}

void Widget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        leftPressed = true;
        lastMousePos = event->globalPos();
        // The zone is the one the press is in, however far the first move
        // goes, and it stays for the whole drag.
        const int edge = edgeUnder(lastMousePos);
        if (edge != NoEdge) {
            resizeEdge = edge;
            resizeRect = geometry();
            resizing = true;
            titleBar->dragEnabled = false;
            setCursor(cursorForEdge(edge));
        }
    }
    QWidget::mousePressEvent(event);
}

void Widget::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint globalPos = event->globalPos();
    if (leftPressed) {
        mouseDelta = globalPos - lastMousePos;
        lastMousePos = globalPos;
    }
    // A maximised window has no edges to pull.
    if (windowState() != Qt::WindowMaximized)
        updateResizeEdge(globalPos);
    // A press outside the zones never becomes a resize.
    if (!resizing)
        leftPressed = false;
    QWidget::mouseMoveEvent(event);
}

void Widget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        endResize();
    QWidget::mouseReleaseEvent(event);
}

void Widget::leaveEvent(QEvent *event)
{
    endResize();
    QWidget::leaveEvent(event);
}

void Widget::endResize()
{
    resizing = false;
    leftPressed = false;
    resizeEdge = NoEdge;
    titleBar->dragEnabled = true;
    setCursor(Qt::ArrowCursor);
}

int Widget::edgeUnder(const QPoint &globalPos) const
{
    if (!resizeEnabled || windowState() == Qt::WindowMaximized)
        return NoEdge;
    // The title bar's buttons reach the top and right edges: a button under
    // the pointer takes its click to its very edge, and the zone gives way
    // to it, as the close button in a window's corner does on every desktop.
    if (titleBar) {
        for (const QWidget *button :
             {titleBar->minimizeButton, titleBar->maximizeButton, titleBar->closeButton}) {
            if (button->isVisible() &&
                QRect(button->mapToGlobal(QPoint()), button->size()).contains(globalPos))
                return NoEdge;
        }
    }
    const EdgeDistances d = edgeDistances(geometry(), globalPos);
    const auto inZone = [this](int distance) {
        return resizeMarginMin <= distance && distance <= resizeMarginMax;
    };
    // Corners first, then the edges.
    if (inZone(d.right) && inZone(d.bottom))
        return BottomRight;
    if (inZone(d.right) && inZone(d.top))
        return TopRight;
    if (inZone(d.left) && inZone(d.top))
        return TopLeft;
    if (inZone(d.left) && inZone(d.bottom))
        return BottomLeft;
    if (inZone(d.bottom))
        return Bottom;
    // The left zone reaches one pixel further out and one less in.
    if (resizeMarginMin - 1 <= d.left && d.left < resizeMarginMax)
        return Left;
    if (inZone(d.right))
        return Right;
    if (inZone(d.top))
        return Top;
    return NoEdge;
}

void Widget::updateResizeEdge(const QPoint &globalPos)
{
    if (resizing) {
        // The edge picked by the press, wherever the cursor goes now. Each
        // step starts from the rectangle the previous one asked for: under a
        // window manager geometry() follows the requests with a delay, and may
        // for a moment report one from before the latest, which would lose
        // that step.
        if (leftPressed) {
            QRect resized = resizeRect;
            if (resizeStep(resizeEdge, resized, mouseDelta, edgeDistances(resizeRect, globalPos),
                           minimumSize())) {
                // What the window takes: the size within its limits, from the
                // same top-left corner.
                resizeRect =
                    QRect(resized.topLeft(),
                          resized.size().expandedTo(minimumSize()).boundedTo(maximumSize()));
                setGeometry(resized);
            }
        }
        return;
    }
    // Only hovering, or a press outside the zones: the cursor shape shows the
    // zone under it and nothing else changes.
    const int edge = edgeUnder(globalPos);
    if (edge != NoEdge)
        setCursor(cursorForEdge(edge));
    else if (!leftPressed)
        setCursor(Qt::ArrowCursor);
}
