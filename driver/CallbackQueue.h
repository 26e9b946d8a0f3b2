#pragma once
// Runs a port's callbacks on a thread of its own, one at a time, in the order
// they were posted. Every job belongs to a transmit group, so that a stopped
// group's notices can be withdrawn. Receive notices are bounded: a slow
// callback cannot make the queue grow without limit. Thread-safe.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

class CallbackQueue {
public:
    static constexpr size_t kReceiveNoticeLimit = 1024;

    explicit CallbackQueue(size_t receiveLimit = kReceiveNoticeLimit);
    // Drops the jobs still waiting and waits for the running one to return.
    ~CallbackQueue();
    CallbackQueue(const CallbackQueue&) = delete;
    CallbackQueue& operator=(const CallbackQueue&) = delete;

    void post(int group, std::function<void()> job);
    // A receive notice; false (and dropped) when the limit of waiting receive
    // notices is reached.
    bool postReceive(int group, std::function<void()> job);
    // Drops the waiting jobs of `group` (every group when unset) and, unless
    // called from a job, waits until a running job of it has returned: after
    // this no job posted before it runs.
    void withdraw(std::optional<int> group);
    // True when no job is waiting or running.
    bool idle() const;
    // True on the thread that runs the jobs.
    bool onQueueThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    struct Job {
        int group;
        bool receive;
        std::function<void()> run;
    };

    void run();

    const size_t receiveLimit_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::deque<Job> jobs_;
    size_t receiveJobs_ = 0;
    std::optional<int> runningGroup_;
    bool quit_ = false;
    std::thread thread_;
};
