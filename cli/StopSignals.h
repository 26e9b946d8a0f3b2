#pragma once
// SIGINT and SIGTERM for the commands that run until stopped: the first
// signal only asks the command to stop (it then finishes its output as Stop
// does); a second one ends the process at once by the signal's default action.
//
// The handler only stores the signal number (async-signal-safe); the command
// polls stopSignal() from its own loop.

#include <QString>

class StopSignals {
public:
    // Installs the handlers; the destructor restores the default actions.
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal received, or 0.
    static int stopSignal();
    // "SIGINT" or "SIGTERM"; empty while none was received.
    static QString stopSignalName();
    // The exit code of a command ended by the signal: 128 + its number.
    static int exitCode() { return 128 + stopSignal(); }
};
