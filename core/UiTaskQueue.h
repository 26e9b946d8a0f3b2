#pragma once
// Blocking calls from worker threads onto one serving thread, without an event
// loop: the stand-in for the toolkit's blocking queued call in kestrel-cli and
// in the tests of the worker threads.
//
// Thread-safe: runBlocking() may be called from any thread but the serving
// one; drain() and serveFor() only from the serving thread.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

class UiTaskQueue {
public:
    // Queues `task` and waits until the serving thread has run it.
    void runBlocking(const std::function<void()>& task);

    // Runs every task queued so far; returns how many ran.
    int drain();

    // Runs tasks as they arrive for `duration`.
    void serveFor(std::chrono::milliseconds duration);

private:
    struct Pending {
        uint64_t ticket;
        std::function<void()> task;
    };

    std::mutex mutex_;
    std::condition_variable queued_;
    std::condition_variable finished_;
    std::deque<Pending> tasks_;
    uint64_t nextTicket_ = 0;
    uint64_t doneTickets_ = 0; // tickets below this have run
};
