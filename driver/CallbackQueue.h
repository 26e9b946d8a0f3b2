#pragma once
// Runs a port's callbacks on a thread of its own, one at a time, in the order
// they were posted. Thread-safe.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class CallbackQueue {
public:
    CallbackQueue();
    // Drops the jobs still waiting and waits for the running one to return.
    ~CallbackQueue();
    CallbackQueue(const CallbackQueue&) = delete;
    CallbackQueue& operator=(const CallbackQueue&) = delete;

    void post(std::function<void()> job);
    // True when no job is waiting or running.
    bool idle() const;
    // True on the thread that runs the jobs.
    bool onQueueThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    void run();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool running_ = false;
    bool quit_ = false;
    std::thread thread_;
};
