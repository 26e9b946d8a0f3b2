#include "CallbackQueue.h"

CallbackQueue::CallbackQueue() : thread_([this] { run(); }) {}

CallbackQueue::~CallbackQueue() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        jobs_.clear();
    }
    wake_.notify_one();
    thread_.join();
}

void CallbackQueue::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        if (quit_)
            return;
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

bool CallbackQueue::idle() const {
    std::lock_guard lock(mutex_);
    return jobs_.empty() && !running_;
}

void CallbackQueue::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || !jobs_.empty(); });
        if (quit_)
            return;
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        running_ = true;
        lock.unlock();
        job();
        lock.lock();
        running_ = false;
    }
}
