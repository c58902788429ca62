#include "customtitlebar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QToolButton>

#include "titlebaricons.h"

namespace {

// A drag that reaches this far down from the top of the screen maximises.
constexpr int kTopStrip = 9;
// A drag this close to the left or right screen edge takes that half.
constexpr int kSideStrip = 4;
// Each half is this much wider than half the screen, so the halves overlap.
constexpr int kHalfOverlap = 164;
// The buttons fill the height of the strip and are as wide as a user expects
// caption buttons to be. They reach the window's top and right edges; the
// resize zones there give way to them (Widget::edgeUnder), so each takes its
// click to its very edge.
constexpr QSize kButtonSize(46, 32);
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
    titleLabel->setObjectName(QStringLiteral("titleLabel"));
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setStyleSheet(
        QStringLiteral("font: 12pt 'Microsoft YaHei UI'; color: rgb(192, 192, 192);"));

    iconLabel = new QLabel;
    iconLabel->setObjectName(QStringLiteral("iconLabel"));
    iconLabel->setAlignment(Qt::AlignCenter);
    iconLabel->setMinimumSize(150, 32);
    iconLabel->setMaximumSize(150, 32);
    iconLabel->setScaledContents(true);

    minimizeButton = new QToolButton;
    maximizeButton = new QToolButton;
    closeButton = new QToolButton;
    minimizeButton->setObjectName(QStringLiteral("minimizeButton"));
    maximizeButton->setObjectName(QStringLiteral("maximizeButton"));
    closeButton->setObjectName(QStringLiteral("closeButton"));

    barLayout = new QHBoxLayout;
    barLayout->addWidget(iconLabel);
    barLayout->addStretch(1);
    barLayout->addWidget(titleLabel, 0, Qt::AlignCenter);
    barLayout->addStretch(1);
    barLayout->addWidget(minimizeButton);
    barLayout->addWidget(maximizeButton);
    barLayout->addWidget(closeButton);
    barLayout->setContentsMargins(2, 2, 2, 5);
    barLayout->setSpacing(0);
    setLayout(barLayout);

    // Borderless; blue under the pointer and while pressed, the close button
    // red as on every desktop.
    const QString buttonStyle =
        QStringLiteral("QToolButton { border-style: solid; border-width: 0px; }"
                       "QToolButton:hover, QToolButton:pressed { background-color: %1; color: "
                       "rgb(255, 255, 255); }"
                       "QToolButton:pressed { background-color: %2; }");
    minimizeButton->setStyleSheet(
        buttonStyle.arg(QStringLiteral("#067DB8"), QStringLiteral("#067DB8")));
    maximizeButton->setStyleSheet(
        buttonStyle.arg(QStringLiteral("#067DB8"), QStringLiteral("#067DB8")));
    closeButton->setStyleSheet(
        buttonStyle.arg(QStringLiteral("#E81123"), QStringLiteral("#B50E1C")));

    for (QToolButton *button : {minimizeButton, maximizeButton, closeButton}) {
        button->setFixedSize(kButtonSize);
        button->setIconSize(QSize(titlebaricons::kIconSize, titlebaricons::kIconSize));
        // Auto-raised buttons draw their icon's hover (Active) pixmap under
        // the pointer: the glyph turns white on the coloured background.
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
    }
    minimizeButton->setIcon(titlebaricons::icon(titlebaricons::Glyph::Minimize));
    closeButton->setIcon(titlebaricons::icon(titlebaricons::Glyph::Close));
    showMaximizeState();
    // The maximise button shows restore whenever the window is maximised,
    // however it got there (the button, a double-click, a drag to the top,
    // or the window manager).
    window()->installEventFilter(this);

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
}

void CustomTitleBar::showMaximizeState()
{
    maximizeButton->setIcon(titlebaricons::icon(
        window()->isMaximized() ? titlebaricons::Glyph::Restore : titlebaricons::Glyph::Maximize));
}

bool CustomTitleBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == window() && event->type() == QEvent::WindowStateChange)
        showMaximizeState();
    return QWidget::eventFilter(watched, event);
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
    }
}

void CustomTitleBar::placeOnScreenHalf(ScreenHalf half)
{
    QWidget *win = window();
    snapped = true;
    normalSize = win->size();
    const QSize screen = availableScreenSize(win);
    // The window cannot be narrower than its minimum, which may be more than
    // a half: then the right half is moved left so the window stays on screen.
    const QSize placed = QSize(screen.width() / 2 + kHalfOverlap, screen.height())
                             .expandedTo(win->minimumSize())
                             .boundedTo(win->maximumSize());
    const int x =
        half == ScreenHalf::Left
            ? 0
            : qMax(0, qMin(screen.width() / 2 - kHalfOverlap, screen.width() - placed.width()));
    win->setGeometry(QRect(QPoint(x, 0), placed));
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

    // Pulled down out of the top strip: back to the normal size at once, the
    // pointer keeping its place along the title bar (a quarter of the way
    // along stays a quarter of the way along), and the drag goes on.
    if (win->isMaximized() && cursor.y() > kTopStrip) {
        const QRect maximized = win->geometry();
        QSize normal = win->normalGeometry().size();
        if (normal.isEmpty())
            normal = normalSize;
        const int alongBar = (cursor.x() - maximized.left()) * normal.width() / maximized.width();
        dragOffset.setX(-alongBar);
        restoreWindow();
        win->setGeometry(QRect(cursor + dragOffset, normal));
        return;
    }
    // Pulled off a screen edge: back to the size before the placement, and
    // the window is centred under the cursor from the next move on.
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
