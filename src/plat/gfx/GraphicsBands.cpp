// How a Graphics draws its calls: at once, or kept and then drawn in bands (strips of rows or of
// columns) of the picture on the threads of the pool. Each band has a painter of its own over the
// same pixels, clipped to the band, and draws every call that reaches into it, in order. The
// calls are handed over in batches while the next ones are kept; each band has a queue of them,
// drawn by one task at a time, and there are a few bands for each thread, so that a thread done
// with its band takes another while the slower ones are still drawing. Fills, strokes, text and
// pixel-for-pixel copies give the same pixels under such a clip as without it; a call whose
// pixels depend on the clip (Call::clipSensitive) is drawn in a band only when it lies within it,
// and otherwise by the picture's own painter while no band draws. The painters run on the pool's
// own threads (sys::RunOnPool), where Qt fills serially, instead of handing every large fill over
// to that same pool.
//
// What each thread owns, and what it only reads:
// - The thread that owns the Graphics (the GUI thread) records the calls, keeps them, and hands
//   them over; it owns the picture's painter and its pen and brush, but lends them to one pool
//   task at a time for a batch drawn on the whole picture, and waits for that task before it
//   draws or sets anything on them again. It sets a band painter's clip only while no band draws.
// - A band's painter, with its pen and brush, belongs to the task draining that band's queue
//   (one at a time). It writes the picture's pixels of its band alone.
// - A batch is written by the owning thread before it is queued, and only read after: by every
//   band it reaches. It goes with the last band done with it.
// - No Qt object that keeps caches is shared: each band draws a copy of its own of a call's path
//   (Qt keeps in a path what it builds to draw it), or a path it builds from the points a curve
//   was given; each thread lays out a call's text with fonts of its own (TextMetrics.h); pictures
//   are only read.

#include "plat/gfx/GraphicsCall.h"
#include "plat/gfx/Path.h"
#include "plat/gfx/TextMetrics.h"
#include "plat/rt/Errors.h"
#include "plat/sys/Pool.h"

#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>

namespace gfx {

namespace {

// A band thinner than this draws most of its calls beside its neighbours.
constexpr int MinBandSize = 48;
// Waking a thread for a band costs about as much as drawing this many small shapes.
constexpr std::size_t MinCallsPerBand = 64;
// Bands for each thread of the pool: a thread done with its band takes one still waiting.
constexpr int BandsPerThread = 3;
// The calls kept before they are handed to the bands, and the batches handed over and not yet
// drawn at most, to hold the memory of a huge picture.
constexpr std::size_t MaxKeptCalls = 2048;
constexpr std::size_t MaxBatchesInFlight = 16;

const QTransform HalfPixel = QTransform::fromTranslate(0.5, 0.5);

// Runs FILL once per rectangle of AREA with the clip lifted (a region clip makes the painter cut
// every row of a large area apart), or once as it stands when there is no area.
template <class F> void perAreaRect(QPainter& painter, const QRegion& area, F&& fill)
{
    if (area.isEmpty()) {
        fill(QRect());
        return;
    }
    painter.setClipping(false);
    for (const QRect& r : area)
        fill(r);
    setClip(painter, area);
}

// A copy of PATH that shares nothing with it: Qt keeps what it builds to draw a path in the path.
QPainterPath ownCopy(const QPainterPath& path)
{
    QPainterPath own = path;
    if (own.elementCount() > 0) {
        const QPainterPath::Element first = own.elementAt(0);
        own.setElementPositionAt(0, first.x, first.y);
    }
    return own;
}

// Whether A and B hold the very same figures (only read: Qt's own comparison measures the paths).
bool samePath(const QPainterPath& a, const QPainterPath& b)
{
    const int n = a.elementCount();
    if (n != b.elementCount() || a.fillRule() != b.fillRule())
        return false;
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element e = a.elementAt(i), f = b.elementAt(i);
        if (e.type != f.type || e.x != f.x || e.y != f.y)
            return false;
    }
    return true;
}

// Sets the painter's world transform, unless it is already the one: the painter works out its
// mappings again whenever it is set.
void setWorld(QPainter& painter, const QTransform& world)
{
    if (painter.worldTransform() != world)
        painter.setWorldTransform(world);
}

} // namespace

