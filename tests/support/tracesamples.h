#pragma once

// Test support: sample values. Only tests decode or encode samples; the
// file model copies them as stored. The codecs of the sample formats, and
// the samples of one trace of a loaded file where the loader laid it out.

#include "samplecodec.h"
#include "segy.h"

#include <QIODevice>
#include <QVector>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace tracesamples_detail {

// 16 to the power of each IBM exponent, computed in double precision and
// narrowed once.
struct IbmScales {
    float scale[128];
    IbmScales()
    {
        for (int e = 0; e < 128; ++e)
            scale[e] = static_cast<float>(std::pow(16.0, e - 64));
    }
};

inline const IbmScales& ibmScales()
{
    static const IbmScales scales;
    return scales;
}

}  // namespace tracesamples_detail

// An IBM System/360 single-precision word as a float.
inline float ibmToFloat(quint32 word)
{
    const quint32 b0 = word >> 24;
    const quint32 mantissa = word & 0x00FFFFFFu;
    if (b0 == 0 && mantissa == 0)
        return 0.0f;
    const float scale = tracesamples_detail::ibmScales().scale[b0 & 0x7F];
    float result = scale * (static_cast<float>(mantissa) * 5.9604644775390625e-08f);  // m * 2^-24
    if (b0 & 0x80)
        result = -result;
    return result;
}

namespace tracesamples_detail {

template <typename T>
inline T load(const uchar* p, bool littleEndian)
{
    return littleEndian ? qFromLittleEndian<T>(p) : qFromBigEndian<T>(p);
}

template <typename T>
inline void store(T value, uchar* p, bool littleEndian)
{
    littleEndian ? qToLittleEndian<T>(value, p) : qToBigEndian<T>(value, p);
}

// Truncation toward zero into an integer of the given width, keeping the low bits.
inline qint64 truncated(double v)
{
    if (!(v == v))
        return 0;
    if (v >= 9.2e18)
        return std::numeric_limits<qint64>::max();
    if (v <= -9.2e18)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(v);
}

// Single to double precision and back. Not-a-numbers are moved by their
// bits: a floating-point conversion would quiet a signalling one and change
// the stored word.
inline double widenedFloat(quint32 bits)
{
    if ((bits & 0x7F800000u) == 0x7F800000u && (bits & 0x007FFFFFu) != 0) {
        const quint64 wide = (quint64(bits & 0x80000000u) << 32) | 0x7FF0000000000000ull
                             | (quint64(bits & 0x007FFFFFu) << 29);
        double d;
        std::memcpy(&d, &wide, sizeof d);
        return d;
    }
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

inline quint32 narrowedFloat(double value)
{
    quint64 wide;
    std::memcpy(&wide, &value, sizeof wide);
    if ((wide & 0x7FF0000000000000ull) == 0x7FF0000000000000ull && (wide & 0x000FFFFFFFFFFFFFull) != 0) {
        const quint32 payload = quint32((wide >> 29) & 0x007FFFFFu);
        return quint32((wide >> 32) & 0x80000000u) | 0x7F800000u | (payload ? payload : 0x00400000u);
    }
    const float f = static_cast<float>(value);
    quint32 bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

}  // namespace tracesamples_detail

// Decodes count samples stored in format code formatCode into doubles
// (codes 1, 2, 3, 4, 5, 8); other codes leave out untouched.
inline void decodeSamples(int formatCode, const uchar* in, int count, bool le, double* out)
{
    using namespace tracesamples_detail;
    switch (formatCode) {
    case 1:
        for (int i = 0; i < count; ++i)
            out[i] = ibmToFloat(load<quint32>(in + 4 * i, le));
        break;
    case 2:
    case 4:
        for (int i = 0; i < count; ++i)
            out[i] = load<qint32>(in + 4 * i, le) / 2147483647.0;
        break;
    case 3:
        for (int i = 0; i < count; ++i)
            out[i] = load<qint16>(in + 2 * i, le) * (1.0 / 32768.0);
        break;
    case 5:
        for (int i = 0; i < count; ++i) {
            out[i] = widenedFloat(load<quint32>(in + 4 * i, le));
        }
        break;
    case 8:
        for (int i = 0; i < count; ++i)
            out[i] = static_cast<qint8>(in[i]) * (1.0 / 128.0);
        break;
    default:
        break;
    }
}

// Encodes count doubles into the stored form of formatCode.
inline void encodeSamples(int formatCode, const double* in, int count, bool le, uchar* out)
{
    using namespace tracesamples_detail;
    switch (formatCode) {
    case 1:
        for (int i = 0; i < count; ++i)
            store<quint32>(floatToIbm(static_cast<float>(in[i])), out + 4 * i, le);
        break;
    case 2:
    case 4:
        for (int i = 0; i < count; ++i)
            store<qint32>(qint32(quint32(quint64(truncated(in[i] * 2147483647.0)))), out + 4 * i, le);
        break;
    case 3:
        for (int i = 0; i < count; ++i)
            store<qint16>(qint16(quint16(quint64(truncated(in[i] * 32768.0)))), out + 2 * i, le);
        break;
    case 5:
        for (int i = 0; i < count; ++i) {
            store<quint32>(narrowedFloat(in[i]), out + 4 * i, le);
        }
        break;
    case 8:
        for (int i = 0; i < count; ++i)
            out[i] = uchar(quint64(truncated(in[i] * 128.0)) & 0xFF);
        break;
    default:
        break;
    }
}


// The samples of a trace read from source (open for reading); empty for an
// index outside the list.
inline QVector<double> readTraceSamples(const SEGY& segy, QIODevice* source, int trace)
{
    const QList<SEGYTraceHeader*> headers = segy.traceHeaders();
    if (trace < 0 || trace >= headers.size() || !headers[trace] || !source)
        return {};
    const SEGYTraceHeader* header = headers[trace];
    const TraceLayout& layout = segy.layout();
    QVector<double> samples(header->loadedSampleCount, 0.0);
    const qint64 bytes = qint64(samples.size()) * layout.sampleBytes();
    if (bytes > 0 && source->seek(header->filePosition + TraceHeaderSize)) {
        std::vector<uchar> stored(size_t(bytes), 0);
        source->read(reinterpret_cast<char*>(stored.data()), bytes);  // what is missing reads as 0
        decodeSamples(layout.formatCode(), stored.data(), samples.size(), segy.byteOrder() == 1, samples.data());
    }
    return samples;
}

// Writes the samples of a trace to destination (open for writing) where the
// loader found them; false when nothing or not all could be written.
inline bool writeTraceSamples(const SEGY& segy, QIODevice* destination, int trace, const QVector<double>& samples)
{
    const QList<SEGYTraceHeader*> headers = segy.traceHeaders();
    if (trace < 0 || trace >= headers.size() || !headers[trace] || !destination)
        return false;
    const SEGYTraceHeader* header = headers[trace];
    const TraceLayout& layout = segy.layout();
    const int count = header->loadedSampleCount;
    if (samples.size() < count || layout.sampleBytes() == 0)
        return false;
    std::vector<uchar> bytes(size_t(count) * size_t(layout.sampleBytes()));
    encodeSamples(layout.formatCode(), samples.constData(), count, segy.byteOrder() == 1, bytes.data());
    const qint64 size = qint64(bytes.size());
    return destination->seek(header->filePosition + TraceHeaderSize)
           && destination->write(reinterpret_cast<const char*>(bytes.data()), size) == size;
}
