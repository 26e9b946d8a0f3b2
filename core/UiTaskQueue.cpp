#include "UiTaskQueue.h"

void UiTaskQueue::runBlocking(const std::function<void()>& task) {
    std::unique_lock lock(mutex_);
    const uint64_t ticket = nextTicket_++;
    tasks_.push_back({ticket, task});
    queued_.notify_all();
    finished_.wait(lock, [&] { return doneTickets_ > ticket; });
}

int UiTaskQueue::drain() {
    int ran = 0;
    std::unique_lock lock(mutex_);
    while (!tasks_.empty()) {
        Pending next = std::move(tasks_.front());
        tasks_.pop_front();
        lock.unlock();
        next.task();
        lock.lock();
        // Tasks are taken in ticket order, so this one finishes every earlier ticket.
        doneTickets_ = next.ticket + 1;
        finished_.notify_all();
        ++ran;
    }
    return ran;
}

void UiTaskQueue::serveFor(std::chrono::milliseconds duration) {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    for (;;) {
        drain();
        std::unique_lock lock(mutex_);
        if (!queued_.wait_until(lock, deadline, [&] { return !tasks_.empty(); }))
            return;
    }
}
