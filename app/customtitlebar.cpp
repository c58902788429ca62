#include "customtitlebar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>

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
    QWidget *win = window();
    if (win->isMaximized()) {
        if (snapped) {
            snapped = false;
            win->resize(normalSize);
        } else {
            win->showNormal();
            maximizeButton->setIcon(style()->standardPixmap(QStyle::SP_TitleBarMaxButton));
        }
    } else {
        win->showMaximized();
        maximizeButton->setIcon(style()->standardPixmap(QStyle::SP_TitleBarNormalButton));
    }
}
