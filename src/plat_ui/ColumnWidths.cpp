#include "plat_ui/ColumnWidths.h"

#include <QHeaderView>
#include <QTreeView>

#include <algorithm>

namespace zov::ui {

void WidenColumnsToText(QTreeView& list, std::initializer_list<int> minimumWidths)
{
    QHeaderView& header = *list.header();
    header.setResizeContentsPrecision(-1); // every row, not only those in view
    const QAbstractItemView& view = list; // where the measure of a column's rows is public
    int column = 0;
    for (const int minimum : minimumWidths) {
        const int width = std::max({ minimum, view.sizeHintForColumn(column), header.sectionSizeHint(column) });
        list.setColumnWidth(column, width);
        ++column;
    }
}

} // namespace zov::ui
