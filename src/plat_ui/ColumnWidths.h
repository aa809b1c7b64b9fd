#pragma once
// Report lists whose columns never cut their text: each column is as wide as its longest text
// (its caption included), and never narrower than the width it was designed with.

#include <initializer_list>

class QTreeView;

namespace zov::ui {

// Sets the columns of List, in order, to the widest of their minimum width, their caption and
// every row's text. Columns beyond the widths given are left alone (a last column that stretches).
void WidenColumnsToText(QTreeView& list, std::initializer_list<int> minimumWidths);

} // namespace zov::ui
