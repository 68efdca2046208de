#include "cli/progress.h"

#include <unistd.h>

#include <cstdio>

namespace cli {

Progress::Progress() : Progress(::isatty(STDERR_FILENO) == 1) {}

Progress::Progress(bool enabled) : enabled_(enabled) {}

Progress::~Progress() { clear(); }

void Progress::table(const std::string& name, size_t number, size_t count, uint64_t expectedRows)
{
    if (!enabled_)
        return;
    name_ = name;
    step_.clear();
    number_ = number;
    count_ = count;
    expected_ = expectedRows;
    rows_ = 0;
    draw();
}

void Progress::step(const std::string& what)
{
    if (!enabled_)
        return;
    step_ = what;
    draw();
}

void Progress::maybeDraw()
{
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ >= std::chrono::milliseconds(200))
        draw();
}

void Progress::draw()
{
    last_ = std::chrono::steady_clock::now();
    std::string line = "\r[" + std::to_string(number_) + "/" + std::to_string(count_) + "] " + name_ + ": ";
    if (!step_.empty()) {
        line += step_;
    } else {
        line += std::to_string(rows_) + (rows_ == 1 ? " row" : " rows");
        // The stored count can be stale: never past 99 % before the table ends.
        if (expected_ > 0) {
            uint64_t pct = rows_ * 100 / expected_;
            line += " (" + std::to_string(pct > 99 ? 99 : pct) + " %)";
        }
    }
    line += "\x1b[K";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    shown_ = true;
}

void Progress::clear()
{
    if (!shown_)
        return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    shown_ = false;
}

} // namespace cli
