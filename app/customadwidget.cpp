#include "customadwidget.h"

#include <QMouseEvent>

CustomAdWidget::CustomAdWidget(QWidget *parent) : QWidget(parent) {}

void CustomAdWidget::mousePressEvent(QMouseEvent *event)
{
    QWidget::mousePressEvent(event);
}
