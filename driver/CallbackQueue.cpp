#include "CallbackQueue.h"

#include <algorithm>

CallbackQueue::CallbackQueue(size_t receiveLimit)
    : receiveLimit_(receiveLimit), thread_([this] { run(); }) {}

CallbackQueue::~CallbackQueue() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        jobs_.clear();
    }
    wake_.notify_one();
    thread_.join();
}

void CallbackQueue::post(int group, std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        if (quit_)
            return;
        jobs_.push_back({group, false, std::move(job)});
    }
    wake_.notify_one();
}

bool CallbackQueue::postReceive(int group, std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        if (quit_)
            return true;
        if (receiveJobs_ >= receiveLimit_)
            return false;
        ++receiveJobs_;
        jobs_.push_back({group, true, std::move(job)});
    }
    wake_.notify_one();
    return true;
}

void CallbackQueue::withdraw(std::optional<int> group) {
    std::unique_lock lock(mutex_);
    const auto concerned = [&](int g) { return !group || *group == g; };
    const auto dropped = std::remove_if(jobs_.begin(), jobs_.end(),
                                        [&](const Job& job) { return concerned(job.group); });
    receiveJobs_ -= static_cast<size_t>(
        std::count_if(dropped, jobs_.end(), [](const Job& job) { return job.receive; }));
    jobs_.erase(dropped, jobs_.end());
    if (onQueueThread())
        return;
    finished_.wait(lock, [&] { return !runningGroup_ || !concerned(*runningGroup_); });
}

bool CallbackQueue::idle() const {
    std::lock_guard lock(mutex_);
    return jobs_.empty() && !runningGroup_;
}

void CallbackQueue::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || !jobs_.empty(); });
        if (quit_)
            return;
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        if (job.receive)
            --receiveJobs_;
        runningGroup_ = job.group;
        lock.unlock();
        job.run();
        lock.lock();
        runningGroup_.reset();
        finished_.notify_all();
    }
}
