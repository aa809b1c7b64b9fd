#include "diagram_view/DiagramView.h"

#include "plat_ui/ErrorReport.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTimerEvent>
#include <QWheelEvent>

namespace zov {

DiagramView::DiagramView(QWidget* parent)
    : TGDIPPanel(parent)
    , m_diagram(std::make_unique<TDiagram>(this))
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true); // hovering needs moves without a button
    OnPaint = [this](gfx::Graphics& g) { PaintDiagram(g); };
}

DiagramView::~DiagramView()
{
    m_diagram->SetHost(nullptr);
}

bool DiagramView::SetFocus()
{
    if (!isVisible())
        return false;
    setFocus(Qt::OtherFocusReason);
    return true;
}

void DiagramView::Repaint()
{
    // At once, and only where the picture changed (the moving ghosts, a new step).
    const QRegion region = m_diagram->RepaintRegion();
    if (!region.isEmpty())
        viewport()->repaint(region);
}

void DiagramView::paintEvent(QPaintEvent* event)
{
    TGDIPPanel::paintEvent(event);
    m_diagram->Painted(m_composed);
    // A paint that found the view scrolled redrew the static picture, and showed only part of it.
    if (m_diagram->StaticPictureChanged() && !(QRegion(viewport()->rect()) - m_composed).isEmpty())
        viewport()->update();
}

bool DiagramView::PaintCovers(const QRect& r) const
{
    return m_diagram->StaticPictureCovers(r);
}

void DiagramView::ScrollBarsChanged()
{
    SyncScrollBars();
}

void DiagramView::SyncScrollBars()
{
    // The diagram holds the scroll state; the bars only show it.
    m_syncing = true;
    const TDiagram& d = *m_diagram;
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setPageStep(d.ClientWidth());
    v->setPageStep(d.ClientHeight());
    h->setRange(0, std::max(0, d.FScrollRangeH - d.ClientWidth()));
    v->setRange(0, std::max(0, d.FScrollRangeV - d.ClientHeight()));
    h->setValue(d.FScrollPosH);
    v->setValue(d.FScrollPosV);
    m_syncing = false;
}

void DiagramView::scrollContentsBy(int, int)
{
    if (m_syncing)
        return;
    // The user moved a bar: the next paint takes the new view origin from it.
    m_diagram->FScrollPosH = horizontalScrollBar()->value();
    m_diagram->FScrollPosV = verticalScrollBar()->value();
    viewport()->update();
}

void DiagramView::resizeEvent(QResizeEvent* event)
{
    TGDIPPanel::resizeEvent(event);
    const QSize size = viewport()->size();
    m_diagram->SetClientSize(size.width(), size.height());
}

namespace {

int ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= ssShift;
    if (modifiers & Qt::AltModifier)
        shift |= ssAlt;
    if (modifiers & Qt::ControlModifier)
        shift |= ssCtrl;
    if (buttons & Qt::LeftButton)
        shift |= ssLeft;
    if (buttons & Qt::RightButton)
        shift |= ssRight;
    if (buttons & Qt::MiddleButton)
        shift |= ssMiddle;
    return shift;
}

MouseButton ButtonOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::RightButton: return MouseButton::Right;
    case Qt::MiddleButton: return MouseButton::Middle;
    default: return MouseButton::Left;
    }
}

} // namespace

template <class F> void DiagramView::Guarded(F&& handler)
{
    // The objects reach the diagram they belong to while its window handles an event.
    CurrentDiagramScope current(m_diagram.get());
    try {
        handler();
    } catch (const std::exception& e) {
        // Stop first: a timer that keeps ticking would raise the same error again and again.
        if (m_diagram->FDisplayMode == dmAnimation && !m_diagram->FPaused) {
            m_timer.stop();
            m_diagram->FPaused = 1;
            if (m_diagram->OnPause)
                m_diagram->OnPause(true);
        }
        ReportError(e);
    }
}

void DiagramView::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    Guarded([&] { m_diagram->FormMouseDown(ButtonOf(event->button()), ShiftOf(event->modifiers(), event->buttons()), at.x(), at.y()); });
}

void DiagramView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of two quick ones comes only as a double click, which the scroll area
    // would drop: it is a press like any other (the next step of a boat placed click after click,
    // a boat clicked again just after its setup window was closed).
    mousePressEvent(event);
}

void DiagramView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    Guarded([&] { m_diagram->FormMouseMove(ShiftOf(event->modifiers(), event->buttons()), at.x(), at.y()); });
}

void DiagramView::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    Guarded([&] { m_diagram->FormMouseUp(ButtonOf(event->button()), ShiftOf(event->modifiers(), event->buttons()), at.x(), at.y()); });
}

void DiagramView::wheelEvent(QWheelEvent* event)
{
    const int shift = ShiftOf(event->modifiers(), event->buttons());
    bool handled = false;
    Guarded([&] {
        if (event->angleDelta().y() > 0)
            handled = m_diagram->MouseWheelUp(shift);
        else if (event->angleDelta().y() < 0)
            handled = m_diagram->MouseWheelDown(shift);
    });
    if (handled)
        event->accept();
    else
        TGDIPPanel::wheelEvent(event);
}

void DiagramView::keyPressEvent(QKeyEvent* event)
{
    Guarded([&] { m_diagram->FormKeyDown(event->key(), ShiftOf(event->modifiers(), Qt::NoButton)); });
    // The key is not consumed: the window's own handling still sees it. But no key scrolls the
    // view (only the scroll bars and the mouse do), so the scroll area, which would step and
    // page on the arrows and Page Up/Down, never gets it: in animation Page Down would advance a
    // step and throw the boats off the screen as well.
    QWidget::keyPressEvent(event);
}

void DiagramView::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer.timerId())
        Guarded([&] { m_diagram->WMTimer(1); });
    else
        TGDIPPanel::timerEvent(event);
}

void DiagramView::SetCursor(ViewCursor cursor)
{
    switch (cursor) {
    case ViewCursor::Cross: viewport()->setCursor(Qt::CrossCursor); break;
    case ViewCursor::PointingHand: viewport()->setCursor(Qt::PointingHandCursor); break;
    case ViewCursor::Grip: viewport()->setCursor(Qt::ClosedHandCursor); break;
    default: viewport()->unsetCursor(); break;
    }
}

void DiagramView::StartAnimationTimer(int ms)
{
    m_timer.start(ms, this);
}

void DiagramView::StopAnimationTimer()
{
    m_timer.stop();
}

void DiagramView::Hide()
{
    hide();
}

void DiagramView::PaintDiagram(gfx::Graphics& g)
{
    try {
        m_diagram->MyPaint(g);
        m_lastPaintError.clear();
    } catch (const std::exception& e) {
        // A failing paint would fail again at every repaint: report it once, keep the window usable.
        if (e.what() != m_lastPaintError) {
            m_lastPaintError = e.what();
            ReportError(e);
        }
    }
}

} // namespace zov
