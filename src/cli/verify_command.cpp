// tabulon-cli verify: every row and every value of every user table read and decoded, against
// the row count each table definition stores; what could not be read is named.
#include "cli/commands.h"
#include "cli/database_commands.h"
#include "cli/database_schema.h"
#include "cli/pending_output.h"

#include "jet/cursor.h"

#include <cstdio>

namespace cli {

namespace {

// Problems named per table; past this they are counted.
constexpr size_t kNamedPerTable = 50;

std::string shown(const std::string& text) { return oneLine(QString::fromStdString(text)).toStdString(); }

void print(const std::string& text)
{
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
        throw CliError(QStringLiteral("cannot write the output"));
}

std::string rows(uint64_t n) { return std::to_string(n) + (n == 1 ? " row" : " rows"); }

} // namespace

int verifyCommand(const std::string& path)
{
    const std::shared_ptr<jet::Database> db = openJet(path);
    const Schema schema = readSchema(*db);
    catchInterrupts();
    bool lost = false;
    uint64_t totalRows = 0, totalLost = 0;
    size_t badTables = 0;
    for (const TableSchema& t : schema.tables) {
        std::string out = "TABLE " + shown(t.name) + ": ";
        if (!t.table) {
            out += "cannot be read: " + shown(t.error) + "\n";
            print(out);
            lost = true;
            ++badTables;
            continue;
        }
        jet::Cursor cur(t.table);
        const size_t n = cur.columnCount();
        uint64_t read = 0;
        std::vector<std::string> named;
        uint64_t cellProblems = 0;
        while (cur.next()) {
            ++read;
            for (size_t i = 0; i < n; ++i)
                (void)cur.value(i);  // decodes long values and complex cells too
            for (const jet::Error& e : cur.rowErrors()) {
                ++cellProblems;
                if (named.size() < kNamedPerTable) {
                    const jet::RowPosition p = cur.position();
                    named.push_back("row " + std::to_string(p.row) + " of page " + std::to_string(p.page) + ": "
                                    + e.describe());
                }
            }
            if ((read & 0xFFF) == 0)
                checkInterrupted();
        }
        const uint64_t stored = uint64_t(t.table->rowCount());
        const uint64_t unreadable = cur.unreadableRows();
        const uint64_t missing = cur.missingRows();
        totalRows += read;
        out += rows(read) + " read, " + std::to_string(stored) + " stored";
        if (unreadable == 0 && !cur.firstLoss()) {
            out += read == stored ? ": ok\n"
                                  : ": ok (note: the stored row count is out of date; every page was read)\n";
            print(out);
            continue;
        }
        if (unreadable == 0) {
            out += ": ok, every row was read (damage found where no row was lost)\n";
        } else {
            lost = true;
            ++badTables;
            totalLost += unreadable;
            out += ": " + rows(unreadable) + " could not be read";
            if (missing > 0 && missing < unreadable)
                out += " (" + std::to_string(missing) + " missing, " + std::to_string(unreadable - missing)
                       + " with unreadable values)";
            else if (missing > 0)
                out += " (missing)";
            else
                out += " (with unreadable values)";
            out += "\n";
        }
        // Rows and pages skipped, then values that did not decode.
        size_t shownCount = 0;
        for (const jet::Error& e : cur.problems()) {
            if (shownCount++ >= kNamedPerTable)
                break;
            out += "    " + shown(e.describe()) + "\n";
        }
        for (const std::string& s : named) {
            if (shownCount++ >= kNamedPerTable)
                break;
            out += "    " + shown(s) + "\n";
        }
        const uint64_t all = cur.problemCount() + cellProblems;
        if (all > shownCount)
            out += "    ... and " + std::to_string(all - std::min<uint64_t>(all, shownCount)) + " more problems\n";
        print(out);
    }
    std::string tail;
    for (const std::string& p : schema.problems) {
        tail += "CATALOG: " + shown(p) + "\n";
        lost = true;
    }
    tail += "verified " + std::to_string(schema.tables.size()) + (schema.tables.size() == 1 ? " table, " : " tables, ")
            + rows(totalRows) + " read";
    if (lost)
        tail += "; " + (totalLost > 0 ? rows(totalLost) + " could not be read in " : std::string())
                + std::to_string(badTables) + (badTables == 1 ? " table" : " tables") + " with problems";
    tail += "\n";
    print(tail);
    return lost ? RowsLost : Ok;
}

} // namespace cli
