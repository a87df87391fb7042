// Times the trace-header text export and import and the trace sort on the
// million-trace benchmark file, against segyio-catr printing the same
// headers. Prints figures and ratios; checks nothing.

#include "benchfile.h"
#include "segy.h"
#include "tracesort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>

namespace {

double seconds(const QElapsedTimer& timer)
{
    return timer.nsecsElapsed() / 1e9;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString file = ensureBenchFile();
    if (file.isEmpty())
        return 1;
    QTemporaryDir dir(QFileInfo(file).absolutePath() + QStringLiteral("/bench-text-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a scratch directory\n");
        return 1;
    }
    const QString csv = dir.filePath(QStringLiteral("headers.csv"));
    const QString separator = QStringLiteral(", ");

    SEGY segy;
    segy.setDevice(new QFile(file));
    QElapsedTimer timer;
    timer.start();
    if (!segy.open()) {
        std::fprintf(stderr, "cannot load %s\n", qPrintable(file));
        return 1;
    }
    const double load = seconds(timer);
    std::printf("file:    %s, %d traces\n", qPrintable(file), segy.traceCount());
    std::printf("load:    %.3f s\n", load);

    timer.restart();
    if (!segy.exportTraceHeadersToASCIIFile(csv, separator)) {
        std::fprintf(stderr, "export failed\n");
        return 1;
    }
    const double exported = seconds(timer);
    std::printf("export:  %.3f s (%.1f MB of text)\n", exported, QFileInfo(csv).size() / 1e6);

    double catr = 0;
    const QString catrProgram = QStandardPaths::findExecutable(QStringLiteral("segyio-catr"));
    if (!catrProgram.isEmpty()) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        timer.restart();
        process.start(catrProgram, {QStringLiteral("-r"), QStringLiteral("1"),
                                    QString::number(segy.traceCount()), file});
        process.waitForFinished(-1);
        catr = seconds(timer);
        std::printf("segyio-catr -r 1 %d: %.3f s (exit %d)\n", segy.traceCount(), catr, process.exitCode());
        std::printf("  export is %.1fx faster than segyio-catr (goal: at least 2x)\n", catr / exported);
    } else {
        std::printf("segyio-catr: not installed\n");
    }

    timer.restart();
    if (!segy.importTraceHeadersFromASCIIFile(csv, separator)) {
        std::fprintf(stderr, "import failed\n");
        return 1;
    }
    const double imported = seconds(timer);
    std::printf("import:  %.3f s, %.2fx the export time (goal: at most 2x)\n", imported, imported / exported);

    // Descending channel, ascending shot, then the receiver elevation: ties
    // in the first two keys keep the third busy. Best of three runs from
    // file order, as the machine may be shared.
    const QList<TraceHeaderSortKey> keys = {{6, false}, {4, true}, {12, true}};
    TraceHeaderList list;
    double sort = 1e9;
    for (int run = 0; run < 3; ++run) {
        list.loadFrom(&segy);
        timer.restart();
        list.sort(keys);
        sort = qMin(sort, seconds(timer));
    }
    std::printf("sort by 3 keys: %.3f s, %.3f of the load time (goal: under 0.1)\n", sort, sort / load);
    // Again from that sorted order, by keys that undo most of it.
    const QList<TraceHeaderSortKey> again = {{4, false}, {6, true}, {0, false}};
    timer.restart();
    list.sort(again);
    const double sortAgain = seconds(timer);
    std::printf("sort again by 3 other keys: %.3f s, %.3f of the load time\n", sortAgain, sortAgain / load);
    std::printf("peak resident: %.0f MB\n", peakResidentBytes() / 1e6);
    return 0;
}
