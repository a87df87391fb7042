#include "samplecodec.h"

#include <QtEndian>
#include <cmath>
#include <cstring>
#include <limits>

int bytesPerSampleForFormat(int formatCode)
{
    switch (formatCode) {
    case 1: case 2: case 4: case 5: return 4;
    case 3: return 2;
    case 8: return 1;
    // Codes of later revisions (64-bit floats and integers, 3-byte and
    // unsigned integers), so that files written with them are read with
    // their own trace length.
    case 6: case 9: case 12: return 8;
    case 7: return 3;
    case 10: return 4;
    case 11: return 2;
    case 15: return 3;
    case 16: return 1;
    default: return 0;
    }
}

namespace {

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

const IbmScales ibmScales;

}  // namespace

float ibmToFloat(quint32 word)
{
    const quint32 b0 = word >> 24;
    const quint32 mantissa = word & 0x00FFFFFFu;
    if (b0 == 0 && mantissa == 0)
        return 0.0f;
    const float scale = ibmScales.scale[b0 & 0x7F];
    float result = scale * (static_cast<float>(mantissa) * 5.9604644775390625e-08f);  // m * 2^-24
    if (b0 & 0x80)
        result = -result;
    return result;
}

quint32 floatToIbm(float value)
{
    quint32 u;
    std::memcpy(&u, &value, sizeof u);
    const quint32 s = u >> 31;
    const int e = int((u >> 23) & 0xFF);
    const quint32 f = u << 9;
    if (e == 255)
        return (s << 31) + 0x7FFFFFFFu;
    if (e == 0 && f == 0)
        return 0;
    if (e == 0)
        return (s << 31) + (f >> 8);
    quint32 g = (f >> 1) | 0x80000000u;
    g >>= ((-(e + 130)) & 3);
    int x = (e + 133) >> 2;
    while (g < 0x10000000u) {
        g <<= 4;
        --x;
    }
    return ((s * 128 + quint32(x)) << 24) + (g >> 8);
}

namespace {

template <typename T>
T load(const uchar* p, bool littleEndian)
{
    return littleEndian ? qFromLittleEndian<T>(p) : qFromBigEndian<T>(p);
}

template <typename T>
void store(T value, uchar* p, bool littleEndian)
{
    littleEndian ? qToLittleEndian<T>(value, p) : qToBigEndian<T>(value, p);
}

// Truncation toward zero into an integer of the given width, keeping the low bits.
qint64 truncated(double v)
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
double widenedFloat(quint32 bits)
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

quint32 narrowedFloat(double value)
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

}  // namespace

void decodeSamples(int formatCode, const uchar* in, int count, bool le, double* out)
{
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

void encodeSamples(int formatCode, const double* in, int count, bool le, uchar* out)
{
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
