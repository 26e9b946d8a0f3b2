#pragma once
// The subcommands of kestrel-cli. Each takes the arguments after its own name
// and returns the process exit code; usage errors return kExitUsage. Those
// that reach a port take the driver they go through.

#include "ZarvoApi.h"

#include <QStringList>

inline constexpr int kExitUsage = 64;
// Shared by the commands that read a file and open a port.
inline constexpr int kExitNoFile = 2; // missing, unreadable or empty
inline constexpr int kExitNoPort = 3; // the port check failed or the port did not open
// Zarvo.ini holds a value that is no number, or cannot be read.
inline constexpr int kExitBadZarvoIni = 6;

int cmdShow(const QStringList& args);
int cmdRewrite(const QStringList& args);
int cmdRun(const QStringList& args, const ZarvoBinding& driver);
int cmdPorts(const QStringList& args, const ZarvoBinding& driver);
int cmdEval(const QStringList& args);
int cmdWatch(const QStringList& args, const ZarvoBinding& driver);
int cmdConvert(const QStringList& args);
int cmdMonitor(const QStringList& args, const ZarvoBinding& driver);
int cmdDecode(const QStringList& args);

// Prints the usage text on stderr and returns kExitUsage.
int usageError();
