#pragma once
// A one-line progress display on stderr for long runs (table name, rows, percent), shown only
// when stderr is a terminal; silent otherwise, so scripts and logs get only the messages.

#include <chrono>
#include <cstdint>
#include <string>

namespace cli {

class Progress {
public:
    Progress();                      // on when stderr is a terminal
    explicit Progress(bool enabled);
    ~Progress();

    bool enabled() const { return enabled_; }
    // A new table: its place in the run and the row count its definition states (may be stale).
    void table(const std::string& name, size_t number, size_t count, uint64_t expectedRows);
    // Called for every row; redraws at most a few times a second.
    void row()
    {
        if (enabled_ && (++rows_ & 0x3FF) == 0)
            maybeDraw();
    }
    // Rows so far, for writers that count them themselves.
    void setRows(uint64_t rows)
    {
        if (!enabled_)
            return;
        rows_ = rows;
        maybeDraw();
    }
    // What the current table does now that is no row ("indexes").
    void step(const std::string& what);
    // Clears the line before a message or at the end.
    void clear();

private:
    void maybeDraw();
    void draw();
    bool enabled_ = false;
    bool shown_ = false;
    std::string name_;
    std::string step_;
    size_t number_ = 0, count_ = 0;
    uint64_t expected_ = 0, rows_ = 0;
    std::chrono::steady_clock::time_point last_{};
};

} // namespace cli
