#pragma once

#include <QWidget>

class QEvent;
class QHBoxLayout;
class QLabel;
class QMouseEvent;
class QToolButton;

// The title bar of the frameless main window: logo, minimise,
// maximise/restore and close. Dragging it moves the window; dragging against
// the top of the screen maximises, against the left or right edge places the
// window on that half of the screen; a double-click toggles maximise.
class CustomTitleBar : public QWidget {
    Q_OBJECT
public:
    explicit CustomTitleBar(QWidget *parent);

    QToolButton *minimizeButton;
    QToolButton *maximizeButton;
    QToolButton *closeButton;
    QHBoxLayout *barLayout;
    QLabel *titleLabel;
    QLabel *iconLabel;

    bool maximizeEnabled = true;
    bool dragEnabled = true;
    bool dragging = false;
    bool doubleClicked = false;
    bool snapped = false;
    QPoint dragOffset;
    QSize normalSize;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void MinimizedEvent(bool checked);
    void MaximizedEvent(bool checked);
    void CloseEvent(bool checked);

private:
    enum class ScreenHalf { Left, Right };

    void toggleMaximize();
    // The maximise button's glyph: restore while the window is maximised.
    void showMaximizeState();
    void maximizeWindow();
    // Back from a half-screen placement to normalSize, or out of maximised.
    void restoreWindow();
    void placeOnScreenHalf(ScreenHalf half);
    // One move of a title bar drag, cursor in global coordinates.
    void followDrag(const QPoint &cursor);
};
