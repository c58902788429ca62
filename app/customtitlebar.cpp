#include "customtitlebar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QStyle>
#include <QToolButton>

namespace {

// A drag that reaches this far down from the top of the screen maximises.
constexpr int kTopStrip = 9;
// A drag this close to the left or right screen edge takes that half.
constexpr int kSideStrip = 4;
// Each half is this much wider than half the screen, so the halves overlap.
constexpr int kHalfOverlap = 164;
// dragOffset.x() marker: centre the window under the cursor at the next move.
// A real offset is never positive, the press being on the window.
constexpr int kRecentreMarker = 1;

QSize availableScreenSize(const QWidget *window)
{
    return window->screen()->availableSize();
}

} // namespace

CustomTitleBar::CustomTitleBar(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    titleLabel = new QLabel;
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setStyleSheet(
        QStringLiteral("font: 12pt 'Microsoft YaHei UI'; color: rgb(192, 192, 192);"));

    iconLabel = new QLabel;
    iconLabel->setAlignment(Qt::AlignCenter);
    iconLabel->setMinimumSize(150, 32);
    iconLabel->setMaximumSize(150, 32);
    iconLabel->setScaledContents(true);

    minimizeButton = new QToolButton;
    maximizeButton = new QToolButton;
    closeButton = new QToolButton;

    barLayout = new QHBoxLayout;
    barLayout->addWidget(iconLabel);
    barLayout->addStretch(1);
    barLayout->addWidget(titleLabel, 0, Qt::AlignCenter);
    barLayout->addStretch(1);
    barLayout->addWidget(minimizeButton);
    barLayout->addWidget(maximizeButton);
    barLayout->addWidget(closeButton);
    barLayout->setContentsMargins(2, 2, 2, 5);
    setLayout(barLayout);

    const QString buttonStyle =
        QStringLiteral("QToolButton { border-style: solid; border-width: 0px; }"
                       "QToolButton:hover, QToolButton:pressed { background-color: #067DB8; color: "
                       "rgb(255, 255, 255); }");
    for (QToolButton *button : {minimizeButton, maximizeButton, closeButton})
        button->setStyleSheet(buttonStyle);

    minimizeButton->setIcon(style()->standardPixmap(QStyle::SP_TitleBarMinButton));
    maximizeButton->setIcon(style()->standardPixmap(QStyle::SP_TitleBarMaxButton));
    closeButton->setIcon(style()->standardPixmap(QStyle::SP_TitleBarCloseButton));

    connect(minimizeButton, &QToolButton::clicked, this, &CustomTitleBar::MinimizedEvent);
    connect(maximizeButton, &QToolButton::clicked, this, &CustomTitleBar::MaximizedEvent);
    connect(closeButton, &QToolButton::clicked, this, &CustomTitleBar::CloseEvent);

    normalSize = window()->size();
}

void CustomTitleBar::MinimizedEvent(bool)
{
    window()->showMinimized();
}

void CustomTitleBar::MaximizedEvent(bool)
{
    if (maximizeEnabled)
        toggleMaximize();
}

void CustomTitleBar::CloseEvent(bool)
{
    window()->close();
}

void CustomTitleBar::toggleMaximize()
{
    if (window()->isMaximized())
        restoreWindow();
    else
        maximizeWindow();
}

void CustomTitleBar::maximizeWindow()
{
    window()->showMaximized();
    maximizeButton->setIcon(style()->standardPixmap(QStyle::SP_TitleBarNormalButton));
}

void CustomTitleBar::restoreWindow()
{
    QWidget *win = window();
    if (snapped) {
        // A half-screen placement only resized the window; keep where it is.
        snapped = false;
        win->resize(normalSize);
    } else {
        win->showNormal();
        maximizeButton->setIcon(style()->standardPixmap(QStyle::SP_TitleBarMaxButton));
    }
}

void CustomTitleBar::placeOnScreenHalf(ScreenHalf half)
{
    QWidget *win = window();
    snapped = true;
    normalSize = win->size();
    const QSize screen = availableScreenSize(win);
    win->resize(screen.width() / 2 + kHalfOverlap, screen.height());
    win->move(half == ScreenHalf::Left ? 0 : screen.width() / 2 - kHalfOverlap, 0);
}

void CustomTitleBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && dragEnabled && !doubleClicked) {
        dragging = true;
        dragOffset = window()->pos() - event->globalPos();
    }
    QWidget::mousePressEvent(event);
}

void CustomTitleBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        dragging = false;
    doubleClicked = false;
    QWidget::mouseReleaseEvent(event);
}

void CustomTitleBar::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        doubleClicked = true;
        if (maximizeEnabled)
            toggleMaximize();
    }
    QWidget::mouseDoubleClickEvent(event);
}

void CustomTitleBar::leaveEvent(QEvent *event)
{
    dragging = false;
    QWidget::leaveEvent(event);
}

void CustomTitleBar::mouseMoveEvent(QMouseEvent *event)
{
    if (dragging && dragEnabled)
        followDrag(event->globalPos());
    QWidget::mouseMoveEvent(event);
}

void CustomTitleBar::followDrag(const QPoint &cursor)
{
    QWidget *win = window();
    const int screenWidth = availableScreenSize(win).width();

    // Pulled out of the top strip or off a screen edge: back to the normal
    // size, and the window is centred under the cursor from the next move on.
    if (win->isMaximized() && cursor.y() > kTopStrip) {
        restoreWindow();
        dragOffset.setX(kRecentreMarker);
        return;
    }
    if (snapped && cursor.x() > kSideStrip && cursor.x() < screenWidth - kSideStrip) {
        restoreWindow();
        dragOffset.setX(kRecentreMarker);
        return;
    }
    if (dragOffset.x() == kRecentreMarker)
        dragOffset.setX(-(win->width() / 2));

    if (cursor.y() <= kTopStrip) {
        if (!win->isMaximized() && maximizeEnabled)
            maximizeWindow();
        return;
    }
    if (cursor.x() <= kSideStrip) {
        if (!snapped && maximizeEnabled)
            placeOnScreenHalf(ScreenHalf::Left);
        return;
    }
    if (screenWidth - cursor.x() <= kSideStrip) {
        if (!snapped && maximizeEnabled)
            placeOnScreenHalf(ScreenHalf::Right);
        return;
    }
    win->move(cursor + dragOffset);
}
