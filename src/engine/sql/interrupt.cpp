#include "sql/interrupt.h"

#include <atomic>
#include <chrono>

namespace sql {

namespace {

std::atomic<bool> g_requested{false};

struct PollState {
    std::function<bool()> poll;
    std::chrono::steady_clock::time_point last{};
};

PollState& pollState()
{
    thread_local PollState state;
    return state;
}

} // namespace

void requestInterrupt() noexcept
{
    g_requested.store(true, std::memory_order_relaxed);
}

void clearInterrupt() noexcept
{
    g_requested.store(false, std::memory_order_relaxed);
}

bool interruptRequested() noexcept
{
    if (g_requested.load(std::memory_order_relaxed)) return true;
    PollState& s = pollState();
    if (!s.poll) return false;
    const auto now = std::chrono::steady_clock::now();
    if (now - s.last < std::chrono::milliseconds(50)) return false;
    s.last = now;
    try {
        if (s.poll()) requestInterrupt();
    } catch (...) {
        // A poll that fails cannot ask for a stop.
    }
    return g_requested.load(std::memory_order_relaxed);
}

InterruptPoll::InterruptPoll(std::function<bool()> poll)
{
    clearInterrupt();
    PollState& s = pollState();
    m_previous = std::move(s.poll);
    s.poll = std::move(poll);
    s.last = std::chrono::steady_clock::now();
}

InterruptPoll::~InterruptPoll()
{
    pollState().poll = std::move(m_previous);
    clearInterrupt();
}

} // namespace sql
