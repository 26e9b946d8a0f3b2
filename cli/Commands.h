#pragma once
// The subcommands of kestrel-cli. Each takes the arguments after its own name
// and returns the process exit code; usage errors return kExitUsage.

#include <QStringList>

inline constexpr int kExitUsage = 64;

int cmdShow(const QStringList& args);
int cmdRewrite(const QStringList& args);
int cmdRun(const QStringList& args);
int cmdPorts(const QStringList& args);
int cmdEval(const QStringList& args);
int cmdWatch(const QStringList& args);

// Prints the usage text on stderr and returns kExitUsage.
int usageError();