const QPen& PaintTools::pen(const Pen& pen, const QTransform& world)
{
    const bool cosmetic = hairline(pen, worldScale(world));
    if (!m_hasPen || cosmetic != m_cosmetic || pen.color != m_pen.color || pen.width != m_pen.width || pen.dash != m_pen.dash) {
        m_qpen = toQPen(pen, world);
        m_pen = pen;
        m_cosmetic = cosmetic;
        m_hasPen = true;
    }
    return m_qpen;
}

const QBrush& PaintTools::brush(Argb color)
{
    if (!m_hasBrush || color != m_color) {
        m_qbrush = QBrush(toQColor(color));
        m_color = color;
        m_hasBrush = true;
    }
    return m_qbrush;
}

void setClip(QPainter& painter, const QRegion& area)
{
    painter.resetTransform(); // the area is in device pixels
    if (area.isEmpty())
        painter.setClipping(false);
    else if (area.rectCount() == 1)
        painter.setClipRect(area.boundingRect()); // the painter's fast case
    else
        painter.setClipRegion(area);
}

void Graphics::run(QPainter& p, PaintTools& tools, const Call& c, const QRegion& area, const QPainterPath& path)
{
    if (p.testRenderHint(QPainter::Antialiasing) != c.smoothing)
        p.setRenderHint(QPainter::Antialiasing, c.smoothing);
    switch (c.kind) {
    case CallKind::Clear: {
        p.save();
        p.resetTransform();
        p.setCompositionMode(QPainter::CompositionMode_Source);
        const QRect all(0, 0, p.device()->width(), p.device()->height());
        perAreaRect(p, area, [&](const QRect& r) { p.fillRect(r.isNull() ? all : r & all, toQColor(c.color)); });
        p.restore();
        break;
    }
    case CallKind::CopyFrom: {
        const QPaintDevice* device = p.device();
        const QImage* target = device->devType() == QInternal::Image ? static_cast<const QImage*>(device) : nullptr;
        const QPoint at = c.at.toPoint();
        if (target && !p.hasClipping() && at.isNull() && c.picture().format() == target->format()
            && c.picture().size() == target->size() && c.picture().bytesPerLine() == target->bytesPerLine()) {
            // The pixels are written in place; the painter keeps nothing of them.
            std::memcpy(const_cast<uchar*>(target->constBits()), c.picture().constBits(), std::size_t(c.picture().sizeInBytes()));
            break;
        }
        p.save();
        p.resetTransform();
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(at, c.picture());
        p.restore();
        break;
    }
    case CallKind::Shape:
        setWorld(p, c.world * HalfPixel);
        if (c.fills)
            p.fillPath(path, tools.brush(c.color));
        if (c.strokes)
            p.strokePath(path, tools.pen(c.pen, c.world));
        break;
    case CallKind::Line:
        setWorld(p, c.world * HalfPixel);
        p.setPen(tools.pen(c.pen, c.world));
        p.drawLine(QLineF(c.at, c.to));
        break;
    case CallKind::ImageInRect:
        setWorld(p, c.world);
        p.drawImage(c.rect, c.picture());
        break;
    case CallKind::ImageAt: {
        setWorld(p, c.world);
        const QPoint whole = c.at.toPoint();
        if (!area.isEmpty() && c.world.isIdentity() && QPointF(whole) == c.at) {
            // A picture copied pixel for pixel: each rectangle of the area takes its part.
            perAreaRect(p, area, [&](const QRect& r) { p.drawImage(r.topLeft(), c.picture(), r.translated(-whole)); });
            break;
        }
        p.drawImage(c.at, c.picture());
        break;
    }
    case CallKind::Text: {
        // Qt draws text with the pen; the drawing code hands us the colour as a brush.
        setWorld(p, c.world * HalfPixel);
        const QColor colour = toQColor(c.color);
        p.setPen(colour);
        const std::shared_ptr<const LaidOutLine> line = layoutLine(c.text, c.font);
        p.drawGlyphRun(c.at, glyphsToDraw(*line, c.font, c.world));
        for (const QRectF& bar : line->bars)
            p.fillRect(bar.translated(c.at), colour);
        break;
    }
    }
}

