#include "Tthread_rxcan.h"

#include "Globals.h"
#include "ZarvoApi.h"
#include "ZarvoReader.h"

#include <chrono>

TThread_RxCAN::TThread_RxCAN(std::function<void(uint32_t)> reportStatus)
    : reportStatus_(std::move(reportStatus)), thread_([this] { Execute(); }) {}

TThread_RxCAN::~TThread_RxCAN() {
    {
        std::lock_guard lock(mutex_);
        terminated_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void TThread_RxCAN::Resume() {
    {
        std::lock_guard lock(mutex_);
        suspended_ = false;
    }
    changed_.notify_all();
}

void TThread_RxCAN::Suspend() {
    std::lock_guard lock(mutex_);
    suspended_ = true;
}

void TThread_RxCAN::StartReceive() {
    {
        std::lock_guard lock(mutex_);
        port_ = ZarvoPort;
        requested_ = true;
        busy_ = true;
        wake_ = true;
    }
    changed_.notify_all();
}

void TThread_RxCAN::StopReceive() {
    {
        std::lock_guard lock(mutex_);
        requested_ = false;
        // A pass under way clears the flag itself when it ends, so the waiter
        // never goes on while the pass still reports to the UI thread.
        if (!inPass_)
            busy_ = false;
    }
    changed_.notify_all();
}

bool TThread_RxCAN::IsBusy() const {
    std::lock_guard lock(mutex_);
    return busy_;
}

void TThread_RxCAN::Execute() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return (wake_ && !suspended_) || terminated_; });
        if (terminated_)
            return;
        wake_ = false;
        // A queue of this thread's own while it polls (the trend window's
        // thread takes none of it); closed when the polling stops, so that
        // it does not fill up and report an overflow between runs.
        ZarvoReader reader;
        for (;;) {
            changed_.wait(lock, [this] { return !suspended_ || terminated_; });
            if (terminated_)
                return;
            if (!requested_) {
                busy_ = false;
                break;
            }
            busy_ = true;
            inPass_ = true;
            const uint8_t port = port_;
            lock.unlock();
            Pass(port, reader);
            lock.lock();
            inPass_ = false;
        }
    }
}

void TThread_RxCAN::Pass(uint8_t port, ZarvoReader& reader) {
    uint32_t status = 1; // "port not open" stays when the call is refused (an unknown port)
    uint32_t second = 0;
    zarvo().Zarvo_GetPortStatus(port, &status, &second);
    reportStatus_(status);
    if (const uint16_t count = reader.count(port); count > 0) {
        DrainReceiveQueue(reader, count);
        return;
    }
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(10),
                      [this] { return !requested_ || terminated_; });
}

void TThread_RxCAN::DrainReceiveQueue(ZarvoReader& reader, uint16_t count) {
    ZarvoFrameBuffer frame;
    for (uint16_t i = 0; i < count; ++i)
        reader.read(frame);
}
