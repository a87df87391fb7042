#include "referenceload.h"

#include "segy.h"
#include "textcodec.h"

#include <QObject>

namespace {

class Bytes
{
public:
    Bytes(const QByteArray& data, bool littleEndian) : m_data(data), m_le(littleEndian) {}

    // Values past the end of the data read as zero bytes.
    quint8 byte(qint64 at) const { return at >= 0 && at < m_data.size() ? quint8(m_data[int(at)]) : 0; }
    qint16 i16(qint64 at) const
    {
        const quint16 a = byte(at), b = byte(at + 1);
        return qint16(m_le ? quint16(a | (b << 8)) : quint16((a << 8) | b));
    }
    quint16 u16(qint64 at) const { return quint16(i16(at)); }
    quint64 u(qint64 at, int width) const
    {
        quint64 v = 0;
        for (int k = 0; k < width; ++k)
            v |= quint64(byte(at + (m_le ? k : width - 1 - k))) << (8 * k);
        return v;
    }

private:
    const QByteArray& m_data;
    bool m_le;
};

int bytesPerSample(int code)
{
    switch (code) {
    case 1: case 2: case 4: case 5: case 10: return 4;
    case 3: case 11: return 2;
    case 8: case 16: return 1;
    case 6: case 9: case 12: return 8;
    case 7: case 15: return 3;
    default: return 0;
    }
}

}  // namespace