QPainterPath Graphics::shapePath(const Call& c)
{
    if (c.kind != CallKind::Shape)
        return QPainterPath();
    const QPolygonF& points = c.points;
    Path built;
    switch (c.from) {
    case ShapeFrom::Path:
        return c.path;
    case ShapeFrom::Bezier:
        built.addBezier(points[0], points[1], points[2], points[3]);
        break;
    case ShapeFrom::Curve:
    case ShapeFrom::ClosedCurve:
        built.addCurve(points, c.tension);
        if (c.from == ShapeFrom::ClosedCurve)
            built.closeFigure();
        break;
    }
    return built.qpath();
}

void Graphics::submit(Call&& call)
{
    if (m_kept && call.source) {
        if (call.source->paintingActive())
            drawKept(true); // the calls before it are drawn first, and it is drawn at once
        else {
            call.image = *call.source;
            call.source = nullptr;
        }
    }
    if (!m_kept || call.source) {
        run(m_painter, *m_tools, call, m_clip, shapePath(call));
        return;
    }
    Kept& kept = *m_kept;
    kept.calls.push_back(std::move(call));
    if (kept.calls.size() >= MaxKeptCalls)
        drawKept(false); // drawn while the next calls are kept
}

void Graphics::beginBands()
{
    if (m_kept) {
        ++m_kept->depth;
        return;
    }
    // Only pictures are split; a painter already on a pool thread would wait for itself.
    if (m_drawing == Drawing::Plain || !targetImage() || m_clip.rectCount() > 1 || zov::sys::OnPoolThread())
        return;
    m_kept = std::make_unique<Kept>();
    m_kept->calls.reserve(MaxKeptCalls);
}

void Graphics::endBands()
{
    if (!m_kept || --m_kept->depth > 0)
        return;
    drawKept(true);
    m_kept.reset();
}

void Graphics::handOverKept()
{
    if (!m_kept)
        return;
    m_kept->allKept = true;
    drawKept(false);
}

void Graphics::drawKept(bool finish)
{
    std::vector<Call> calls;
    calls.swap(m_kept->calls);
    if (!finish && !m_kept->allKept)
        m_kept->calls.reserve(MaxKeptCalls);
    if (!calls.empty()) {
        if (!m_kept->work)
            m_kept->work = startWork(finish || m_kept->allKept ? calls.size() : SIZE_MAX);
        const std::vector<QRect>& bands = m_kept->work->bands;
        // A clip-sensitive call over the edge between two bands is drawn on the whole picture.
        const auto whole = [&](const Call& c) {
            if (!c.clipSensitive)
                return false;
            int reachedBands = 0;
            for (const QRect& band : bands)
                reachedBands += c.bounds.intersects(band);
            return reachedBands > 1;
        };
        std::size_t i = 0;
        while (i < calls.size()) {
            std::size_t j = i;
            const bool serial = whole(calls[i]);
            while (j < calls.size() && whole(calls[j]) == serial)
                ++j;
            std::vector<Call> segment = i == 0 && j == calls.size()
                ? std::move(calls)
                : std::vector<Call>(std::make_move_iterator(calls.begin() + std::ptrdiff_t(i)),
                    std::make_move_iterator(calls.begin() + std::ptrdiff_t(j)));
            handOver(std::move(segment), serial);
            i = j;
        }
    }
    if (finish)
        finishBands();
}

