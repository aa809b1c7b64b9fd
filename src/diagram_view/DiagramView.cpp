#include "diagram_view/DiagramView.h"

#include <QResizeEvent>
#include <QScrollBar>

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
    viewport()->repaint();
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

void DiagramView::PaintDiagram(gfx::Graphics& g)
{
    try {
        m_diagram->MyPaint(g);
        m_lastPaintError.clear();
    } catch (const std::exception& e) {
        // A failing paint would fail again at every repaint: report it once, keep the window usable.
        if (e.what() != m_lastPaintError) {
            m_lastPaintError = e.what();
            qWarning("Paint failed: %s", e.what());
        }
    }
}

} // namespace zov
