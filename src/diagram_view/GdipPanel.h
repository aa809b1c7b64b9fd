#pragma once
// A double-buffered drawing panel: every paint goes into a back buffer of the panel's size
// through Paint (or the OnPaint handler) and the buffer reaches the screen in one copy, so the
// window never flickers. The diagram view and the picture chooser's preview are built on it.

#include "plat/gfx/Bitmap.h"
#include "plat/gfx/Graphics.h"
#include "plat/gfx/Pen.h"

#include <QAbstractScrollArea>

#include <functional>
#include <memory>

namespace zov {

class TGDIPWinControl : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TGDIPWinControl(QWidget* parent = nullptr);
    ~TGDIPWinControl() override;

    // Buffer pixel format: true = 32-bit ARGB, false = 32-bit RGB.
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool on) { m_transparent = on; }
    // Colour the buffer is cleared to before every paint.
    gfx::Argb Color = 0xFFFFFFFF;

    // (Re)creates the buffer and its graphics when missing or of another size than the panel.
    virtual void EnsureBuffer();
    virtual void FreeBuffer();
    // Paints the buffer; the base clears it to Color.
    virtual void Paint(gfx::Graphics& g);
    // Whether Paint covers the rectangle R of the buffer with opaque pixels, so that the clear
    // before it can be left out.
    virtual bool PaintCovers(const QRect& r) const;

    gfx::Bitmap* Buffer() const { return FBuffer.get(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;

    std::unique_ptr<gfx::Bitmap> FBuffer;
    std::unique_ptr<gfx::Graphics> FGraphics;
    // The part of the buffer the last paint composed, in buffer pixels.
    QRegion m_composed;

private:
    bool m_transparent = false;
};

class TGDIPPanel : public TGDIPWinControl {
    Q_OBJECT
public:
    explicit TGDIPPanel(QWidget* parent = nullptr);

    // Paints the buffer instead of the plain clear, when set.
    std::function<void(gfx::Graphics&)> OnPaint;
    gfx::Pen FPen { 0xFF000000, 1.0f, gfx::DashStyle::Solid };
    gfx::Brush FBrush;

    // The buffer's graphics, creating the buffer first when needed.
    gfx::Graphics& Canvas();

    void Paint(gfx::Graphics& g) override;
};

} // namespace zov
