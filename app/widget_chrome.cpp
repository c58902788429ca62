// The frame the window manager would draw: resizing the frameless main window
// by dragging its edges and corners, with the matching cursor shapes.
#include "widget.h"

#include "customtitlebar.h"

#include <QCursor>
#include <QHoverEvent>
#include <QMouseEvent>

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
    if (event->type() == QEvent::HoverMove) {
        // Over child widgets the window gets hover moves but no mouse moves;
        // feed them to the edge logic so the cursor shape follows there too.
        // The global position is the cursor's own: the hover position is
        // relative to where the window was before a resize step moved it.
        const QPoint localPos = static_cast<QHoverEvent *>(event)->pos();
        QMouseEvent move(QEvent::MouseMove, localPos, QCursor::pos(), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        mouseMoveEvent(&move);
    }
    return QWidget::event(event);
}

void Widget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        leftPressed = true;
        lastMousePos = event->globalPos();
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
    // A press only starts a resize when its first move is inside an edge zone.
    if (!resizing)
        leftPressed = false;
    QWidget::mouseMoveEvent(event);
}

void Widget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        resizing = false;
        leftPressed = false;
        titleBar->dragEnabled = true;
        setCursor(Qt::ArrowCursor);
    }
    QWidget::mouseReleaseEvent(event);
}

void Widget::leaveEvent(QEvent *event)
{
    resizing = false;
    leftPressed = false;
    titleBar->dragEnabled = true;
    setCursor(Qt::ArrowCursor);
    QWidget::leaveEvent(event);
}

void Widget::updateResizeEdge(const QPoint &globalPos)
{
    const QRect window = geometry();
    const EdgeDistances d = edgeDistances(window, globalPos);
    const auto inZone = [this](int distance) {
        return resizeMarginMin <= distance && distance <= resizeMarginMax;
    };

    // During a resize the edge stays the one the press picked, wherever the
    // cursor goes.
    if (!resizing && resizeEnabled) {
        int edge = NoEdge;
        if (inZone(d.right) && inZone(d.bottom))
            edge = BottomRight;
        else if (inZone(d.right) && inZone(d.top))
            edge = TopRight;
        else if (inZone(d.left) && inZone(d.top))
            edge = TopLeft;
        else if (inZone(d.left) && inZone(d.bottom))
            edge = BottomLeft;
        else if (inZone(d.bottom))
            edge = Bottom;
        else if (resizeMarginMin - 1 <= d.left && d.left < resizeMarginMax)
            edge = Left;
        else if (inZone(d.right))
            edge = Right;
        else if (inZone(d.top))
            edge = Top;

        if (edge != NoEdge) {
            resizeEdge = edge;
            setCursor(cursorForEdge(edge));
        } else if (!leftPressed) {
            setCursor(Qt::ArrowCursor);
        }
    }

    if (resizeEdge == NoEdge)
        return;
    resizing = true;
    titleBar->dragEnabled = false;
    if (leftPressed) {
        QRect resized = window;
        if (resizeStep(resizeEdge, resized, mouseDelta, d, minimumSize()))
            setGeometry(resized);
    } else {
        // Only hovering: the cursor shape is all that changes.
        resizing = false;
        titleBar->dragEnabled = true;
        resizeEdge = NoEdge;
    }
}
