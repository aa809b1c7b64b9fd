#include "diagram_view/GdipPanel.h"

#include <QPaintEvent>
#include <QPainter>

namespace zov {

TGDIPWinControl::TGDIPWinControl(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The buffer covers every pixel: the system never needs to erase first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
}

TGDIPWinControl::~TGDIPWinControl()
{
    FreeBuffer();
}

void TGDIPWinControl::EnsureBuffer()
{
    const QSize size = viewport()->size();
    if (FGraphics && FBuffer && FBuffer->width() == size.width() && FBuffer->height() == size.height())
        return;
    FreeBuffer();
    FBuffer = std::make_unique<gfx::Bitmap>(std::max(1, size.width()), std::max(1, size.height()),
        m_transparent ? gfx::PixelFormat::Argb32 : gfx::PixelFormat::Rgb32);
    FGraphics = std::make_unique<gfx::Graphics>(*FBuffer);
    FGraphics->setSmoothing(true);
}

void TGDIPWinControl::FreeBuffer()
{
    FGraphics.reset();
    FBuffer.reset();
}

void TGDIPWinControl::Paint(gfx::Graphics& g)
{
    g.clear(Color);
}

bool TGDIPWinControl::PaintCovers(const QRect&) const
{
    return false;
}

bool TGDIPWinControl::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Paint) {
        paintEvent(static_cast<QPaintEvent*>(event));
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void TGDIPWinControl::paintEvent(QPaintEvent* event)
{
    const gfx::Bitmap* before = FBuffer.get();
    EnsureBuffer();
    // Only the rectangle around the region asked for is composed (a single rectangle keeps
    // the clip cheap and every line that was drawn whole inside it drawn the same way), and only
    // the region is copied; a new buffer is composed whole.
    const QRect whole(QPoint(0, 0), FBuffer->image().size());
    const bool fresh = FBuffer.get() != before;
    const QRegion region = fresh ? QRegion(whole) : QRegion((event->region() & whole).boundingRect());
    const bool partial = !(QRegion(whole) - region).isEmpty();
    if (partial)
        FGraphics->setClipRegion(region);
    if (!PaintCovers(region.boundingRect()))
        FGraphics->clear(Color);
    Paint(*FGraphics);
    FGraphics->resetTransform();
    if (partial)
        FGraphics->setClipRegion(QRegion());
    m_composed = region;
    // One copy of the buffer to the window, for the region asked for.
    QPainter window(viewport());
    for (const QRect& r : event->region())
        window.drawImage(r.topLeft(), FBuffer->image(), r);
}

TGDIPPanel::TGDIPPanel(QWidget* parent)
    : TGDIPWinControl(parent)
{
    Color = 0xFFFFFFFF;
    FBrush = { Color };
}

gfx::Graphics& TGDIPPanel::Canvas()
{
    if (!FGraphics)
        EnsureBuffer();
    return *FGraphics;
}

void TGDIPPanel::Paint(gfx::Graphics& g)
{
    if (OnPaint)
        OnPaint(g);
    else
        TGDIPWinControl::Paint(g);
}

} // namespace zov
