#include "fixture.h"

#include <limits>

#include <QCryptographicHash>
#include <QFile>
#include <QtEndian>
#include <cmath>
#include <cstring>

namespace {

// ASCII to EBCDIC for the printable range, enough for fixture text.
char ebcdicOf(char c)
{
    static const char* ascii = " .<(+|&!$*);-/,%_>?`:#@'=\"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static const unsigned char ebcdic[] = {
        0x40, 0x4B, 0x4C, 0x4D, 0x4E, 0x6A, 0x50, 0x4F, 0x5B, 0x5C, 0x5D, 0x5E, 0x60, 0x61, 0x6B, 0x6C,
        0x6D, 0x6E, 0x6F, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,
        0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97,
        0x98, 0x99, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9,
        0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7,
        0xD8, 0xD9, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9,
        0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9};
    const char* at = std::strchr(ascii, c);
    return (at && c) ? char(ebcdic[at - ascii]) : char(0x40);
}

}  // namespace

quint32 referenceIbmWord(double value)
{
    if (value == 0.0)
        return 0;
    quint32 sign = value < 0 ? 0x80000000u : 0;
    double v = std::fabs(value);
    int exponent = 64;
    while (v >= 1.0) {
        v /= 16.0;
        ++exponent;
    }
    while (v < 1.0 / 16.0) {
        v *= 16.0;
        --exponent;
    }
    const quint32 mantissa = quint32(v * 16777216.0);  // truncates, as IBM encoders do
    return sign | (quint32(exponent) << 24) | (mantissa & 0xFFFFFF);
}

SegyFixture::SegyFixture(QDataStream::ByteOrder order)
    : m_order(order), m_text(3200, char(0x40)), m_binary(400, '\0')
{
}

void SegyFixture::put(QByteArray& block, int offset, qint64 value, int width) const
{
    auto* p = reinterpret_cast<uchar*>(block.data() + offset);
    const bool le = m_order == QDataStream::LittleEndian;
    switch (width) {
    case 8: le ? qToLittleEndian<qint64>(value, p) : qToBigEndian<qint64>(value, p); break;
    case 4: le ? qToLittleEndian<qint32>(qint32(value), p) : qToBigEndian<qint32>(qint32(value), p); break;
    case 2: le ? qToLittleEndian<qint16>(qint16(value), p) : qToBigEndian<qint16>(qint16(value), p); break;
    default: *p = uchar(value); break;
    }
}

SegyFixture& SegyFixture::bin16(int fileByte, qint16 value)
{
    put(m_binary, fileByte - 3201, value, 2);
    return *this;
}

SegyFixture& SegyFixture::bin32(int fileByte, qint32 value)
{
    put(m_binary, fileByte - 3201, value, 4);
    return *this;
}

SegyFixture& SegyFixture::bin8(int fileByte, quint8 value)
{
    put(m_binary, fileByte - 3201, value, 1);
    return *this;
}

SegyFixture& SegyFixture::bin64(int fileByte, quint64 value)
{
    put(m_binary, fileByte - 3201, qint64(value), 8);
    return *this;
}

SegyFixture& SegyFixture::binDouble(int fileByte, double value)
{
    qint64 bits;
    std::memcpy(&bits, &value, 8);
    put(m_binary, fileByte - 3201, bits, 8);
    return *this;
}

SegyFixture& SegyFixture::revision2(int minor)
{
    return bin8(3501, 2).bin8(3502, quint8(minor)).bin32(3297, 16909060);
}

SegyFixture& SegyFixture::gap(const QByteArray& bytes)
{
    m_gap = bytes;
    return *this;
}

SegyFixture& SegyFixture::addExtensions(int trace, int count)
{
    for (int k = count; k >= 1; --k) {
        QByteArray block(240, '\0');
        QByteArray name = k == 1 ? QByteArray("SEG00001") : "PRIVATE" + QByteArray::number(k);
        if (k == 1)
            for (char& c : name)
                c = ebcdicOf(c);
        block.replace(232, 8, name.left(8));
        m_traces[trace].insert(240, block);
    }
    return *this;
}

SegyFixture& SegyFixture::ext(int trace, int extension, int byte, qint64 value, int width)
{
    put(m_traces[trace], 240 * extension + byte - 1, value, width);
    return *this;
}

SegyFixture& SegyFixture::extDouble(int trace, int extension, int byte, double value)
{
    qint64 bits;
    std::memcpy(&bits, &value, 8);
    return ext(trace, extension, byte, bits, 8);
}

SegyFixture& SegyFixture::geometry(int samplesPerTrace, int formatCode, int intervalUs)
{
    bin16(3217, qint16(intervalUs));
    bin16(3221, qint16(samplesPerTrace));
    bin16(3225, qint16(formatCode));
    return *this;
}

SegyFixture& SegyFixture::text(const QByteArray& asciiText, bool ascii)
{
    QByteArray t = asciiText.left(3200);
    if (ascii) {
        t.append(QByteArray(3200 - t.size(), ' '));
    } else {
        for (char& c : t)
            c = ebcdicOf(c);
        t.append(QByteArray(3200 - t.size(), char(0x40)));
    }
    m_text = t;
    return *this;
}

