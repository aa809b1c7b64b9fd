#include "plat/gfx/Path.h"

namespace gfx {

Path::Path()
{
    m_path.setFillRule(Qt::OddEvenFill);
}

void Path::reset()
{
    m_path = QPainterPath();
    m_path.setFillRule(Qt::OddEvenFill);
    m_figureOpen = false;
}

void Path::continueAt(QPointF p)
{
    if (m_figureOpen)
        m_path.lineTo(p);
    else {
        m_path.moveTo(p);
        m_figureOpen = true;
    }
}

void Path::addLine(QPointF a, QPointF b)
{
    continueAt(a);
    m_path.lineTo(b);
}

void Path::closeFigure()
{
    if (m_figureOpen)
        m_path.closeSubpath();
    m_figureOpen = false;
}

void Path::startFigure()
{
    m_figureOpen = false;
}

bool Path::contains(int x, int y) const
{
    return m_path.contains(QPointF(x, y));
}

QRectF Path::pointBounds() const
{
    return m_path.controlPointRect();
}

} // namespace gfx
