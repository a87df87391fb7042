// Times the built trevalon executable on the million-trace benchmark file:
// "scan" (every trace header read, candidate fields judged, the suggestions
// checked over every trace) against "info" of the same file, in the same
// run. Prints figures and the ratio; checks nothing.

#include "benchfile.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString file = ensureBenchFile();
    if (file.isEmpty())
        return 1;
    std::printf("file: %s\n", qPrintable(file));
    readWholeFile(file);
    // Best of three, the two commands taking turns, once the file is cached.
    double info = 1e9;
    double scan = 1e9;
    for (int round = 0; round < 3; ++round) {
        info = std::min(info, timeProgramRun({file, QStringLiteral("info"), QStringLiteral("--quiet")}));
        scan = std::min(scan, timeProgramRun({file, QStringLiteral("scan"), QStringLiteral("--quiet")}));
    }
    if (info < 0 || scan < 0) {
        std::fprintf(stderr, "info or scan failed\n");
        return 1;
    }
    std::printf("%-20s %.3f s\n", "info", info);
    std::printf("%-20s %.3f s\n", "scan", scan);
    std::printf("  scan takes %.2fx the info time (goal: at most 2x)\n", scan / info);
    return 0;
}
