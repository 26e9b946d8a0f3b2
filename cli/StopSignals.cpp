#include "StopSignals.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t receivedSignal = 0;

void SetAction(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

extern "C" void OnStopSignal(int signal) {
    receivedSignal = signal;
    // From now on either signal takes its default action: the second one ends the process.
    SetAction(SIGINT, SIG_DFL);
    SetAction(SIGTERM, SIG_DFL);
}

} // namespace

StopSignals::StopSignals() {
    receivedSignal = 0;
    SetAction(SIGINT, OnStopSignal);
    SetAction(SIGTERM, OnStopSignal);
}

StopSignals::~StopSignals() {
    SetAction(SIGINT, SIG_DFL);
    SetAction(SIGTERM, SIG_DFL);
}

int StopSignals::stopSignal() {
    return receivedSignal;
}

QString StopSignals::stopSignalName() {
    switch (stopSignal()) {
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    default:
        return {};
    }
}
