#include "cli/table_loss.h"

#include "cli/commands.h"
#include "cli/progress.h"

#include <cstdio>

namespace cli {

namespace {

QString quoted(const std::string& name) { return QStringLiteral("'%1'").arg(QString::fromStdString(name)); }

} // namespace

void TableLoss::takeScan(const jet::Cursor& cursor)
{
    unreadable = cursor.unreadableRows();
    missing = cursor.missingRows();
    first = cursor.firstLoss();
}

void TableLoss::refused(const std::string& why, jet::RowPosition where)
{
    if (refusedRows++ == 0)
        firstRefusal = why + " (row " + std::to_string(where.row) + " of page " + std::to_string(where.page) + ")";
}

void LossReport::tableFailed(const std::string& name, const std::string& error, std::vector<MetaRow>* meta)
{
    lost_ = true;
    line("table '" + name + "' could not be read and is not in the output: " + error);
    if (meta)
        meta->push_back({"table", "", name, "error", error});
}

void LossReport::table(const std::string& name, const std::string& outputName, const TableLoss& loss,
                       std::vector<MetaRow>* meta)
{
    if (!loss.lost() && !loss.first)
        return;
    const QString first = loss.first ? QString::fromStdString(loss.first->describe()) : QString();
    if (loss.unreadable > 0) {
        lost_ = true;
        line(lossMessage(quoted(name), loss.unreadable, static_cast<long long>(loss.missing), first).toStdString());
        if (meta) {
            meta->push_back({"table", outputName, "", "unreadable_rows", std::to_string(loss.unreadable)});
            meta->push_back({"table", outputName, "", "missing_rows", std::to_string(loss.missing)});
            if (loss.first)
                meta->push_back({"table", outputName, "", "first_problem", loss.first->describe()});
        }
    } else if (loss.first) {
        line(harmlessDamageMessage(quoted(name), first).toStdString());
    }
    if (loss.refusedRows > 0) {
        lost_ = true;
        line(std::to_string(loss.refusedRows) + (loss.refusedRows == 1 ? " row of '" : " rows of '") + name
             + "' broke a key of the table and " + (loss.refusedRows == 1 ? "is" : "are")
             + " not in the output; first: " + loss.firstRefusal);
        if (meta)
            meta->push_back({"table", outputName, "", "refused_rows", std::to_string(loss.refusedRows)});
    }
    for (const auto& [column, count] : loss.roundedValues) {
        lost_ = true;
        line(std::to_string(count) + (count == 1 ? " value" : " values") + " of '" + name + "'.'" + column
             + "' " + (count == 1 ? "has" : "have")
             + " more than 15 significant digits; SQLite keeps such numbers only rounded");
        if (meta)
            meta->push_back({"column", outputName, column, "rounded_values", std::to_string(count)});
    }
    for (const auto& [column, count] : loss.binaryLeftOut) {
        lost_ = true;
        line("the file data of " + std::to_string(count) + (count == 1 ? " item" : " items") + " of '" + name
             + "'.'" + column + "' is not in the output (only the items' other fields are)");
        if (meta)
            meta->push_back({"column", outputName, column, "binary_left_out", std::to_string(count)});
    }
}

void LossReport::note(const std::string& text) { line("note: " + text); }

void LossReport::problem(const std::string& text)
{
    lost_ = true;
    line(text);
}

void LossReport::print()
{
    progress_.clear();
    for (const std::string& l : lines_)
        std::fprintf(stderr, "tabulon-cli: %s\n", oneLine(QString::fromStdString(l)).toUtf8().constData());
    lines_.clear();
}

int LossReport::exitCode() const { return lost_ ? RowsLost : Ok; }

} // namespace cli
