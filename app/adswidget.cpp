#include "adswidget.h"

#include <QPainter>
#include <QTimer>

AdsWidget::AdsWidget(QWidget *parent) : QWidget(parent), m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, &AdsWidget::showNext);
    m_timer->start(3000);
}

void AdsWidget::setImageNames(const QString &names)
{
    m_images.clear();
    for (const QString &name : names.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        QPixmap pixmap(name.trimmed());
        if (!pixmap.isNull())
            m_images.append(pixmap);
    }
    m_current = 0;
    update();
}

void AdsWidget::setBannerFixedSize(const QSize &size)
{
    if (size.isEmpty()) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(size);
    }
}

void AdsWidget::setBannerStyle(int style)
{
    m_style = style;
    update();
}

void AdsWidget::setInterval(int milliseconds)
{
    m_timer->start(qMax(1, milliseconds));
}

QSize AdsWidget::sizeHint() const
{
    return m_images.isEmpty() ? QSize(800, 90) : m_images.first().size();
}

void AdsWidget::showNext()
{
    if (m_images.size() < 2)
        return;
    m_current = (m_current + 1) % m_images.size();
    update();
}

void AdsWidget::paintEvent(QPaintEvent *)
{
    if (m_images.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPixmap &image = m_images.at(m_current);
    if (m_style == 0) {
        painter.drawPixmap(rect(), image);
        return;
    }
    const QSize scaled = image.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - scaled.width()) / 2, (height() - scaled.height()) / 2),
                       scaled);
    painter.drawPixmap(target, image);
}
