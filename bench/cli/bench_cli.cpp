// Times the built trevalon executable on the million-trace benchmark file:
// "stats" of all 91 trace header fields against "info" of the same file,
// and an edit computed from an expression against a plain-value edit of the
// same traces (on a copy of the file), in the same run. Prints figures and
// ratios; checks nothing.

#include "benchfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

void report(const char* what, double seconds)
{
    std::printf("%-44s %.3f s\n", what, seconds);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString file = ensureBenchFile();
    if (file.isEmpty())
        return 1;
    std::printf("file: %s\n", qPrintable(file));
    const int rounds = 3;

    // Best of three, the two commands taking turns, once the file is cached.
    timeProgramRun({file, QStringLiteral("info")});
    double info = 1e9;
    double stats = 1e9;
    for (int round = 0; round < rounds; ++round) {
        info = std::min(info, timeProgramRun({file, QStringLiteral("info")}));
        stats = std::min(stats, timeProgramRun({file, QStringLiteral("stats"), QStringLiteral("--all")}));
    }
    if (info < 0 || stats < 0) {
        std::fprintf(stderr, "info or stats failed\n");
        return 1;
    }
    report("info", info);
    report("stats --all (91 fields)", stats);
    std::printf("  stats takes %.2fx the info time (goal: at most 1.5x)\n", stats / info);

    // Edits change a copy. Each run stores other values than the one
    // before, so that every header is written every time.
    QTemporaryDir dir(QFileInfo(file).absolutePath() + QStringLiteral("/bench-cli-XXXXXX"));
    const QString copy = dir.filePath(QStringLiteral("edited.sgy"));
    if (!dir.isValid() || !QFile::copy(file, copy)) {
        std::fprintf(stderr, "cannot copy the benchmark file\n");
        return 1;
    }
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    double plain = 1e9;
    double indexed = 1e9;
    double fields = 1e9;
    int value = 0;
    timeProgramRun({copy, QStringLiteral("info")});
    for (int round = 0; round < rounds; ++round) {
        const QString v = QString::number(++value);
        plain = std::min(plain, timeProgramRun({copy, QStringLiteral("edit"), QStringLiteral("-t"), QStringLiteral("189=") + v}));
        indexed = std::min(indexed, timeProgramRun({copy, QStringLiteral("edit"), QStringLiteral("-t"),
                                             QStringLiteral("189=1000 + i / 4 + ") + v}));
        fields = std::min(fields, timeProgramRun({copy, QStringLiteral("edit"), QStringLiteral("-t"),
                                           QStringLiteral("189=[21] * 25 + [13] + ") + v}));
    }
    if (plain < 0 || indexed < 0 || fields < 0) {
        std::fprintf(stderr, "an edit failed\n");
        return 1;
    }
    report("edit -t 189=N", plain);
    report("edit -t '189=1000 + i / 4 + N'", indexed);
    report("edit -t '189=[21] * 25 + [13] + N'", fields);
    std::printf("  expressions take %.2fx and %.2fx the plain edit time (goal: at most 2x)\n", indexed / plain,
                fields / plain);
    return 0;
}
