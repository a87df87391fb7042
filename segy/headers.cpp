#include "headers.h"

#include "decoders.h"
#include "textcodec.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <climits>
#include <cstring>

bool HeaderField::setValue(const QVariant& newValue)
{
    bool ok = false;
    const int parsed = newValue.toString().toInt(&ok, 10);
    if (!ok || !fitsKind(parsed, type))
        return false;
    value = parsed;
    return true;
}

bool HeaderField::fitsKind(qint64 value, int kind)
{
    qint64 low = 0;
    qint64 high = 0;
    return kindRange(kind, &low, &high) && value >= low && value <= high;
}

bool HeaderField::kindRange(int kind, qint64* low, qint64* high)
{
    switch (kind) {
    case FieldKindInt: *low = INT_MIN; *high = INT_MAX; return true;
    case FieldKindShort: *low = -32768; *high = 32767; return true;
    case FieldKindUShort: *low = 0; *high = 65535; return true;
    case FieldKindChar: *low = -128; *high = 127; return true;
    default: return false;
    }
}

CHeader::CHeader(const HeaderTable& table, uchar* block)
    : m_table(table), m_block(block)
{
}

CHeader::~CHeader() = default;

QString CHeader::fieldText(int fieldIndex, bool* hasDecoder, bool* decodedOk) const
{
    if (hasDecoder)
        *hasDecoder = true;
    const DecoderKind kind = (fieldIndex >= 0 && fieldIndex < m_table.count) ? m_table.specs[fieldIndex].decoder
                                                                            : DecoderKind::None;
    if (kind == DecoderKind::None) {
        if (hasDecoder)
            *hasDecoder = false;
        return QString::number(value(fieldIndex));
    }
    return decodeField(this, fieldIndex, kind, decodedOk);
}

void CHeader::storeValue(int fieldIndex, qint32 value)
{
    uchar* p = m_block + m_table.offsets[fieldIndex];
    uchar bytes[4];
    int width;
    switch (m_table.kinds[fieldIndex]) {
    case FieldKindInt:
        std::memcpy(bytes, &value, sizeof value);
        width = 4;
        break;
    case FieldKindShort:
    case FieldKindUShort: {
        const quint16 v = quint16(value);
        std::memcpy(bytes, &v, sizeof v);
        width = 2;
        break;
    }
    default:
        bytes[0] = uchar(value & 0xFF);
        width = 1;
        break;
    }
    // Storing a value the field already holds changes nothing to save.
    if (std::memcmp(p, bytes, size_t(width)) != 0) {
        std::memcpy(p, bytes, size_t(width));
        m_modified = true;
    }
}

bool CHeader::setValue(int fieldIndex, const QVariant& value)
{
    if (fieldIndex < 0 || fieldIndex >= m_table.count)
        return false;
    HeaderField f{m_table.kinds[fieldIndex], this->value(fieldIndex)};
    if (!f.setValue(value))
        return false;
    storeValue(fieldIndex, f.value);
    return true;
}

