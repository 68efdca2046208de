#pragma once
// Stopping a statement that runs too long: every connection asks now and then (SQLite's
// progress handler, and long scans of the reader) whether to stop; the statement then fails
// with kCancelledMessage. The request comes from a signal handler (requestInterrupt is
// async-signal-safe) or from a poll that the caller installs while a statement runs, for
// example one that lets the GUI see the Esc key.

#include <QString>

#include <functional>

namespace sql {

inline constexpr const char* kCancelledMessage = "The statement was cancelled.";

// Stops the statement that runs now, and any that starts before clearInterrupt().
void requestInterrupt() noexcept;
void clearInterrupt() noexcept;
// True when the running statement should stop. Calls the installed poll at most every 50 ms.
bool interruptRequested() noexcept;

// While alive, `poll` is asked whether to stop (true: stop). Clears any earlier request when it
// starts and when it ends, so a late Esc never stops the next statement.
class InterruptPoll {
public:
    explicit InterruptPoll(std::function<bool()> poll);
    ~InterruptPoll();
    InterruptPoll(const InterruptPoll&) = delete;
    InterruptPoll& operator=(const InterruptPoll&) = delete;

private:
    std::function<bool()> m_previous;
};

} // namespace sql
