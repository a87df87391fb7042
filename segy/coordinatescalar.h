#pragma once

#include <QtGlobal>

// A stored coordinate or elevation with its scalar (bytes 71-72 for
// coordinates, 69-70 for elevations) applied: a positive scalar multiplies,
// a negative one divides, and 0 counts as 1.
inline double scaledValue(qint32 stored, int scalar)
{
    if (scalar > 0)
        return double(stored) * scalar;
    if (scalar < 0)
        return -double(stored) / scalar;
    return double(stored);
}