HeaderField CHeader::field(int fieldIndex) const
{
    if (fieldIndex < 0 || fieldIndex >= m_table.count)
        return HeaderField{};
    return HeaderField{m_table.kinds[fieldIndex], value(fieldIndex)};
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TREVALON_SHUFFLE_SWAP 1
#endif

namespace {

#ifdef TREVALON_SHUFFLE_SWAP
__attribute__((target("ssse3"))) void shuffleFields(const HeaderTable& table, uchar* block)
{
    for (int run = 0; run < table.blockSize / 16; ++run) {
        auto* at = reinterpret_cast<__m128i*>(block + 16 * run);
        const __m128i mask = _mm_loadu_si128(reinterpret_cast<const __m128i*>(table.swapShuffle[run]));
        _mm_storeu_si128(at, _mm_shuffle_epi8(_mm_loadu_si128(at), mask));
    }
}

bool canShuffle()
{
    static const bool supported = __builtin_cpu_supports("ssse3");
    return supported;
}
#endif

// Swaps every field of a header block between the file's and the host's order.
void swapFields(const HeaderTable& table, uchar* block)
{
#ifdef TREVALON_SHUFFLE_SWAP
    if (table.shuffleSwap && canShuffle()) {
        shuffleFields(table, block);
        return;
    }
#endif
    for (int i = 0; i < table.wideCount; ++i) {
        uchar* p = block + table.wideOffsets[i];
        quint32 v;
        std::memcpy(&v, p, sizeof v);
        v = qbswap(v);
        std::memcpy(p, &v, sizeof v);
    }
    for (int i = 0; i < table.shortCount; ++i) {
        uchar* p = block + table.shortOffsets[i];
        quint16 v;
        std::memcpy(&v, p, sizeof v);
        v = qbswap(v);
        std::memcpy(p, &v, sizeof v);
    }
}

constexpr bool HostIsLittleEndian = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;

}  // namespace

void CHeader::decodeFrom(const uchar* block, bool littleEndian)
{
    m_modified = false;
    std::memcpy(m_block, block, size_t(m_table.blockSize));
    if (littleEndian != HostIsLittleEndian)
        swapFields(m_table, m_block);
}

void CHeader::encodeTo(uchar* block, bool littleEndian) const
{
    std::memcpy(block, m_block, size_t(m_table.blockSize));
    if (littleEndian != HostIsLittleEndian)
        swapFields(m_table, block);
}

SEGYMainHeader::SEGYMainHeader()
    : CHeader(binaryHeaderTable(), m_block)
{
}

void SEGYMainHeader::fillMandatoryDefaults()
{
    auto fill = [this](BinaryField field, int defaultValue) {
        if (value(field) == 0)
            setValue(fieldIndex(field), defaultValue);
    };
    fill(BinaryField::LineNumber, 1);
    fill(BinaryField::TracesPerEnsemble, 1);
    fill(BinaryField::OriginalSampleInterval, value(BinaryField::SampleInterval));
    fill(BinaryField::OriginalSampleCount, value(BinaryField::SampleCount));
    fill(BinaryField::MeasurementSystem, 1);
}

QByteArray SEGYMainHeader::fileBytesWithDefaults(bool littleEndian) const
{
    SEGYMainHeader filled;
    uchar block[BinaryHeaderSize];
    encodeTo(block, littleEndian);
    filled.decodeFrom(block, littleEndian);
    filled.textHeader = textHeader;
    filled.extendedTextHeaders = extendedTextHeaders;
    filled.fillMandatoryDefaults();
    return filled.fileBytes(littleEndian);
}

SEGYTraceHeader::SEGYTraceHeader(qint64 position)
    : CHeader(traceHeaderTable(), m_block), filePosition(position)
{
}

namespace {

// Blocks kept of an extended header run that never ends before the end of
// the file (such a file has no trace and cannot load).
const qint64 UnendedRunBlocksKept = 64;

// Reads up to size bytes; what lies beyond the end of the device stays zero.
// A device that fails to give bytes it has marks the stream corrupt.
void readPadded(QDataStream& stream, char* buffer, int size)
{
    std::memset(buffer, 0, size_t(size));
    QIODevice* device = stream.device();
    if (!device)
        return;
    const qint64 wanted = std::min<qint64>(size, std::max<qint64>(device->size() - device->pos(), 0));
    qint64 got = 0;
    while (got < wanted) {
        const qint64 n = device->read(buffer + got, wanted - got);
        if (n <= 0) {
            stream.setStatus(QDataStream::ReadCorruptData);
            return;
        }
        got += n;
    }
}

}  // namespace

QDataStream& operator>>(QDataStream& stream, SEGYMainHeader& header)
{
    QIODevice* device = stream.device();
    const qint64 start = device ? device->pos() : 0;
    QByteArray text(TextHeaderSize, '\0');
    readPadded(stream, text.data(), TextHeaderSize);
    header.textHeader = text;

    char block[BinaryHeaderSize];
    readPadded(stream, block, BinaryHeaderSize);
    header.decodeFrom(reinterpret_cast<const uchar*>(block), stream.byteOrder() == QDataStream::LittleEndian);
    if (device)
        device->seek(start + TextHeaderSize + BinaryHeaderSize);

    header.extendedTextHeaders.clear();
    const qint16 count = qint16(header.value(BinaryField::ExtendedTextHeaders));
    auto readBlock = [&]() {
        QByteArray extended(TextHeaderSize, '\0');
        readPadded(stream, extended.data(), TextHeaderSize);
        header.extendedTextHeaders.append(extended);
        return extended;
    };
    if (count == -1 && device) {
        // Find the end stanza first, keeping nothing, so that a file that
        // never ends its run does not end up in memory whole; then keep the
        // blocks of the run (at most a bounded number when it never ends).
        const qint64 runStart = device->pos();
        QByteArray scanned(TextHeaderSize, '\0');
        qint64 blocks = 0;
        bool ended = false;
        while (!ended && !device->atEnd()) {
            readPadded(stream, scanned.data(), TextHeaderSize);
            ++blocks;
            ended = isEndTextBlock(scanned);
        }
        const qint64 runEnd = device->pos();
        const qint64 kept = ended ? blocks : std::min<qint64>(blocks, UnendedRunBlocksKept);
        device->seek(runStart);
        for (qint64 i = 0; i < kept; ++i)
            readBlock();
        device->seek(runEnd);
    } else if (count > 0) {
        for (int i = 0; i < count && device && !device->atEnd(); ++i)
            readBlock();
    }
    return stream;
}

QByteArray SEGYMainHeader::fileBytes(bool littleEndian) const
{
    // The whole 400 bytes go out, those that belong to no field as they
    // were read, so data other writers keep there survive any save.
    QByteArray bytes = paddedTextHeader(textHeader);
    bytes.resize(TextHeaderSize + BinaryHeaderSize);
    encodeTo(reinterpret_cast<uchar*>(bytes.data()) + TextHeaderSize, littleEndian);
    for (const QByteArray& extended : extendedTextHeaders) {
        if (extended.isEmpty())
            continue;
        QByteArray block = extended.left(TextHeaderSize);
        block.append(QByteArray(TextHeaderSize - block.size(), '\0'));
        bytes += block;
    }
    return bytes;
}
