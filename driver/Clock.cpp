#include "Clock.h"

#include <cerrno>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

Clock::Time SteadyClock::now() const {
    return std::chrono::steady_clock::now().time_since_epoch();
}

void SteadyClock::waitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                            Time deadline) const {
    if (deadline == kNever)
        cv.wait(lock);
    else
        cv.wait_until(lock, std::chrono::steady_clock::time_point(deadline));
}

void ManualClock::waitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                            Time deadline) const {
    if (deadline > now())
        cv.wait_for(lock, std::chrono::microseconds(100));
}

Clock& steadyClock() {
    static SteadyClock clock;
    return clock;
}

void useFinestTimerSlack() {
    (void)prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL); // 1 ns, the smallest the kernel takes
}

void lowerThisThreadsPriority(int steps) {
    const auto self = static_cast<id_t>(gettid());
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, self);
    if (errno == 0)
        (void)setpriority(PRIO_PROCESS, self, nice + steps);
}