std::shared_ptr<Graphics::BandWork> Graphics::startWork(std::size_t calls)
{
    auto work = std::make_shared<BandWork>();
    const QRect area = m_clip.isEmpty() ? m_deviceRect : m_clip.boundingRect() & m_deviceRect;
    // Strips across the longer side, so that each is as thick as it can be, and more of them than
    // threads: a thread that is done with its band takes the next one waiting.
    const bool columns = area.width() > area.height();
    const int start = columns ? area.left() : area.top();
    const int extent = std::max(0, columns ? area.width() : area.height());
    const int threads = std::max(1, QThreadPool::globalInstance()->maxThreadCount());
    // A small drawing, all of whose calls are known, wakes fewer threads.
    const int most = calls == SIZE_MAX ? extent / MinBandSize : std::min<int>(extent / MinBandSize, int(calls / MinCallsPerBand));
    const int count = std::clamp(most, 1, BandsPerThread * threads);
    work->columns = columns;
    for (int b = 0; b < count; ++b) {
        const int from = start + int(std::int64_t(extent) * b / count), to = start + int(std::int64_t(extent) * (b + 1) / count);
        work->edges.push_back(from);
        const QRect band = columns ? QRect(from, area.top(), to - from, area.height()) : QRect(area.left(), from, area.width(), to - from);
        work->bands.push_back(band);
        work->areas.push_back(m_clip.isEmpty() ? QRegion(band) : m_clip & band);
    }
    work->edges.push_back(start + extent);
    work->queues = std::make_unique<BandWork::Queue[]>(std::size_t(count));

    // A painter of its own for each band, over the picture's pixels.
    const QImage& target = *targetImage();
    uchar* const pixels = const_cast<uchar*>(target.constBits()); // where the painter draws too
    if (!m_bandPainters.empty() && m_bandPainters.front()->picture.constBits() != pixels)
        m_bandPainters.clear(); // the picture has moved
    while (m_bandPainters.size() < std::size_t(count)) {
        auto band = std::make_unique<BandPainter>();
        band->picture = QImage(pixels, target.width(), target.height(), target.bytesPerLine(), target.format());
        band->picture.setDotsPerMeterX(target.dotsPerMeterX());
        band->picture.setDotsPerMeterY(target.dotsPerMeterY());
        band->picture.setDevicePixelRatio(target.devicePixelRatio());
        if (!band->painter.begin(&band->picture))
            throw rt::GraphicsError(rt::GenericError);
        band->painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        band->painter.setRenderHint(QPainter::TextAntialiasing, true);
        m_bandPainters.push_back(std::move(band));
    }
    for (int b = 0; b < count; ++b)
        setClip(m_bandPainters[std::size_t(b)]->painter, work->areas[std::size_t(b)]);
    return work;
}

void Graphics::handOver(std::vector<Call> calls, bool whole)
{
    Kept& kept = *m_kept;
    BandWork& work = *kept.work;
    auto batch = std::make_shared<Batch>();
    batch->calls = std::move(calls);
    if (whole || kept.wholeDrawing) {
        // The whole picture is drawn on, by the painter itself, while no band draws; and after
        // it, the bands start once it is done.
        waitForBands();
        kept.wholeDrawing = false;
    }
    if (whole) {
        // Still on the pool, where Qt fills serially; each path a copy of its own, as the next
        // calls are kept meanwhile.
        kept.wholeDrawing = true;
        batch->bandsLeft = 1;
        work.left.fetch_add(1);
        zov::sys::RunOnPool([this, batch, shared = kept.work] {
            drawOn(m_painter, *m_tools, m_clip, *batch, nullptr, *shared);
            finishedBatch(*batch, *shared);
        });
        return;
    }
    // Each band is handed the calls that reach into it, in order.
    const std::size_t count = work.bands.size();
    batch->reaching.resize(count);
    for (std::size_t i = 0; i < batch->calls.size(); ++i) {
        const QRect& b = batch->calls[i].bounds;
        if (b.isEmpty())
            continue;
        const int from = work.columns ? b.left() : b.top(), to = work.columns ? b.right() : b.bottom();
        // The first band that ends after FROM, to the last that starts at or before TO.
        auto first = std::upper_bound(work.edges.begin() + 1, work.edges.end(), from) - (work.edges.begin() + 1);
        for (std::size_t band = std::size_t(first); band < count && work.edges[band] <= to; ++band)
            if (batch->calls[i].bounds.intersects(work.bands[band]))
                batch->reaching[band].push_back(std::uint32_t(i));
    }
    int bandsReached = 0;
    for (const auto& reaching : batch->reaching)
        bandsReached += !reaching.empty();
    if (bandsReached == 0)
        return;
    batch->bandsLeft = bandsReached;
    // Batches are kept for the bands up to a bound on the memory.
    while (!kept.inFlight.empty() && kept.inFlight.front()->bandsLeft.load(std::memory_order_acquire) == 0)
        kept.inFlight.pop_front();
    if (kept.inFlight.size() >= MaxBatchesInFlight) {
        std::atomic<int>& left = kept.inFlight.front()->bandsLeft;
        for (int v; (v = left.load(std::memory_order_acquire)) != 0;)
            left.wait(v);
        kept.inFlight.pop_front();
    }
    kept.inFlight.push_back(batch);
    work.left.fetch_add(bandsReached);
    for (std::size_t band = 0; band < count; ++band) {
        if (batch->reaching[band].empty())
            continue;
        BandWork::Queue& queue = work.queues[band];
        bool start = false;
        {
            const std::lock_guard<std::mutex> lock(queue.lock);
            queue.batches.push_back(batch);
            start = !std::exchange(queue.draining, true);
        }
        if (start)
            zov::sys::RunOnPool([this, band, shared = kept.work] { drainBand(shared, band); });
    }
}

