#include "decoders.h"

#include "headers.h"

QString decodeField(const CHeader* header, int fieldIndex, DecoderKind, bool* ok)
{
    if (ok)
        *ok = true;
    return header ? QString::number(header->value(fieldIndex)) : QString();
}
