#pragma once
// The data grid as rows and columns the way the program counts them: row 0 is the fixed header
// row (the table widget's horizontal header), data rows start at 1.

#include <QString>

class QTableWidget;

namespace datagrid {

int rowCount(const QTableWidget& grid);
// New rows are empty; removed rows lose their cells. At least the header row remains.
void setRowCount(QTableWidget& grid, int rows);
// New columns get an empty header cell.
void setColumnCount(QTableWidget& grid, int columns);
QString cell(const QTableWidget& grid, int row, int column);
void setCell(QTableWidget& grid, int row, int column, const QString& text);

} // namespace datagrid