SegyFixture& SegyFixture::extendedBlock(const QByteArray& rawBlock)
{
    QByteArray b = rawBlock.left(3200);
    b.append(QByteArray(3200 - b.size(), char(0x40)));
    m_extended.append(b);
    return *this;
}

int SegyFixture::addTrace(int sampleCount, const QByteArray& rawSamples)
{
    QByteArray trace(240, '\0');
    put(trace, 114, sampleCount, 2);
    trace += rawSamples;
    m_traces.append(trace);
    return m_traces.size() - 1;
}

QByteArray SegyFixture::encodeSample(int formatCode, double value) const
{
    QByteArray b(8, '\0');
    switch (formatCode) {
    case 1: put(b, 0, qint32(referenceIbmWord(value)), 4); return b.left(4);
    case 2: case 4: put(b, 0, qint32(value), 4); return b.left(4);
    case 3: put(b, 0, qint16(value), 2); return b.left(2);
    case 5: {
        const float f = float(value);
        quint32 bits;
        std::memcpy(&bits, &f, 4);
        put(b, 0, qint32(bits), 4);
        return b.left(4);
    }
    case 6: {
        quint64 bits;
        std::memcpy(&bits, &value, 8);
        put(b, 0, qint32(bits >> 32), 4);
        put(b, 4, qint32(bits), 4);
        if (m_order == QDataStream::LittleEndian)
            return b.mid(4, 4) + b.left(4);
        return b;
    }
    case 7: {
        put(b, 0, qint32(value), 4);
        return m_order == QDataStream::LittleEndian ? b.left(3) : b.mid(1, 3);
    }
    case 8: put(b, 0, qint8(value), 1); return b.left(1);
    default: return QByteArray();
    }
}

int SegyFixture::addTrace(int sampleCount, int formatCode, const std::function<double(int)>& value)
{
    QByteArray samples;
    for (int i = 0; i < sampleCount; ++i)
        samples += encodeSample(formatCode, value(i));
    return addTrace(sampleCount, samples);
}

SegyFixture& SegyFixture::tr16(int trace, int traceByte, qint16 value)
{
    put(m_traces[trace], traceByte - 1, value, 2);
    return *this;
}

SegyFixture& SegyFixture::tr32(int trace, int traceByte, qint32 value)
{
    put(m_traces[trace], traceByte - 1, value, 4);
    return *this;
}

SegyFixture& SegyFixture::trBytes(int trace, int traceByte, const QByteArray& raw)
{
    m_traces[trace].replace(traceByte - 1, raw.size(), raw);
    return *this;
}

SegyFixture& SegyFixture::tail(const QByteArray& bytes)
{
    m_tail = bytes;
    return *this;
}

SegyFixture& SegyFixture::truncateBy(int bytes)
{
    m_truncate = bytes;
    return *this;
}

QByteArray SegyFixture::bytes() const
{
    QByteArray out = m_text + m_binary;
    for (const QByteArray& b : m_extended)
        out += b;
    out += m_gap;
    for (const QByteArray& t : m_traces)
        out += t;
    out += m_tail;
    out.chop(m_truncate);
    return out;
}

bool SegyFixture::writeTo(const QString& path) const
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QByteArray b = bytes();
    return f.write(b) == b.size();
}

QString sharedSamplesDir()
{
    return QString::fromLocal8Bit(qgetenv("TREVALON_SAMPLES"));
}

QString sharedSample(const QString& name)
{
    return sharedSamplesDir() + QLatin1Char('/') + name;
}

FailingDevice::FailingDevice(const QByteArray& initial, qint64 failAfter, QObject* parent)
    : QIODevice(parent), m_data(initial), m_failAfter(failAfter)
{
}

bool FailingDevice::seek(qint64 pos)
{
    if (pos < 0)
        return false;
    return QIODevice::seek(pos);
}

qint64 FailingDevice::readData(char* data, qint64 maxSize)
{
    const qint64 p = pos();
    if (p >= m_data.size())
        return 0;
    const qint64 n = qMin(maxSize, qint64(m_data.size()) - p);
    if (m_failReadsFrom >= 0 && p + n > m_failReadsFrom) {
        setErrorString(QStringLiteral("injected read failure"));
        return -1;
    }
    std::memcpy(data, m_data.constData() + p, size_t(n));
    return n;
}

qint64 FailingDevice::writeData(const char* data, qint64 maxSize)
{
    if (m_written + maxSize > m_failAfter) {
        setErrorString(QStringLiteral("injected write failure"));
        if (m_failOnce)
            m_failAfter = std::numeric_limits<qint64>::max();
        return -1;
    }
    const qint64 p = pos();
    if (p + maxSize > m_data.size())
        m_data.resize(int(p + maxSize));
    std::memcpy(m_data.data() + p, data, size_t(maxSize));
    m_written += maxSize;
    return maxSize;
}

QByteArray fileContents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray fileChecksum(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&f);
    return hash.result().toHex();
}
