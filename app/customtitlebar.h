#pragma once

#include <QWidget>

class QHBoxLayout;
class QLabel;
class QToolButton;

// The title bar of the frameless main window: logo, minimise,
// maximise/restore and close.
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

private slots:
    void MinimizedEvent(bool checked);
    void MaximizedEvent(bool checked);
    void CloseEvent(bool checked);

private:
    void toggleMaximize();
};
