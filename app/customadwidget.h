#pragma once

#include <QWidget>

class QMouseEvent;

// Container of the image banner in the navigation bar. It adds no behaviour of
// its own; presses go on to QWidget so that the window chrome sees them.
class CustomAdWidget : public QWidget {
    Q_OBJECT
public:
    explicit CustomAdWidget(QWidget *parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;
};
