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

bool TGDIPWinControl::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Paint) {
        paintEvent(static_cast<QPaintEvent*>(event));
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void TGDIPWinControl::paintEvent(QPaintEvent*)
{
    EnsureBuffer();
    FGraphics->clear(Color);
    Paint(*FGraphics);
    FGraphics->resetTransform();
    QPainter window(viewport());
    window.drawImage(QPoint(0, 0), FBuffer->image());
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
