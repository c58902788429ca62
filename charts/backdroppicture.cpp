#include "backdroppicture.h"

#include <qcustomplot.h>

namespace {

// The bottom picture: a clear to transparency fills it with the backdrop
// colour instead; any other clear colour is kept as asked.
class BackdropPaintBuffer : public QCPPaintBufferPixmap {
public:
    BackdropPaintBuffer(const QSize &size, double devicePixelRatio, const QColor &backdrop)
        : QCPPaintBufferPixmap(size, devicePixelRatio), mBackdrop(backdrop)
    {
    }

    void clear(const QColor &color) override
    {
        mBuffer.fill(color.alpha() == 0 ? mBackdrop : color);
    }

private:
    QColor mBackdrop;
};

// The plot's list of pictures. QCustomPlot keeps it to itself and to its
// subclasses; a pointer to the member, formed through a subclass, reaches it
// on any plot.
struct PaintBuffersOf : QCustomPlot {
    static QList<QSharedPointer<QCPAbstractPaintBuffer>> &of(QCustomPlot *plot)
    {
        return plot->*(&PaintBuffersOf::mPaintBuffers);
    }
};

} // namespace

void drawOnBackdrop(QCustomPlot *plot, const QColor &backdrop)
{
    if (!plot)
        return;
    const bool opaque = backdrop.isValid() && backdrop.alpha() == 255;
    const QSize size = plot->viewport().size();
    const double ratio = plot->bufferDevicePixelRatio();
    const QSharedPointer<QCPAbstractPaintBuffer> bottom(
        opaque ? new BackdropPaintBuffer(size, ratio, backdrop)
               : new QCPPaintBufferPixmap(size, ratio));
    QList<QSharedPointer<QCPAbstractPaintBuffer>> &buffers = PaintBuffersOf::of(plot);
    if (buffers.isEmpty())
        buffers.append(bottom);
    else
        buffers[0] = bottom; // the layers take it at the next redraw
    plot->setAttribute(Qt::WA_OpaquePaintEvent, opaque);
}
