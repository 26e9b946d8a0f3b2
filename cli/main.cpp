// kestrel-cli: Kestrel's command-line companion for scripts and CI.

#include "Commands.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

// A subcommand runs either on its arguments alone or on a port as well.
struct Subcommand {
    const char* name;
    int (*run)(const QStringList& args) = nullptr;
    int (*runOnPort)(const QStringList& args, const ZarvoBinding& driver) = nullptr;
};

constexpr Subcommand kSubcommands[] = {
    {"show", cmdShow},        {"rewrite", cmdRewrite},
    {"run", nullptr, cmdRun}, {"ports", nullptr, cmdPorts},
    {"eval", cmdEval},        {"watch", nullptr, cmdWatch},
    {"convert", cmdConvert},  {"monitor", nullptr, cmdMonitor},
    {"decode", cmdDecode},
};

void printUsage(std::FILE* stream) {
    std::fputs("usage: kestrel-cli show FILE\n"
               "       kestrel-cli rewrite IN OUT\n"
               "       kestrel-cli run FILE [--port N] [--bitrate B] [--group] [--item ROW]\n"
               "                   [--timeout S] [--junit OUT.xml] [--csv OUT.csv] [--report]\n"
               "                   [--trace OUT.log|OUT.asc]\n"
               "       kestrel-cli ports [--search]\n"
               "       kestrel-cli eval EXPR\n"
               "       kestrel-cli watch [TRENDFILE] [--port N] [--bitrate B] [--duration S]\n"
               "                   [--period MS] [--dbc FILE --signal MSG.SIG ...]\n"
               "       kestrel-cli convert IN OUT\n"
               "       kestrel-cli monitor [--port N] [--bitrate B] [--duration S]\n"
               "                   [--filter ID[:MASK]]... [--log OUT] [--asc OUT]\n"
               "       kestrel-cli decode --dbc FILE TRACE [--json]\n"
               "       kestrel-cli --help\n",
               stream);
}

bool isHelp(const QString& arg) {
    return arg == QLatin1String("--help") || arg == QLatin1String("-h") ||
           arg == QLatin1String("help");
}

} // namespace

int usageError() {
    printUsage(stderr);
    return kExitUsage;
}

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kestrel"));
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return usageError();
    const QString name = args.takeFirst();
    if (isHelp(name)) {
        printUsage(stdout);
        return 0;
    }
    for (const Subcommand& sub : kSubcommands) {
        if (name == QLatin1String(sub.name))
            return sub.run ? sub.run(args) : sub.runOnPort(args, builtinZarvoBinding());
    }
    return usageError();
}
