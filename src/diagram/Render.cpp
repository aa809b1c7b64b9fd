#include "diagram/Diagram.h"

#include "plat/gfx/Bitmap.h"
#include "plat/gfx/Graphics.h"
#include "plat/rt/Errors.h"
#include "plat/rt/Numeric.h"
#include "plat/sys/Trace.h"

#include <cstdio>

// The whole diagram in a picture of any size, whatever part of it the window shows: for the
// printed page, the clipboard, the template previews and the recent-file thumbnails.

namespace zov {

namespace {

// The picture of a render is held twice while it is composed over black; beyond this many
// pixels the memory it takes is no longer reasonable for one picture.
constexpr std::int64_t MaxRenderPixels = std::int64_t(64) * 1024 * 1024;

// PICTURE with the pixels that are not opaque composed over opaque black.
std::unique_ptr<gfx::Bitmap> OverBlack(const gfx::Bitmap& picture)
{
    auto copy = picture.overBlack();
    if (copy->isNull())
        throw rt::GraphicsError(rt::OutOfMemory);
    return copy;
}

} // namespace

std::unique_ptr<gfx::Bitmap> TDiagram::RenderToBitmap(std::int32_t width, std::int32_t height)
{
    FHovered = nullptr;
    SetSelected(nullptr);
    SetMode(dmEdit); // rendering always ends an animation
    return RenderStill(width, height);
}

std::unique_ptr<gfx::Bitmap> TDiagram::RenderStill(std::int32_t width, std::int32_t height)
{
    if (width == 0)
        width = ClientWidth();
    if (height == 0)
        height = ClientHeight();
    if (width <= 0 || height <= 0)
        throw rt::GraphicsError(rt::InvalidParameter);
    if (std::int64_t(width) * height > MaxRenderPixels)
        throw rt::GraphicsError(rt::OutOfMemory);
    auto bitmap = std::make_unique<gfx::Bitmap>(width, height, gfx::PixelFormat::Argb32);
    if (bitmap->isNull())
        throw rt::GraphicsError(rt::OutOfMemory);

    // The view and the client size are borrowed for the render and given back however it ends.
    // The picture stands in for the client area while it is drawn, so that what the overlays
    // measure on the client (the laylines run to its bottom) spans the whole picture.
    struct ViewKeeper {
        TDiagram& d;
        float zoom;
        TRect4 view;
        std::int32_t clientWidth, clientHeight;
        ~ViewKeeper()
        {
            d.FZoom = zoom;
            d.FView = view;
            d.m_clientWidth = clientWidth;
            d.m_clientHeight = clientHeight;
        }
    } keeper { *this, FZoom, FView, m_clientWidth, m_clientHeight };

    FitZoneInto(width, height);
    if (DebugMode) {
        char zoom[32];
        std::snprintf(zoom, sizeof zoom, "%7.3f", double(FZoom));
        TraceLine(FFileName + ", zoom: " + zoom);
    }
    {
        gfx::Graphics g(*bitmap, m_drawing.drawing);
        Redraw(&g);
    }
    return bitmap;
}

std::unique_ptr<gfx::Bitmap> TDiagram::CopyToBitmap(std::int32_t width, std::int32_t height)
{
    return OverBlack(*RenderToBitmap(width, height));
}

std::unique_ptr<gfx::Bitmap> TDiagram::SnapshotToBitmap(std::int32_t width, std::int32_t height)
{
    // The picture shows every step, with the selected and hovered objects drawn as any other:
    // the selection and the mode are set aside for the render alone, with no event, and given
    // back however it ends.
    struct StateKeeper {
        TDiagram& d;
        TObjet* selected;
        TObjet* hovered;
        std::uint8_t mode;
        std::int32_t step;
        ~StateKeeper()
        {
            d.FSelected = selected;
            d.FHovered = hovered;
            d.FDisplayMode = mode;
            d.FStep = step;
        }
    } keeper { *this, FSelected, FHovered, FDisplayMode, FStep };
    FSelected = nullptr;
    FHovered = nullptr;
    FDisplayMode = dmEdit;
    FStep = 0; // edit mode: a step left here would hide the tracks of later steps
    return OverBlack(*RenderStill(width, height));
}

} // namespace zov
