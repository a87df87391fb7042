#pragma once

#include "headerfields.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

class QDataStream;

// One field: its kind (a Qt meta-type id) and its value, sign-extended to 32 bits.
struct HeaderField {
    int type = FieldKindInt;
    qint32 value = 0;

    // Parses the variant's text as a base-10 32-bit integer and stores it when
    // it fits the kind; otherwise returns false and keeps the old value.
    bool setValue(const QVariant& newValue);
};

// Common base of both header kinds. The values live in one block owned by the
// subclass object itself, so a header costs one allocation; the kinds come
// from the static field table.
class CHeader
{
public:
    virtual ~CHeader();
    virtual QString fieldText(int fieldIndex, bool* hasDecoder = nullptr, bool* decodedOk = nullptr) const;

    int fieldCount() const { return m_table.count; }
    const HeaderTable& table() const { return m_table; }

    int value(int fieldIndex) const
    {
        return (fieldIndex >= 0 && fieldIndex < m_table.count) ? m_values[fieldIndex] : 0;
    }
    bool setValue(int fieldIndex, const QVariant& value);
    HeaderField field(int fieldIndex) const;

    // Raw codec: block holds the header's bytes laid out as in the file
    // (for the binary header: file bytes 3201-3600).
    void decodeFrom(const uchar* block, bool littleEndian);
    void encodeTo(uchar* block, bool littleEndian) const;

protected:
    CHeader(const HeaderTable& table, qint32* values);
    CHeader(const CHeader&) = delete;
    CHeader& operator=(const CHeader&) = delete;

private:
    const HeaderTable& m_table;
    qint32* m_values;
};

class SEGYMainHeader : public CHeader
{
public:
    SEGYMainHeader();

    QByteArray textHeader;
    QList<QByteArray> extendedTextHeaders;

    // Fills mandatory fields left at 0, as every save does before writing.
    void fillMandatoryDefaults();

private:
    qint32 m_block[BinaryHeaderFieldCount] = {};
};

class SEGYTraceHeader : public CHeader
{
public:
    explicit SEGYTraceHeader(qint64 filePosition = 0);

    // Where this 240-byte header starts in the file it was loaded from.
    const qint64 filePosition;
    // The sample count the loader stepped over for this trace; the saves keep
    // that geometry whatever the header now says.
    qint32 loadedSampleCount = 0;

private:
    qint32 m_block[TraceHeaderFieldCount] = {};
};

// Stream forms: the trace header pair reads or writes exactly its 240 bytes.
// The main header pair handles the textual headers and the positions inside
// the first 3600 bytes (P is the device position at entry).
QDataStream& operator>>(QDataStream& stream, SEGYTraceHeader& header);
QDataStream& operator<<(QDataStream& stream, const SEGYTraceHeader& header);
QDataStream& operator>>(QDataStream& stream, SEGYMainHeader& header);
QDataStream& operator<<(QDataStream& stream, SEGYMainHeader& header);
