#pragma once
// Whether a report list shows every text of its first columns whole.

#include <QString>
#include <QTreeWidget>

#include <string>

// "row R, column C: text" of the first cell of columns 0 .. Columns-1 too narrow for its text,
// or an empty string when every text fits.
inline std::string CutCell(const QTreeWidget& list, int columns)
{
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = list.topLevelItem(row);
        for (int column = 0; column < columns; ++column) {
            const int needed = list.sizeHintForIndex(list.indexFromItem(item, column)).width();
            if (needed > list.columnWidth(column))
                return QStringLiteral("row %1, column %2: %3").arg(row).arg(column).arg(item->text(column)).toStdString();
        }
    }
    return {};
}
