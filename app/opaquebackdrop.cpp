#include "opaquebackdrop.h"

#include <QWidget>

namespace opaquebackdrop {

void mark(std::initializer_list<QWidget *> widgets)
{
    for (QWidget *widget : widgets)
        widget->setAutoFillBackground(true);
}

void markPlain(QWidget *backdrop)
{
    // Polished first: the style sheet sets the palette's background colour
    // and asks for the styled fill, which is then turned off.
    backdrop->ensurePolished();
    backdrop->setAutoFillBackground(true);
    backdrop->setAttribute(Qt::WA_StyledBackground, false);
}

} // namespace opaquebackdrop
