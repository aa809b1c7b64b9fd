#pragma once
// Draws a list's grid as a report view shows it: a line under each row and at the right of
// each column, in one colour.

#include <QColor>
#include <QPainter>
#include <QStyledItemDelegate>

namespace zov::ui {

class GridDelegate : public QStyledItemDelegate {
public:
    GridDelegate(QColor colour, QObject* parent)
        : QStyledItemDelegate(parent)
        , m_colour(colour)
    {
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(m_colour);
        const QRect r = option.rect;
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->restore();
    }

private:
    QColor m_colour;
};

} // namespace zov::ui
