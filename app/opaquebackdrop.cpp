#include "opaquebackdrop.h"

#include <QWidget>

namespace opaquebackdrop {

void mark(std::initializer_list<QWidget *> widgets)
{
    for (QWidget *widget : widgets)
        widget->setAutoFillBackground(true);
}

} // namespace opaquebackdrop
