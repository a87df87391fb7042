// The costs that depend on a file's layout and on how much changed:
//   - in-place save after one trace header changed, and after all changed,
//     each against the load of the same file (goals: at most 5% and 1.5x);
//   - the load of the benchmark file with every trace's sample count 0
//     (a warning per trace), against the load of the file as it is, and the
//     bytes of messages it gives (goals: at most 1.2x, under 2 KB);
//   - the load of 8,000 traces of 30,000 samples against reading the whole
//     file (goal: at most 0.2x).
// Copies of the inputs are made beside the shared benchmark file and left
// there for later runs.

#include "benchfile.h"
#include "segy.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <functional>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

double bestLoad(const QString& path, qint64* messageBytes = nullptr)
{
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        SEGY segy;
        qint64 bytes = 0;
        QObject::connect(&segy, &SEGY::errorMessage, [&bytes](const QString& m) { bytes += m.toUtf8().size() + 1; });
        segy.setDevice(new QFile(path));
        QElapsedTimer timer;
        timer.start();
        segy.open();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
        if (messageBytes)
            *messageBytes = bytes;
    }
    return best;
}

// A copy of source at name beside it, with edit applied to each 4 MB chunk
// (offset of the chunk in the file, bytes, length).
QString copyWith(const QString& source, const QString& name,
                 const std::function<void(qint64, char*, qint64)>& edit)
{
    const QString path = QFileInfo(source).absolutePath() + QLatin1Char('/') + name;
    if (QFileInfo(path).size() == QFileInfo(source).size())
        return path;
    QFile in(source), out(path);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    std::vector<char> buffer(size_t(4) << 20);
    qint64 at = 0;
    for (qint64 n; (n = in.read(buffer.data(), qint64(buffer.size()))) > 0; at += n) {
        edit(at, buffer.data(), n);
        out.write(buffer.data(), n);
    }
    return path;
}

double timedSave(SEGY& segy)
{
    QElapsedTimer timer;
    timer.start();
    return segy.save() ? timer.nsecsElapsed() / 1e9 : -1;
}

QString makeLongTraces(const QString& beside, int traces, int samples)
{
    const QString path = QFileInfo(beside).absolutePath() + QStringLiteral("/long-traces.sgy");
    const qint64 traceBytes = 240 + qint64(samples) * 4;
    if (QFileInfo(path).size() == 3600 + traces * traceBytes)
        return path;
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    QByteArray head(3600, '\0');
    std::memset(head.data(), 0x40, 3200);
    auto put16 = [&head](int at, int v) { qToBigEndian<qint16>(qint16(v), reinterpret_cast<uchar*>(head.data()) + at); };
    put16(3216, 1000);
    put16(3220, samples);
    put16(3224, 1);
    out.write(head);
    std::vector<uchar> trace(size_t(traceBytes), 0);
    qToBigEndian<quint16>(quint16(samples), trace.data() + 114);
    for (int t = 0; t < traces; ++t) {
        qToBigEndian<qint32>(t + 1, trace.data());
        out.write(reinterpret_cast<const char*>(trace.data()), traceBytes);
    }
    return path;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString path = ensureBenchFile();
    if (path.isEmpty())
        return 1;

    // A private copy for the saves, so the shared file stays as it is.
    const QString edited = copyWith(path, QStringLiteral("million-edited.sgy"), [](qint64, char*, qint64) {});
    // Every trace's sample count set to 0 (traces of 240 + 1000 bytes).
    const qint64 traceBytes = 240 + 4 * 250;
    const QString zeroCounts = copyWith(path, QStringLiteral("million-zero-counts.sgy"), [=](qint64 at, char* data, qint64 n) {
        for (qint64 i = 0; i < n; ++i) {
            const qint64 offset = at + i - 3600;
            if (offset >= 0 && (offset % traceBytes == 114 || offset % traceBytes == 115))
                data[i] = 0;
        }
    });
    const QString longTraces = makeLongTraces(path, 8000, 30000);
    if (edited.isEmpty() || zeroCounts.isEmpty() || longTraces.isEmpty())
        return 1;

    readWholeFile(path);
    const double load = bestLoad(path);

    // Saves in place: one trace changed, then every trace.
    SEGY segy;
    segy.setDevice(new QFile(edited));
    segy.open();
    timedSave(segy);  // the binary header's defaults are filled once
    segy.setTraceHeaderValue(0, 47, QVariant(segy.traceHeaderValue(0, 47) + 1));
    const double saveOne = timedSave(segy);
    for (int t = 0; t < segy.traceCount(); ++t)
        segy.setTraceHeaderValue(t, 47, QVariant(segy.traceHeaderValue(t, 47) + 1));
    const double saveAll = timedSave(segy);

    readWholeFile(zeroCounts);
    qint64 messageBytes = 0;
    const double zeroLoad = bestLoad(zeroCounts, &messageBytes);

    const double readLong = std::min(readWholeFile(longTraces), readWholeFile(longTraces));
    const double loadLong = bestLoad(longTraces);

    std::printf("load, 1,000,000 traces            %.3f s\n", load);
    std::printf("in-place save, one trace changed  %.4f s = %.1f%% of the load (goal <= 5%%)\n", saveOne,
                100.0 * saveOne / load);
    std::printf("in-place save, all traces changed %.3f s = %.2fx the load (goal <= 1.5x)\n", saveAll, saveAll / load);
    std::printf("load, every sample count 0        %.3f s = %.2fx the load (goal <= 1.2x); messages %lld bytes (goal < 2048)\n",
                zeroLoad, zeroLoad / load, static_cast<long long>(messageBytes));
    std::printf("long traces (8,000 x 30,000)      load %.3f s, whole-file read %.3f s: %.3fx (goal <= 0.2x)\n", loadLong,
                readLong, loadLong / readLong);
    return 0;
}
