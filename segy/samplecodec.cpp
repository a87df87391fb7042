#include "samplecodec.h"

#include <cstring>

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
