// Times how long the built trevalon executable takes to start: "info" on a
// one-trace file against this program run as a Qt Core program that prints
// one line, in the same run (best and median of many runs each). Prints
// figures and the ratio; checks nothing.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A file of one trace of one 4-byte IEEE sample.
bool writeOneTraceFile(const QString& path)
{
    QByteArray bytes(3600 + 240 + 4, '\0');
    auto put16 = [&bytes](int byte, quint16 v) { qToBigEndian(v, reinterpret_cast<uchar*>(bytes.data()) + byte - 1); };
    put16(3217, 1000);  // sample interval
    put16(3221, 1);     // samples
    put16(3225, 5);     // IEEE floats
    put16(3600 + 115, 1);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct Times {
    double best = 1e9, median = 0;
};

Times timeRuns(const QString& program, const QStringList& arguments, int runs)
{
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        process.start(program, arguments);
        if (!process.waitForFinished(-1) || process.exitCode() != 0)
            return {-1, -1};
        seconds.push_back(timer.nsecsElapsed() / 1e9);
    }
    std::sort(seconds.begin(), seconds.end());
    return {seconds.front(), seconds[seconds.size() / 2]};
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().value(1) == QLatin1String("--hello")) {
        std::puts("hello");
        return 0;
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("one-trace.sgy"));
    if (!dir.isValid() || !writeOneTraceFile(file)) {
        std::fprintf(stderr, "cannot write the one-trace file\n");
        return 1;
    }
    const QString trevalon = QCoreApplication::applicationDirPath() + QStringLiteral("/trevalon");
    const int runs = 50;
    Times hello, info;
    // Taking turns, so that both see the same machine.
    for (int round = 0; round < 2; ++round) {
        const Times h = timeRuns(QCoreApplication::applicationFilePath(), {QStringLiteral("--hello")}, runs / 2);
        const Times i = timeRuns(trevalon, {file, QStringLiteral("info")}, runs / 2);
        if (h.best < 0 || i.best < 0) {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
        hello = {std::min(hello.best, h.best), hello.median + h.median / 2};
        info = {std::min(info.best, i.best), info.median + i.median / 2};
    }
    std::printf("Qt Core program printing a line  best %.1f ms, median %.1f ms\n", hello.best * 1e3, hello.median * 1e3);
    std::printf("trevalon FILE info, one trace    best %.1f ms, median %.1f ms\n", info.best * 1e3, info.median * 1e3);
    std::printf("  info takes %.2fx the Qt Core program's time (best; goal: at most 1.5x)\n", info.best / hello.best);
    return 0;
}
