#pragma once

#include "headerfields.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <cstring>

class QDataStream;

// One field: its kind (a Qt meta-type id) and its value, sign-extended to 32 bits.
struct HeaderField {
    int type = FieldKindInt;
    qint32 value = 0;

    // Parses the variant's text as a base-10 32-bit integer and stores it when
    // it fits the kind; otherwise returns false and keeps the old value.
    bool setValue(const QVariant& newValue);

    // Whether a parsed number lies in the range a kind accepts.
    static bool fitsKind(qint64 value, int kind);
    // The lowest and highest value of a kind; false for an unknown kind.
    static bool kindRange(int kind, qint64* low, qint64* high);
};

// Common base of both header kinds. The values live in one block inside the
// subclass object itself, laid out as in the file (each field at its own byte
// offset and width) but in the host's byte order, so a trace header takes 240
// bytes of values and no allocation of its own; the kinds come from the
// static field table.
class CHeader
{
public:
    virtual ~CHeader();
    virtual QString fieldText(int fieldIndex, bool* hasDecoder = nullptr, bool* decodedOk = nullptr) const;

    int fieldCount() const { return m_table.count; }
    const HeaderTable& table() const { return m_table; }

    int value(int fieldIndex) const
    {
        if (fieldIndex < 0 || fieldIndex >= m_table.count || fieldIndex >= TraceHeaderFieldCount)
            return 0;
        const uchar* p = m_block + m_table.offsets[fieldIndex];
        switch (m_table.kinds[fieldIndex]) {
        case FieldKindInt: {
            qint32 v;
            std::memcpy(&v, p, sizeof v);
            return v;
        }
        case FieldKindShort: {
            qint16 v;
            std::memcpy(&v, p, sizeof v);
            return v;
        }
        case FieldKindUShort: {
            quint16 v;
            std::memcpy(&v, p, sizeof v);
            return v;
        }
        default:
            return static_cast<qint8>(*p);
        }
    }
    // The same by name: a trace header's fields by TraceField, the binary
    // header's by BinaryField.
    int value(TraceField field) const { return value(fieldIndex(field)); }
    int value(BinaryField field) const { return value(fieldIndex(field)); }
    bool setValue(int fieldIndex, const QVariant& value);
    HeaderField field(int fieldIndex) const;
    // Stores a value already known to fit the field's kind.
    void storeValue(int fieldIndex, qint32 value);
    void storeValue(TraceField field, qint32 value) { storeValue(fieldIndex(field), value); }
    void storeValue(BinaryField field, qint32 value) { storeValue(fieldIndex(field), value); }

    // The values block (file layout, host byte order).
    const uchar* rawBlock() const { return m_block; }
    // Stores a byte that belongs to no field (it is kept in file order).
    void storeRawByte(int offset, uchar value)
    {
        if (m_block[offset] != value) {
            m_block[offset] = value;
            m_modified = true;
        }
    }

    // Whether a value changed since the header was read or last saved.
    bool isModified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

    // The value at a byte offset of the block with a kind the caller looked
    // up once in the table, for loops over many headers.
    qint32 valueAt(int offset, int kind) const { return valueIn(m_block + offset, kind); }
    static qint32 valueIn(const uchar* p, int kind)
    {
        if (kind == FieldKindInt) {
            qint32 v;
            std::memcpy(&v, p, sizeof v);
            return v;
        }
        if (kind == FieldKindShort) {
            qint16 v;
            std::memcpy(&v, p, sizeof v);
            return v;
        }
        if (kind == FieldKindUShort) {
            quint16 v;
            std::memcpy(&v, p, sizeof v);
            return v;
        }
        return static_cast<qint8>(*p);
    }

    // Raw codec: block holds the header's bytes laid out as in the file
    // (for the binary header: file bytes 3201-3600).
    void decodeFrom(const uchar* block, bool littleEndian);
    void encodeTo(uchar* block, bool littleEndian) const;

protected:
    CHeader(const HeaderTable& table, uchar* block);
    CHeader(const CHeader&) = delete;
    CHeader& operator=(const CHeader&) = delete;

private:
    const HeaderTable& m_table;
    uchar* m_block;
    bool m_modified = false;
};

class SEGYMainHeader : public CHeader
{
public:
    SEGYMainHeader();

    QByteArray textHeader;
    QList<QByteArray> extendedTextHeaders;

    // Fills mandatory fields left at 0, as a new file is written.
    void fillMandatoryDefaults();
    // The file bytes a new file gets: these headers with those fields filled.
    QByteArray fileBytesWithDefaults(bool littleEndian) const;
    // Textual, binary and extended headers as laid out in the file.
    QByteArray fileBytes(bool littleEndian) const;

private:
    uchar m_block[BinaryHeaderSize] = {};
};

class SEGYTraceHeader : public CHeader
{
public:
    explicit SEGYTraceHeader(qint64 filePosition = 0);

    // The sample count the loader stepped over for this trace; the saves keep
    // that geometry whatever the header now says. (Declared first, so that it
    // shares the base's last word and a header stays 280 bytes.)
    qint32 loadedSampleCount = 0;

private:
    uchar m_block[TraceHeaderSize] = {};

public:
    // Where this 240-byte header starts in the file it was loaded from.
    const qint64 filePosition;
};

// Reads the textual, binary and extended headers from the stream's device
// position on: the loader's reading of the first 3600 bytes and the
// extended headers the binary header announces.
QDataStream& operator>>(QDataStream& stream, SEGYMainHeader& header);
