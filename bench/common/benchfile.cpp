#include "benchfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QtEndian>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <sys/resource.h>
#include <vector>

namespace {

void put32(uchar* p, qint32 v) { qToBigEndian<qint32>(v, p); }
void put16(uchar* p, qint16 v) { qToBigEndian<qint16>(v, p); }

QString cannotMake(const QString& path)
{
    std::fprintf(stderr, "cannot make the benchmark file %s\n", qPrintable(path));
    return QString();
}

// Writes a survey of traces × samples (IBM samples, a fixed wavelet) to path
// atomically unless a file of the right size is there; header(t, h) fills the
// 240 header bytes of trace t (the same buffer for every trace).
QString ensureSurvey(const QString& path, int traces, int samples, const std::function<void(int, uchar*)>& header)
{
    const qint64 expected = 3600 + qint64(traces) * (240 + 4 * samples);
    if (QFileInfo(path).size() == expected)
        return path;
    QDir().mkpath(QFileInfo(path).absolutePath());
    std::fprintf(stderr, "making %s (%d traces)...\n", qPrintable(path), traces);

    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return cannotMake(path);
    uchar bin[400] = {};
    put32(bin + 4, 7);
    put16(bin + 12, 48);
    put16(bin + 16, 4000);
    put16(bin + 18, 4000);
    put16(bin + 20, qint16(samples));
    put16(bin + 22, qint16(samples));
    put16(bin + 24, 1);
    put16(bin + 54, 1);
    put16(bin + 300, 1);
    out.write(QByteArray(3200, char(0x40)) + QByteArray(reinterpret_cast<const char*>(bin), 400));

    std::vector<uchar> trace(size_t(240 + 4 * samples), 0);
    for (int i = 0; i < samples; ++i) {
        const double v = std::sin(i * 0.1) * 1000.0 * std::exp(-i * 0.01);
        // IBM encoding of v (truncated mantissa)
        quint32 word = 0;
        if (v != 0.0) {
            double m = std::fabs(v);
            int e = 64;
            while (m >= 1.0) { m /= 16.0; ++e; }
            while (m < 1.0 / 16.0) { m *= 16.0; --e; }
            word = (v < 0 ? 0x80000000u : 0u) | (quint32(e) << 24) | (quint32(m * 16777216.0) & 0xFFFFFF);
        }
        qToBigEndian<quint32>(word, trace.data() + 240 + 4 * i);
    }
    std::vector<uchar> chunk;
    chunk.reserve(size_t(8) << 20);
    for (int t = 0; t < traces; ++t) {
        header(t, trace.data());
        put16(trace.data() + 114, qint16(samples));
        chunk.insert(chunk.end(), trace.begin(), trace.end());
        if (chunk.size() >= (size_t(8) << 20)) {
            if (out.write(reinterpret_cast<const char*>(chunk.data()), qint64(chunk.size())) != qint64(chunk.size()))
                return cannotMake(path);
            chunk.clear();
        }
    }
    if (out.write(reinterpret_cast<const char*>(chunk.data()), qint64(chunk.size())) != qint64(chunk.size()))
        return cannotMake(path);
    return out.commit() ? path : cannotMake(path);
}

QString benchDirectory()
{
    const QByteArray dir = qgetenv("TREVALON_BENCH_DIR");
    return dir.isEmpty() ? QStringLiteral("/tmp/trevalon-bench") : QString::fromLocal8Bit(dir);
}

// Where receiver station k of the field line was surveyed, in centimetres:
// every 12.5 m along a gently winding line, off its nominal place by up to
// 30 cm either way.
void station(int k, qint32* x, qint32* y)
{
    const double d = 12.5 * k;
    const double nx = 432150.0 + 0.8 * d + 60.0 * std::sin(k / 700.0);
    const double ny = 4581320.0 + 0.6 * d + 60.0 * std::cos(k / 900.0);
    quint32 h = quint32(k) * 2654435761u;
    h ^= h >> 15;
    *x = qint32(std::lround(nx * 100)) + int(h % 61) - 30;
    *y = qint32(std::lround(ny * 100)) + int((h / 61) % 61) - 30;
}

}  // namespace