void Graphics::drainBand(const std::shared_ptr<BandWork>& work, std::size_t band)
{
    BandWork::Queue& queue = work->queues[band];
    BandPainter& painter = *m_bandPainters[band];
    for (;;) {
        std::shared_ptr<Batch> batch;
        {
            const std::lock_guard<std::mutex> lock(queue.lock);
            if (queue.batches.empty()) {
                queue.draining = false;
                return;
            }
            batch = std::move(queue.batches.front());
            queue.batches.pop_front();
        }
        drawOn(painter.painter, painter.tools, work->areas[band], *batch, &batch->reaching[band], *work);
        finishedBatch(*batch, *work);
    }
}

void Graphics::finishedBatch(Batch& batch, BandWork& work)
{
    // Whoever waits holds the batch and the work: both outlive the notices.
    if (batch.bandsLeft.fetch_sub(1, std::memory_order_acq_rel) == 1)
        batch.bandsLeft.notify_all();
    if (work.left.fetch_sub(1, std::memory_order_acq_rel) == 1)
        work.left.notify_all();
}

void Graphics::drawOn(QPainter& painter, PaintTools& tools, const QRegion& area, const Batch& batch,
    const std::vector<std::uint32_t>* reaching, BandWork& work)
{
    try {
        // An outline is mostly filled and then stroked: both calls draw the same copy, which
        // keeps what Qt builds to draw it, as the outline itself does when drawn at once.
        const QPainterPath* copied = nullptr; // the path last copied
        QPainterPath copy;
        const auto draw = [&](const Call& c) {
            if (c.kind != CallKind::Shape || c.from != ShapeFrom::Path || c.path.isEmpty()) {
                run(painter, tools, c, area, shapePath(c)); // a path built here is this band's own
                return;
            }
            if (!copied || !samePath(*copied, c.path)) {
                copy = ownCopy(c.path);
                copied = &c.path.get();
            }
            run(painter, tools, c, area, copy);
        };
        if (reaching)
            for (std::uint32_t i : *reaching)
                draw(batch.calls[i]);
        else
            for (const Call& c : batch.calls)
                draw(c);
    } catch (...) {
        const std::lock_guard<std::mutex> lock(work.failureLock);
        work.failure = std::current_exception();
    }
}

void Graphics::waitForBands()
{
    if (!m_kept || !m_kept->work)
        return;
    BandWork& work = *m_kept->work;
    for (int v; (v = work.left.load(std::memory_order_acquire)) != 0;)
        work.left.wait(v);
    m_kept->inFlight.clear();
    const std::lock_guard<std::mutex> lock(work.failureLock);
    if (std::exception_ptr failure = std::exchange(work.failure, nullptr))
        std::rethrow_exception(failure);
}

void Graphics::finishBands()
{
    waitForBands();
    if (m_kept)
        m_kept->wholeDrawing = false;
}

} // namespace gfx
