#pragma once

#include "headerfields.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <utility>
#include <vector>

class CHeader;
class HeaderChanges;

// Fields beyond the standard table: any bytes of the binary header or of a
// trace header read as one of the types below, by a name of the user's. A
// field description holds what the standard table's entries hold (first
// byte, width, type, label, description) and more (a name, a scalar field);
// the standard fields convert to it, so labels, CSV columns, command-line
// names and the window read one kind of description for every field.

// Text8: eight characters (a header name), EBCDIC or ASCII; read only.
enum class ValueType : quint8 { Int8, Int16, Int32, Int64, UInt8, UInt16, UInt32, UInt64, Ibm32, Ieee32, Ieee64, Text8 };

// "int8" ... "ieee64"; the type of a name, false for none.
QString valueTypeName(ValueType type);
bool valueTypeOfName(const QString& name, ValueType* type);
int valueTypeWidth(ValueType type);
// What a field of the type holds, for messages: "int8, -128 to 127".
QString valueTypeRange(ValueType type);
// Whether an integer fits a field of the type (any does a float, which
// holds the nearest value it can), and the value such a field then holds.
bool integerFitsType(qint64 v, ValueType type);
bool isFloatType(ValueType type);

// TraceExtension1: the first 240-byte trace header extension of revision 2.
enum class HeaderBlock : quint8 { Binary, Trace, TraceExtension1 };

struct FieldDescription {
    QString name;         // the user's name; empty for a standard field
    HeaderBlock block = HeaderBlock::Trace;
    int startByte = 1;    // as the standard counts: from 1, binary header bytes from 3201
    ValueType type = ValueType::Int32;
    QString description;
    QString scalarField;  // optional: the name or first byte of a field scaling this one
    int standardIndex = -1;  // the field's index in the standard table, -1 for others

    int width() const { return valueTypeWidth(type); }
    // Byte offset inside the header block (240 bytes, or file bytes 3201-3600).
    int offset() const { return startByte - (block == HeaderBlock::Binary ? TextHeaderSize + 1 : 1); }
    // "189-192"
    QString label() const
    {
        return width() == 1 ? QString::number(startByte) : QStringLiteral("%1-%2").arg(startByte).arg(startByte + width() - 1);
    }
    // The name a column or a command line shows: the user's name, else the label.
    QString title() const { return name.isEmpty() ? label() : name; }
    bool fitsBlock() const;

    static FieldDescription standard(HeaderBlock block, int index);
};

// One value of any field type.
struct FieldValue {
    enum class Kind : quint8 { Signed, Unsigned, Float, Text } kind = Kind::Signed;
    qint64 i = 0;
    quint64 u = 0;
    double f = 0;
    QString s;

    static FieldValue ofSigned(qint64 v) { FieldValue x; x.i = v; return x; }
    static FieldValue ofUnsigned(quint64 v) { FieldValue x; x.kind = Kind::Unsigned; x.u = v; return x; }
    static FieldValue ofFloat(double v) { FieldValue x; x.kind = Kind::Float; x.f = v; return x; }

    double toDouble() const;
    // The nearest integer (floats rounded half away from zero), saturated.
    qint64 toInt64() const;
    // Shortest text that reads back to the same value.
    QString text() const;
    bool operator==(const FieldValue& other) const;
    bool operator<(const FieldValue& other) const;
};

FieldValue fieldValueOfInteger(qint64 v, ValueType type);

// Reads a value of the field from a header block laid out as in the file
// (file byte order), and writes one there.
FieldValue readFieldValue(const uchar* fileBlock, const FieldDescription& field, bool littleEndian);
void writeFieldValue(uchar* fileBlock, const FieldDescription& field, bool littleEndian, const FieldValue& value);

// Parses text for a field: a base-10 integer in the type's range for the
// integer types, a decimal number for the float types. *stored receives the
// value as the field will hold it; *rounded says whether that differs from
// the text (a float type cannot hold it exactly).
bool parseFieldValue(const QString& text, ValueType type, FieldValue* stored, bool* rounded = nullptr);

// The value of a field in a header held in memory, whose block is in the
// host's order, for a file of the given byte order.
FieldValue headerFieldValue(const CHeader& header, const FieldDescription& field, bool littleEndian);

class SEGYTraceHeader;
// A field's value in a trace (any block, extensions included), as the file
// object that holds the trace reads it.
using FieldReader = std::function<FieldValue(const SEGYTraceHeader*, const FieldDescription&)>;

// The fields revision 2 added to the binary header (extended counts and
// intervals, the byte-order constant, major and minor revision, ...), and
// the standard fields of trace header extension 1, each by its name.
const QList<FieldDescription>& revision2BinaryFields();
const QList<FieldDescription>& extension1Fields();
// A field of extension 1 by name (case-insensitive), or null.
const FieldDescription* extension1Field(const QString& name);

// The changes of standard fields that make the field hold value in header:
// the field's bytes written into the header's file bytes, every standard
// field they touch read back. add receives (standard field index, value) for
// each standard field whose value changes; addByte (offset in the block,
// byte) each changed byte no standard field holds (binary header bytes
// such as the revision 2 fields). False, with *error, for a field that
// cannot be written (a text).
// Several fields of one header are written one after the other before
// anything is read back, so that fields sharing a standard field all keep
// their values.
using FieldValues = std::vector<std::pair<FieldDescription, FieldValue>>;
bool standardChangesFor(const CHeader& header, const FieldValues& values, bool littleEndian,
                        const std::function<void(int, qint32)>& add, const std::function<void(int, uchar)>& addByte,
                        QString* error);

// The custom fields of a file: read from a layout file (JSON) or given one
// by one as "NAME=BYTE:TYPE". Every field fits its header, every name is
// unique and no number or standard label.
class FieldLayout
{
public:
    bool isEmpty() const { return m_fields.isEmpty(); }
    const QList<FieldDescription>& fields() const { return m_fields; }
    QList<FieldDescription> fields(HeaderBlock block) const;
    // A custom field by name (case-insensitive), or null.
    const FieldDescription* find(const QString& name, HeaderBlock block) const;

    // Adds a field; false with the reason (which names it) when it is refused.
    bool add(const FieldDescription& field, QString* error);
    // "NAME=BYTE:TYPE", a trace header field, or a binary header one when
    // BYTE lies in 3201-3600.
    bool addDefinition(const QString& definition, QString* error);
    // Reads a layout file; nothing is kept of a file that is refused.
    bool load(const QString& fileName, QString* error);
    bool loadJson(const QByteArray& json, QString* error);
    QByteArray toJson() const;
    bool save(const QString& fileName, QString* error) const;

private:
    QList<FieldDescription> m_fields;
};