ReferenceLoad referenceLoad(const QByteArray& file)
{
    ReferenceLoad r;
    const qint64 size = file.size();
    // Revision 2: the constant 16909060 at 3297-3300 gives the byte order.
    const quint64 constant = Bytes(file, false).u(3296, 4);
    r.littleEndian = constant == 0x04030201u || (constant != 0x01020304u && Bytes(file, false).i16(3224) > 16);
    const Bytes b(file, r.littleEndian);

    const qint16 revision = b.i16(3500);
    const bool revision2 = b.byte(3500) == 2;
    if (revision != 0 && revision != 1 && revision != 0x100 && !revision2)
        r.messages << QStringLiteral("Unsupported revision number %1 found in file.").arg(revision);
    // Its extended sample count, first trace offset, additional trace
    // headers (3507-3508, or 3507-3510 as 2.0 may write it) and trailer.
    const qint64 extendedSamples = revision2 ? qint32(b.u(3268, 4)) : 0;
    const qint64 firstOffset = revision2 ? qint64(b.u(3520, 8)) : 0;
    const qint64 wideMaximum = qint32(b.u(3506, 4));
    const int maxExtensions = !revision2 ? 0 : b.i16(3506) > 0 ? b.i16(3506) : (wideMaximum > 0 && wideMaximum <= 0xFFFF ? int(wideMaximum) : 0);
    const qint32 stanzas = revision2 ? qint32(b.u(3528, 4)) : 0;
    const qint64 declaredTraces = revision2 ? qint64(b.u(3512, 8)) : 0;

    const qint16 declared = b.i16(3504);
    qint64 at = 3600;
    if (declared == -1) {
        r.unendedRun = true;
        while (at < size) {
            const QByteArray block = file.mid(int(at), 3200).leftJustified(3200, '\0');
            at += 3200;
            ++r.extendedBlocks;
            if (isEndTextBlock(block)) {
                r.unendedRun = false;
                break;
            }
        }
    } else {
        for (int i = 0; i < declared && at < size; ++i) {
            at += 3200;
            ++r.extendedBlocks;
        }
    }

    const int sampleBytes = bytesPerSample(b.i16(3224));
    const int binarySamples = extendedSamples > 0 ? int(extendedSamples) : b.u16(3220);
    qint64 first = 3600 + 3200LL * r.extendedBlocks;
    if (firstOffset >= first && firstOffset <= size)
        first = firstOffset;
    const qint64 fileSize = size;
    const qint64 dataEnd = size - (stanzas > 0 && 3200LL * stanzas <= size - first ? 3200LL * stanzas : 0);
    // A walk by the traces' own counts that ends exactly at the end of the
    // file wins; else traces of the binary header's length when they fill
    // the file exactly (at once when the fixed-length flag 3503 is 1).
    const qint64 fixedLength = 240LL * (1 + maxExtensions) + qint64(binarySamples) * sampleBytes;
    const bool fits = binarySamples > 0 && sampleBytes > 0 && dataEnd > first && (dataEnd - first) % fixedLength == 0;
    const bool flag = b.i16(3502) == 1;
    QStringList walkMessages;
    QVector<qint64> walkPositions;
    auto walk = [&](bool fixed) {
        walkMessages.clear();
        walkPositions.clear();
        qint64 end = first;
        int number = 1;
        int invalid = 0;
        int disagreeing = 0;
        for (qint64 position = first; position < dataEnd; ++number) {
            // A trailer of unknown length starts after the declared traces,
            // or at a stanza filling the rest of the file.
            if (stanzas == -1 && (fileSize - position) % 3200 == 0
                && (declaredTraces > 0 ? walkPositions.size() == declaredTraces
                                       : file.mid(int(position), 6) == "((SEG:" || file.mid(int(position), 6) == "\x4D\x4D\xE2\xC5\xC7\x7A"))
                break;
            walkPositions << position;
            int samples = b.u16(position + 114);
            int extensions = 0;
            if (maxExtensions > 0) {
                extensions = b.u16(position + 240 + 156) > 0 ? b.u16(position + 240 + 156) : maxExtensions;
                const quint64 own = b.u(position + 240 + 136, 4);
                if (own > 0 && own <= 0x7FFFFFFF)
                    samples = int(own);
            }
            if (samples == 0) {
                if (++invalid <= 10)
                    walkMessages << QStringLiteral("Invalid samples count at trace index %1.").arg(number - 1);
                samples = binarySamples;
            } else if (fixed && samples != binarySamples) {
                ++disagreeing;
            }
            if (fixed)
                samples = binarySamples;
            // A header cut short by the end of the file leaves the device there.
            position = qMin(position + 240LL * (1 + extensions), dataEnd) + qint64(samples) * sampleBytes;
            end = position;
            const int percent = int(qMin(position, size) * 100.0 / size);
            if (r.progress.isEmpty() || r.progress.last() < percent)
                r.progress << percent;
        }
        if (invalid > 10)
            walkMessages << QStringLiteral("The same warning was given for %1 more traces.").arg(invalid - 10);
        if (disagreeing > 0)
            walkMessages << QStringLiteral("The trace headers of %1 traces give a samples count other than the binary "
                                           "header's %2; the file holds traces of %2 samples exactly, so it was read "
                                           "that way.").arg(disagreeing).arg(binarySamples);
        return end;
    };
    qint64 end = walk(fits && flag);
    if (end != dataEnd && fits && !flag)
        end = walk(true);
    r.messages << walkMessages;
    r.positions = walkPositions;
    if (end > dataEnd && !r.positions.isEmpty())
        r.messages << QStringLiteral("The last trace is cut short: %1 bytes missing.").arg(end - dataEnd);
    if (r.positions.isEmpty())
        r.messages << QStringLiteral("End of file reached before any trace header could be found in file.")
                   << QStringLiteral("Error loading segy.");
    r.ok = !r.positions.isEmpty();
    return r;
}

ObservedLoad observeLoad(SEGY& segy)
{
    ObservedLoad o;
    QObject context;
    QObject::connect(&segy, &SEGY::errorMessage, &context, [&](const QString& m) { o.messages << m; });
    QObject::connect(&segy, &SEGY::loadProgress, &context, [&](int p) { o.progress << p; });
    QObject::connect(&segy, &SEGY::loadCompleted, &context, [&] { ++o.completed; });
    QObject::connect(&segy, &SEGY::errorLoading, &context, [&] { ++o.failed; });
    QObject::connect(&segy, &SEGY::ioOperationCompleted, &context, [&] { ++o.finished; });
    o.ok = segy.open();
    return o;
}