QString benchFilePath()
{
    const QByteArray file = qgetenv("TREVALON_BENCH_FILE");
    if (!file.isEmpty())
        return QString::fromLocal8Bit(file);
    return benchDirectory() + QStringLiteral("/million.sgy");
}

QString ensureBenchFile(int traces, int samples)
{
    // A straight 2-D line in ED50 / UTM zone 31N metres with scalar -100.
    return ensureSurvey(benchFilePath(), traces, samples, [](int t, uchar* h) {
        const int shot = t / 48, channel = t % 48;
        const double sx = 432150.0 + shot * 25.0, sy = 4581320.0 + shot * 12.5;
        const double gx = sx + 100.0 + channel * 12.5, gy = sy + 50.0 + channel * 6.25;
        put32(h + 0, t + 1);
        put32(h + 4, t + 1);
        put32(h + 8, 1001 + shot);
        put32(h + 12, channel + 1);
        put32(h + 16, 5001 + shot);
        put32(h + 20, 2001 + 2 * shot + channel);
        put32(h + 24, channel + 1);
        put16(h + 28, 1);
        put32(h + 36, 100 + channel * 14);
        put32(h + 40, 12000 + (t % 97));
        put16(h + 68, -100);
        put16(h + 70, -100);
        put32(h + 72, qint32(sx * 100));
        put32(h + 76, qint32(sy * 100));
        put32(h + 80, qint32(gx * 100));
        put32(h + 84, qint32(gy * 100));
        put16(h + 88, 1);
        put16(h + 116, 4000);
        put32(h + 180, qint32((sx + gx) * 50));
        put32(h + 184, qint32((sy + gy) * 50));
        put32(h + 188, 1000 + shot);
        put32(h + 192, 2000 + channel);
    });
}

QString fieldBenchFilePath()
{
    return benchDirectory() + QStringLiteral("/field.sgy");
}

QString ensureFieldBenchFile()
{
    const int Channels = 500;
    return ensureSurvey(fieldBenchFilePath(), 2000 * Channels, 250, [](int t, uchar* h) {
        const int shot = t / Channels, channel = t % Channels;
        const int sourceStation = 2 * shot + Channels / 2, receiverStation = 2 * shot + channel;
        qint32 sx, sy, gx, gy;
        station(sourceStation, &sx, &sy);
        sx += 80;  // the source stands a metre inline of its station peg
        sy += 60;
        station(receiverStation, &gx, &gy);
        const double offset = std::hypot(double(gx - sx), double(gy - sy)) / 100.0;
        put32(h + 0, t + 1);
        put32(h + 4, t + 1);
        put32(h + 8, 1001 + shot);
        put32(h + 12, channel + 1);
        put32(h + 16, 1000 + sourceStation);
        put32(h + 20, sourceStation + receiverStation);
        put32(h + 24, 1);
        put16(h + 28, 1);
        put32(h + 36, qint32(std::lround(channel < Channels / 2 ? -offset : offset)));
        put32(h + 40, 12000 + sourceStation % 97);
        put16(h + 68, -100);
        put16(h + 70, -100);
        put32(h + 72, sx);
        put32(h + 76, sy);
        put32(h + 80, gx);
        put32(h + 84, gy);
        put16(h + 88, 1);
        put16(h + 116, 4000);
        put32(h + 180, (sx + gx) / 2);
        put32(h + 184, (sy + gy) / 2);
        put32(h + 188, 1000 + shot);
        put32(h + 192, 1000 + receiverStation);
    });
}

qint64 peakResidentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

double childrenCpuSeconds()
{
    rusage r{};
    getrusage(RUSAGE_CHILDREN, &r);
    return r.ru_utime.tv_sec + r.ru_utime.tv_usec / 1e6 + r.ru_stime.tv_sec + r.ru_stime.tv_usec / 1e6;
}

double timeProgramRun(const QStringList& arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/trevalon"), arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return -1;
    return timer.nsecsElapsed() / 1e9;
}

double readWholeFile(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    std::vector<char> buffer(size_t(8) << 20);
    while (f.read(buffer.data(), qint64(buffer.size())) > 0) {
    }
    return timer.nsecsElapsed() / 1e9;
}
