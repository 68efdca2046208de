#include "explorer/data_grid.h"

#include <QTableWidget>

#include <algorithm>

namespace datagrid {

int rowCount(const QTableWidget& grid)
{
    return grid.rowCount() + 1;
}

void setRowCount(QTableWidget& grid, int rows)
{
    grid.setRowCount(std::max(rows - 1, 0));
}

void setColumnCount(QTableWidget& grid, int columns)
{
    const int before = grid.columnCount();
    grid.setColumnCount(std::max(columns, 0));
    for (int c = before; c < grid.columnCount(); ++c)
        grid.setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
}

QString cell(const QTableWidget& grid, int row, int column)
{
    const QTableWidgetItem* item = row == 0 ? grid.horizontalHeaderItem(column) : grid.item(row - 1, column);
    return item ? item->text() : QString();
}

void setCell(QTableWidget& grid, int row, int column, const QString& text)
{
    if (column < 0 || column >= grid.columnCount() || row < 0 || row >= rowCount(grid))
        return;
    if (row == 0) {
        if (QTableWidgetItem* header = grid.horizontalHeaderItem(column))
            header->setText(text);
        else
            grid.setHorizontalHeaderItem(column, new QTableWidgetItem(text));
        return;
    }
    if (QTableWidgetItem* item = grid.item(row - 1, column))
        item->setText(text);
    else
        grid.setItem(row - 1, column, new QTableWidgetItem(text));
}

} // namespace datagrid
