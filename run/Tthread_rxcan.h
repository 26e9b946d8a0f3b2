#pragma once
// TThread_RxCAN: during a run, keeps its own receive queue of the port
// (ZarvoReader) empty and reports the port's health. Responses are judged by the receive callbacks,
// not here; the frames this thread reads are discarded.
//
// Life cycle: created suspended; the run control resumes it when a run starts,
// suspends it when a run completes, and starts and stops its polling with
// StartReceive() / StopReceive(). A suspended thread stops at its next wait:
// before a pass or while it waits for its wake event.
//
// Thread-safe: every public method may be called from any thread; the run
// control calls them on the UI thread. The status report runs on the polling
// thread and is expected to block until the UI thread has shown it, so a UI
// thread that waits for IsBusy() to turn false keeps serving such calls.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class ZarvoReader;

class TThread_RxCAN {
public:
    // `reportStatus` receives the port status (0 healthy) once per pass.
    explicit TThread_RxCAN(std::function<void(uint32_t status)> reportStatus);
    // Ends the thread; must not be called while a pass may be waiting for
    // the thread that destroys it (stop the polling and wait for IsBusy() first).
    ~TThread_RxCAN();
    TThread_RxCAN(const TThread_RxCAN&) = delete;
    TThread_RxCAN& operator=(const TThread_RxCAN&) = delete;

    void Resume();
    void Suspend();
    // Polls the port ZarvoPort (taken now) until StopReceive().
    void StartReceive();
    void StopReceive();
    // True from StartReceive() until the polling loop has been left; a pass
    // under way when StopReceive() comes keeps it true until it ends.
    bool IsBusy() const;

private:
    void Execute();
    // One pass: the status report, then the waiting frames or a 10 ms pause.
    void Pass(uint8_t port, ZarvoReader& reader);
    void DrainReceiveQueue(ZarvoReader& reader, uint16_t count);

    std::function<void(uint32_t)> reportStatus_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool suspended_ = true;
    bool wake_ = false; // the auto-reset wake event
    bool requested_ = false;
    bool busy_ = false;
    bool inPass_ = false;
    bool terminated_ = false;
    uint8_t port_ = 0;
    std::thread thread_;
};
