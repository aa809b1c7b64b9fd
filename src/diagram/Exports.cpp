#include "diagram/Diagram.h"

#include "diagram/GifFrameLayout.h"
#include "diagram/Progress.h"
#include "model/Objet.h"
#include "model/Records.h"
#include "model/Settings.h"
#include "plat/gfx/Bitmap.h"
#include "plat/gfx/Graphics.h"
#include "plat/img/Codecs.h"
#include "plat/io/ReplacingFile.h"
#include "plat/io/TextFile.h"
#include "plat/rt/Errors.h"
#include "plat/rt/Numeric.h"
#include "plat/sys/Trace.h"

#include <QCursor>
#include <QGuiApplication>
#include <QString>

#include <algorithm>
#include <cstdint>

// The diagram written to files other than the diagram file: still pictures (one, or one per
// step), an animated GIF assembled from single-frame GIFs, and an XML list of the objects.

namespace zov {

namespace {

bool exportRunning = false;

// A picture export runs alone: the animated one lets events run between its frames, and a
// second export started from there would draw with the same borrowed view and mode.
class ExportGuard {
public:
    ExportGuard()
    {
        if (exportRunning)
            throw rt::Error("An export is already running");
        exportRunning = true;
    }
    ~ExportGuard() { exportRunning = false; }
    ExportGuard(const ExportGuard&) = delete;
    ExportGuard& operator=(const ExportGuard&) = delete;
};

// The application's busy cursor for the length of a scope (nothing without a GUI application).
class BusyCursor {
public:
    explicit BusyCursor(Qt::CursorShape shape)
        : m_set(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
    {
        if (m_set)
            QGuiApplication::setOverrideCursor(QCursor(shape));
    }
    ~BusyCursor()
    {
        if (m_set)
            QGuiApplication::restoreOverrideCursor();
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    bool m_set;
};

// A still picture is held once, plus its encoding; beyond this many pixels it is refused.
constexpr std::int64_t MaxPicturePixels = std::int64_t(64) * 1024 * 1024;

// The animation is always written at this speed, whatever the speed slider says.
constexpr std::int32_t GifFramesPerStep = 20;

// Layout of the single-frame GIFs the frame encoder writes, which the animation is cut from.
constexpr int GifHeadSize = 781; // signature, screen descriptor, 256-entry colour table
constexpr int GifTableStart = 13;
constexpr int GifTableSize = 768;
constexpr int GifControlStart = 781; // one 8-byte graphic control extension
constexpr int GifImageStart = 789; // image descriptor, then the image data
constexpr std::uint8_t GifTrailer = 0x3B;

// Application extension: loop for ever.
constexpr char LoopExtension[19] = { '\x21', '\xFF', '\x0B', 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0',
    '\x03', '\x01', '\x00', '\x00', '\x00' };

// Graphic control extension of every frame: restore to the background, no transparency; the
// delay (hundredths of a second) at offset 4.
constexpr std::uint8_t FrameDelay = 0x0A;
constexpr std::uint8_t LastFrameDelay = 0xFA;

std::string MimeOf(const std::string& ext)
{
    if (QString::fromStdString(ext).toUpper() == QLatin1String("JPG"))
        return "image/jpeg";
    return "image/" + ext;
}

// The greatest step of the forest, as Redraw counts it.
std::int32_t GreatestStep(TObjet* root)
{
    std::int32_t steps = 0;
    for (TObjet* o = root; o; o = o->NextInWalk())
        steps = std::max(steps, o->FSituation);
    return steps;
}

// Boats of step STEP drawn in full and every other boat faint; 0 for none in full.
void MarkBoatsOfStep(TObjet* root, std::int32_t step)
{
    for (TObjet* o = root; o; o = o->NextInWalk())
        if (auto* boat = dynamic_cast<TBateau*>(o))
            boat->FGhost = step != 0 && o->FSituation == step ? 1 : 0;
}

void Put(io::ReplacingFile& file, const char* data, qsizetype size)
{
    if (!file.write(data, std::size_t(size)))
        throw rt::IoError("Cannot write " + file.path() + ": " + file.error());
}

// Gives back what an export borrowed (view, mode, cursor...) however it ends; when an error
// ends it, the window's picture is redrawn too.
template <class F> class RestoreOnExit {
public:
    RestoreOnExit(TDiagram& d, F restore)
        : m_d(d)
        , m_restore(std::move(restore))
    {
    }
    RestoreOnExit(const RestoreOnExit&) = delete;
    RestoreOnExit& operator=(const RestoreOnExit&) = delete;
    ~RestoreOnExit()
    {
        if (m_finished)
            return;
        m_restore();
        try {
            m_d.Redraw(nullptr);
            m_d.Repaint();
        } catch (...) {
            // The error that ended the export is the one to report.
        }
    }
    // The export ended well: give back now; the caller redraws.
    void Finish()
    {
        m_restore();
        m_finished = true;
    }

private:
    TDiagram& m_d;
    F m_restore;
    bool m_finished = false;
};

} // namespace

void CheckFrameLayout(const QByteArray& frame, const QByteArray* palette)
{
    const auto at = [&frame](qsizetype i) { return std::uint8_t(frame[i]); };
    bool ok = frame.size() > GifImageStart + 10 && frame.startsWith("GIF89a") && (at(10) & 0x87) == 0x87
        && at(GifControlStart) == 0x21 && at(GifControlStart + 1) == 0xF9 && at(GifControlStart + 2) == 0x04
        && at(GifControlStart + 7) == 0x00 && at(GifImageStart) == 0x2C && (at(GifImageStart + 9) & 0x80) == 0
        && at(frame.size() - 1) == GifTrailer;
    if (ok && palette)
        ok = frame.mid(GifTableStart, GifTableSize) == *palette;
    if (!ok)
        rt::assertFail("Unexpected GIF frame layout", "Rules8", __LINE__);
}

bool TDiagram::ExportRunning() { return exportRunning; }

// ---------------------------------------------------------------------------------------------
// Still pictures

void TDiagram::ExportImage(const std::string& ext, std::int32_t width, std::int32_t height)
{
    ExportGuard guard;

    // The view, the zone and the client size are borrowed to draw the picture; they, the edit
    // mode and the cursor are given back however the export ends.
    RestoreOnExit restore(*this,
        [this, zoom = FZoom, view = FView, zone = FZone, extent = FExtent, clientWidth = m_clientWidth,
            clientHeight = m_clientHeight, frameIndex = FFrameIndex] {
            FZoom = zoom;
            FView = view;
            FZone = zone;
            FExtent = extent;
            m_clientWidth = clientWidth;
            m_clientHeight = clientHeight;
            FFrameIndex = frameIndex;
            MarkBoatsOfStep(FRoot, 0);
            FDisplayMode = dmEdit; // set directly: no event
            FStep = 0; // edit mode: a step left here would hide the tracks of later steps
            SetCursor(ViewCursor::Default);
        });

    if (width == 0)
        width = ClientWidth();
    if (height == 0)
        height = ClientHeight();
    const bool perStep = FDisplayMode != dmEdit;
    if (perStep && m_host)
        m_host->StopAnimationTimer(); // a running animation must not step the pictures

    BusyCursor busy(Qt::WaitCursor);
    FHovered = nullptr;
    SetSelected(nullptr);

    const std::string mime = MimeOf(ext);
    if (!img::hasEncoder(mime))
        rt::assertFail("Encoder not found for " + ext, "Rules8", __LINE__);
    if (width <= 0 || height <= 0)
        throw rt::GraphicsError(rt::InvalidParameter);
    if (std::int64_t(width) * height > MaxPicturePixels)
        throw rt::GraphicsError(rt::OutOfMemory);
    gfx::Bitmap picture(width, height, gfx::PixelFormat::Argb32);
    if (picture.isNull())
        throw rt::GraphicsError(rt::OutOfMemory);
    gfx::Graphics g(picture, m_drawing.drawing);

    AttachTextsToBoats();

    // The occupied zone as it stands, centred and fitted as every other picture of the diagram
    // (clipboard, printout, thumbnails), whatever part of it the window shows. The picture
    // stands in for the client area, so that the laylines run to its bottom.
    FitZoneInto(width, height);
    // Positions not marked visible are drawn as at the start of a step.
    FFrameIndex = 0;

    const std::int32_t steps = std::max(GreatestStep(FRoot), 1);
    const QString base = QString::fromStdString(FFileName);
    const QString dotExt = QStringLiteral(".") + QString::fromStdString(ext);
    if (!perStep) {
        FStep = steps;
        Redraw(&g);
        img::saveImage(picture.image(), mime, base + dotExt);
    } else
        for (std::int32_t s = 1; s <= steps; ++s) {
            FStep = s;
            MarkBoatsOfStep(FRoot, s);
            Redraw(&g);
            // The whole step number: names cut to a few digits would overwrite each other.
            img::saveImage(picture.image(), mime, base + QStringLiteral("-") + QString::number(s) + dotExt);
        }

    // The static picture may have been drawn for a step while the selection was cleared.
    restore.Finish();
    Redraw(nullptr);
    Repaint();
}

// ---------------------------------------------------------------------------------------------
// Animated GIF

void TDiagram::ExportAnimatedGif()
{
    ExportGuard guard;
    if (FDisplayMode != dmEdit)
        SetMode(dmEdit); // the animation timer must not run while the frames are made
    if (!FBackBitmap || !FBackGraphics || ClientWidth() <= 0 || ClientHeight() <= 0)
        throw rt::GraphicsError(rt::InvalidParameter); // nothing on screen to animate

    std::unique_ptr<Progress> progress = NewProgress();

    // The mode, the speed and the cursor are given back, and the progress window closed,
    // however the export ends.
    RestoreOnExit restore(*this,
        [this, &progress = *progress, framesPerStep = FramesPerStep, zoom = FZoom, view = FView] {
            progress.Close();
            FramesPerStep = framesPerStep;
            FDisplayMode = dmEdit; // set directly: no timer, no event
            FStep = 0; // edit mode: a step left here would hide the tracks of later steps
            FFrameIndex = 0;
            FZoom = zoom;
            FView = view;
            FSelected = nullptr;
            FHovered = nullptr;
            SetCursor(ViewCursor::Default);
        });

    FramesPerStep = GifFramesPerStep;
    const std::int32_t steps = GreatestStep(FRoot);
    // The bar runs from 0 to one less than the frames (fewer than two steps make no movement:
    // the picture of step 1 is the one frame, and the bar never has a negative end).
    progress->Open("ZOV save", "Saving to animated GIF", std::max(0, GifFramesPerStep * (steps - 1) - 1));

    BusyCursor busy(Qt::BusyCursor);
    SetSelected(nullptr);
    const std::string mime = "image/gif";
    if (!img::hasEncoder(mime))
        rt::assertFail("Encoder not found for gif", "Rules8", __LINE__);

    FDisplayMode = dmAnimation; // directly: no timer, no event
    FSelected = nullptr;
    FHovered = nullptr;
    // Boats placed at one step only are drawn in full, as in the animation on screen.
    for (TObjet* o = FRoot; o; o = o->FSibling)
        if (auto* boat = dynamic_cast<TBateau*>(o))
            boat->FGhost = boat->FNext ? 0 : 1;

    const int frameWidth = ClientWidth();
    const int frameHeight = ClientHeight();
    gfx::Bitmap frame(frameWidth, frameHeight, gfx::PixelFormat::Argb32);
    if (frame.isNull())
        throw rt::GraphicsError(rt::OutOfMemory);
    gfx::Graphics g(frame, m_drawing.drawing);

    AttachTextsToBoats();
    BuildAnimationList(1);
    FFrameIndex = 0;
    Redraw(nullptr);
    FPlayUntil = steps;

    // The file appears only once complete; a failure leaves any former file as it was.
    io::ReplacingFile file(FFileName + ".gif");
    if (!file.isOpen())
        throw rt::IoError("Cannot create " + file.path() + ": " + file.error());

    QByteArray palette;
    char control[8] = { '\x21', '\xF9', '\x04', '\x08', char(FrameDelay), '\x00', '\xFF', '\x00' };
    const auto writeFrame = [&](bool last) {
        {
            CurrentDiagramScope current(this); // the ghosts draw by this diagram's mode
            g.resetTransform();
            g.clear(0xFFFFFFFF);
            g.drawImage(*FBackBitmap, QRectF(0, 0, frameWidth, frameHeight));
            SetTransform(g);
            if (FBoatList)
                for (int i = 0; i < FBoatList->Count(); ++i) {
                    auto* ghost = static_cast<TBateau*>(FBoatList->Item(i));
                    ghost->AnimateFrame(FFrameIndex);
                    ghost->Draw(g);
                }
        }
        const QByteArray bytes = img::encodeImage(frame.image(), mime);
        Trace("MemoryStream: " + std::to_string(bytes.size()));
        CheckFrameLayout(bytes, palette.isEmpty() ? nullptr : &palette);
        if (palette.isEmpty()) {
            palette = bytes.mid(GifTableStart, GifTableSize);
            Put(file, bytes.constData(), GifHeadSize);
            Put(file, LoopExtension, sizeof LoopExtension);
        }
        control[4] = char(last ? LastFrameDelay : FrameDelay);
        Put(file, control, sizeof control);
        Put(file, bytes.constData() + GifImageStart, bytes.size() - GifImageStart - 1);
    };

    if (steps < 2) {
        writeFrame(true);
        progress->StepIt();
    } else {
        while (FStep < steps) {
            Step(false);
            writeFrame(FStep == steps);
            progress->StepIt();
            // Cancel keeps the frames so far; so does anything that ended the animation meanwhile.
            if (progress->Cancelled() || FDisplayMode != dmAnimation)
                break;
        }
    }
    const char trailer = char(GifTrailer);
    Put(file, &trailer, 1);
    if (!file.commit())
        throw rt::IoError("Cannot write " + file.path() + ": " + file.error());

    restore.Finish();
    Redraw(nullptr);
    Repaint();
}

// ---------------------------------------------------------------------------------------------
// XML

void TDiagram::ExportXml()
{
    io::TextFile f(FFileName + ".htm");
    f.writeLine("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    f.writeLine("<Diagram>");
    for (const TObjet* o = FRoot; o; o = o->FSibling) {
        const std::string kind = o->FGenre == gRacingBoat ? "RacingBoat" : o->FGenre == gMark ? "Mark" : "Unknown";
        f.writeLine("   <" + kind + ">");
        for (const TObjet* p = o; p; p = p->FNext) {
            f.writeLine("      <Object>");
            p->SaveXML(f);
            f.writeLine("      </Object>");
        }
        f.writeLine("   </" + kind + ">");
    }
    f.writeLine("</Diagram>");
    f.close();
}

} // namespace zov
