#pragma once
// The monotonic clock that the driver's threads keep time with. The driver
// runs on SteadyClock; tests drive a ManualClock by hand.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

class Clock {
public:
    using Time = std::chrono::nanoseconds; // since an arbitrary, fixed epoch
    static constexpr Time kNever = Time::max();

    virtual ~Clock() = default;
    virtual Time now() const = 0;
    // Waits on `cv` (with `lock` held on entry and on return) until it is
    // notified or `deadline` has come on this clock. May return early; callers
    // re-check their condition.
    virtual void waitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                           Time deadline) const = 0;
};

class SteadyClock final : public Clock {
public:
    Time now() const override;
    void waitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                   Time deadline) const override;
};

// Time moves only when advance() is called. Waiting threads look at the clock
// every 100 µs of real time, so they notice an advance without being notified.
class ManualClock final : public Clock {
public:
    Time now() const override { return Time(now_.load()); }
    void waitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                   Time deadline) const override;
    void advance(Time step) { now_.fetch_add(step.count()); }

private:
    std::atomic<Time::rep> now_{0};
};

// The process-wide steady clock.
Clock& steadyClock();

// Lets the kernel wake the calling thread as close to its deadlines as it can
// (the default timer slack of 50 µs would make every wake-up that late).
// For the driver's timing threads.
void useFinestTimerSlack();

// Raises the calling thread's nice value by `steps` (Linux keeps one per
// thread), so that it yields to the threads that keep time. Where that is not
// allowed the thread runs on at its priority.
void lowerThisThreadsPriority(int steps);
