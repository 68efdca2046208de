#pragma once
// What a whole-database command could not carry over, table by table: rows the reader could not
// read, rows the output refused, values kept only rounded, tables that did not open. Each makes
// the exit status 3 and is said on stderr, one line each, by print() once the output is in
// place: a run that fails says only why it failed.

#include "cli/sqlite_schema.h"

#include "jet/cursor.h"
#include "jet/result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cli {

class Progress;

struct TableLoss {
    uint64_t rows = 0;            // rows the reader gave
    uint64_t unreadable = 0;      // rows missing or with unreadable cells
    uint64_t missing = 0;         // of those, rows not there at all
    std::optional<jet::Error> first;
    uint64_t refusedRows = 0;     // rows the output refused (a key the data breaks)
    std::string firstRefusal;
    std::vector<std::pair<std::string, uint64_t>> roundedValues;  // column, values kept rounded
    std::vector<std::pair<std::string, uint64_t>> binaryLeftOut;  // complex column, items whose data is left out

    void takeScan(const jet::Cursor& cursor);
    void refused(const std::string& why, jet::RowPosition where);
    void rounded(const std::string& column, uint64_t count) { roundedValues.emplace_back(column, count); }
    void leftOut(const std::string& column, uint64_t items) { binaryLeftOut.emplace_back(column, items); }
    bool lost() const { return unreadable > 0 || refusedRows > 0 || !roundedValues.empty() || !binaryLeftOut.empty(); }
};

class LossReport {
public:
    explicit LossReport(Progress& progress) : progress_(progress) {}

    // A table that could not be opened at all.
    void tableFailed(const std::string& name, const std::string& error, std::vector<MetaRow>* meta = nullptr);
    void tableFailed(const std::string& name, const std::string& error, std::vector<MetaRow>& meta) { tableFailed(name, error, &meta); }
    // A table read to its end; `outputName` names it where the output keeps it.
    void table(const std::string& name, const std::string& outputName, const TableLoss& loss,
               std::vector<MetaRow>* meta = nullptr);
    void table(const std::string& name, const std::string& outputName, const TableLoss& loss, std::vector<MetaRow>& meta)
    {
        table(name, outputName, loss, &meta);
    }
    // Something changed on the way that loses nothing (a renamed table).
    void note(const std::string& text);
    // Part of the catalog that could not be read.
    void problem(const std::string& text);

    bool anyLoss() const { return lost_; }
    // Writes the lines gathered so far to stderr.
    void print();
    int exitCode() const;

private:
    void line(const std::string& text) { lines_.push_back(text); }
    Progress& progress_;
    std::vector<std::string> lines_;
    bool lost_ = false;
};

} // namespace cli
