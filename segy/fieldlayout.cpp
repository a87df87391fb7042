#include "fieldlayout.h"

#include "headers.h"
#include "samplecodec.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("FieldLayout", text);
}

struct TypeInfo {
    const char* name;
    int width;
};

constexpr TypeInfo typeInfo[] = {
    {"int8", 1},   {"int16", 2},  {"int32", 4},  {"int64", 8},  {"uint8", 1},  {"uint16", 2},
    {"uint32", 4}, {"uint64", 8}, {"ibm32", 4},  {"ieee32", 4}, {"ieee64", 8},
};

bool isUnsignedType(ValueType type)
{
    return type >= ValueType::UInt8 && type <= ValueType::UInt64;
}

quint64 readUnsigned(const uchar* p, int width, bool littleEndian)
{
    quint64 v = 0;
    for (int k = 0; k < width; ++k)
        v |= quint64(p[littleEndian ? k : width - 1 - k]) << (8 * k);
    return v;
}

void writeUnsigned(uchar* p, int width, bool littleEndian, quint64 v)
{
    for (int k = 0; k < width; ++k)
        p[littleEndian ? k : width - 1 - k] = uchar(v >> (8 * k));
}

double ibmToDouble(quint32 word)
{
    const double fraction = double(word & 0x00FFFFFF) / double(1 << 24);
    const int exponent = int((word >> 24) & 0x7F) - 64;
    const double value = std::ldexp(fraction, 4 * exponent);
    return (word & 0x80000000u) ? -value : value;
}

// Whether the float types hold this value exactly.
FieldValue storedFloat(ValueType type, double v)
{
    if (type == ValueType::Ieee32)
        return FieldValue::ofFloat(double(float(v)));
    if (type == ValueType::Ibm32)
        return FieldValue::ofFloat(ibmToDouble(floatToIbm(float(v))));
    return FieldValue::ofFloat(v);
}

const QString traceKey = QStringLiteral("traceHeader");
const QString binaryKey = QStringLiteral("binaryHeader");

}  // namespace

QString valueTypeName(ValueType type)
{
    return QString::fromLatin1(typeInfo[int(type)].name);
}

bool valueTypeOfName(const QString& name, ValueType* type)
{
    for (int i = 0; i < int(sizeof typeInfo / sizeof typeInfo[0]); ++i)
        if (name.compare(QLatin1String(typeInfo[i].name), Qt::CaseInsensitive) == 0) {
            *type = ValueType(i);
            return true;
        }
    return false;
}

int valueTypeWidth(ValueType type)
{
    return typeInfo[int(type)].width;
}

bool isFloatType(ValueType type)
{
    return type >= ValueType::Ibm32;
}

bool FieldDescription::fitsBlock() const
{
    const int size = block == HeaderBlock::Binary ? BinaryHeaderSize : TraceHeaderSize;
    return offset() >= 0 && offset() + width() <= size;
}

FieldDescription FieldDescription::standard(HeaderBlock block, int index)
{
    const HeaderTable& table = block == HeaderBlock::Binary ? binaryHeaderTable() : traceHeaderTable();
    FieldDescription field;
    field.block = block;
    field.standardIndex = index;
    field.startByte = table.startBytes[index];
    field.description = QString::fromUtf8(table.specs[index].description);
    switch (table.kinds[index]) {
    case FieldKindInt: field.type = ValueType::Int32; break;
    case FieldKindShort: field.type = ValueType::Int16; break;
    case FieldKindUShort: field.type = ValueType::UInt16; break;
    default: field.type = ValueType::Int8; break;
    }
    return field;
}

double FieldValue::toDouble() const
{
    switch (kind) {
    case Kind::Signed: return double(i);
    case Kind::Unsigned: return double(u);
    default: return f;
    }
}

qint64 FieldValue::toInt64() const
{
    switch (kind) {
    case Kind::Signed: return i;
    case Kind::Unsigned: return u > quint64(std::numeric_limits<qint64>::max()) ? std::numeric_limits<qint64>::max() : qint64(u);
    default:
        if (std::isnan(f))
            return 0;
        if (f >= 9.2e18)
            return std::numeric_limits<qint64>::max();
        if (f <= -9.2e18)
            return std::numeric_limits<qint64>::min();
        return qint64(std::llround(f));
    }
}

QString FieldValue::text() const
{
    switch (kind) {
    case Kind::Signed: return QString::number(i);
    case Kind::Unsigned: return QString::number(u);
    default: return QString::number(f, 'g', 17 - (double(float(f)) == f ? 8 : 0));
    }
}

bool FieldValue::operator==(const FieldValue& other) const
{
    if (kind == other.kind)
        return kind == Kind::Signed ? i == other.i : kind == Kind::Unsigned ? u == other.u : f == other.f;
    return !(*this < other) && !(other < *this);
}

bool FieldValue::operator<(const FieldValue& other) const
{
    if (kind == Kind::Float || other.kind == Kind::Float)
        return toDouble() < other.toDouble();
    if (kind == Kind::Signed && other.kind == Kind::Signed)
        return i < other.i;
    if (kind == Kind::Unsigned && other.kind == Kind::Unsigned)
        return u < other.u;
    if (kind == Kind::Signed)  // against an unsigned one
        return i < 0 || quint64(i) < other.u;
    return other.i >= 0 && u < quint64(other.i);
}

FieldValue readFieldValue(const uchar* block, const FieldDescription& field, bool littleEndian)
{
    const int width = field.width();
    const quint64 raw = readUnsigned(block + field.offset(), width, littleEndian);
    switch (field.type) {
    case ValueType::Ibm32: return FieldValue::ofFloat(ibmToDouble(quint32(raw)));
    case ValueType::Ieee32: {
        float v;
        const quint32 word = quint32(raw);
        std::memcpy(&v, &word, 4);
        return FieldValue::ofFloat(double(v));
    }
    case ValueType::Ieee64: {
        double v;
        std::memcpy(&v, &raw, 8);
        return FieldValue::ofFloat(v);
    }
    default:
        break;
    }
    if (isUnsignedType(field.type))
        return FieldValue::ofUnsigned(raw);
    const int shift = 64 - 8 * width;  // sign extension
    return FieldValue::ofSigned(qint64(raw << shift) >> shift);
}

void writeFieldValue(uchar* block, const FieldDescription& field, bool littleEndian, const FieldValue& value)
{
    quint64 raw;
    switch (field.type) {
    case ValueType::Ibm32: raw = floatToIbm(float(value.toDouble())); break;
    case ValueType::Ieee32: {
        const float v = float(value.toDouble());
        quint32 word;
        std::memcpy(&word, &v, 4);
        raw = word;
        break;
    }
    case ValueType::Ieee64: {
        const double v = value.toDouble();
        std::memcpy(&raw, &v, 8);
        break;
    }
    default:
        raw = value.kind == FieldValue::Kind::Unsigned ? value.u : quint64(value.toInt64());
        break;
    }
    writeUnsigned(block + field.offset(), field.width(), littleEndian, raw);
}

bool parseFieldValue(const QString& text, ValueType type, FieldValue* stored, bool* rounded)
{
    const QString t = text.trimmed();
    bool ok = false;
    if (rounded)
        *rounded = false;
    if (isFloatType(type)) {
        const double v = t.toDouble(&ok);
        if (!ok || !std::isfinite(v) || (type != ValueType::Ieee64 && std::fabs(v) > 3.4e38))
            return false;
        *stored = storedFloat(type, v);
        if (rounded)
            *rounded = stored->f != v;
        return true;
    }
    const int bits = 8 * valueTypeWidth(type);
    if (isUnsignedType(type)) {
        const quint64 v = t.toULongLong(&ok, 10);
        if (!ok || t.startsWith(QLatin1Char('-')) || (bits < 64 && v >> bits) != 0)
            return false;
        *stored = FieldValue::ofUnsigned(v);
        return true;
    }
    const qint64 v = t.toLongLong(&ok, 10);
    if (!ok || (bits < 64 && (v < -(qint64(1) << (bits - 1)) || v >= (qint64(1) << (bits - 1)))))
        return false;
    *stored = FieldValue::ofSigned(v);
    return true;
}

FieldValue headerFieldValue(const CHeader& header, const FieldDescription& field, bool littleEndian)
{
    if (field.standardIndex >= 0)
        return FieldValue::ofSigned(header.value(field.standardIndex));
    uchar block[BinaryHeaderSize];
    header.encodeTo(block, littleEndian);
    return readFieldValue(block, field, littleEndian);
}

bool standardChangesFor(const CHeader& header, const FieldDescription& field, bool littleEndian,
                        const FieldValue& value, const std::function<void(int, qint32)>& add, QString* error)
{
    const HeaderTable& table = header.table();
    uchar block[BinaryHeaderSize];
    header.encodeTo(block, littleEndian);
    writeFieldValue(block, field, littleEndian, value);
    // Every byte of the field must belong to a standard field, which carries it.
    const int first = field.offset(), end = first + field.width();
    for (int byte = first; byte < end; ++byte) {
        bool covered = false;
        for (int i = 0; i < table.count && !covered; ++i)
            covered = byte >= table.offsets[i] && byte < table.offsets[i] + table.specs[i].width;
        if (!covered) {
            *error = tr("byte %1 of field %2 belongs to no standard field and cannot be edited.")
                         .arg(byte + (field.startByte - first))
                         .arg(field.title());
            return false;
        }
    }
    for (int i = 0; i < table.count; ++i) {
        const int at = table.offsets[i], width = table.specs[i].width;
        if (at + width <= first || at >= end)
            continue;
        const FieldValue now = readFieldValue(block, FieldDescription::standard(field.block, i), littleEndian);
        const qint32 v = qint32(now.kind == FieldValue::Kind::Unsigned ? qint64(now.u) : now.i);
        if (v != header.value(i))
            add(i, v);
    }
    return true;
}

QList<FieldDescription> FieldLayout::fields(HeaderBlock block) const
{
    QList<FieldDescription> list;
    for (const FieldDescription& field : m_fields)
        if (field.block == block)
            list.append(field);
    return list;
}

const FieldDescription* FieldLayout::find(const QString& name, HeaderBlock block) const
{
    for (const FieldDescription& field : m_fields)
        if (field.block == block && field.name.compare(name, Qt::CaseInsensitive) == 0)
            return &field;
    return nullptr;
}

bool FieldLayout::add(const FieldDescription& field, QString* error)
{
    static const QRegularExpression namePattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_.]*$"));
    if (!namePattern.match(field.name).hasMatch()) {
        *error = tr("field name \"%1\" must start with a letter and hold only letters, digits, \"_\" and \".\".")
                     .arg(field.name);
        return false;
    }
    if (find(field.name, field.block)) {
        *error = tr("field %1 is named twice.").arg(field.name);
        return false;
    }
    if (!field.fitsBlock()) {
        *error = tr("field %1 (%2 bytes from byte %3) does not fit inside the %4.")
                     .arg(field.name)
                     .arg(field.width())
                     .arg(field.startByte)
                     .arg(field.block == HeaderBlock::Binary ? tr("binary header (bytes 3201-3600)")
                                                             : tr("trace header (bytes 1-240)"));
        return false;
    }
    m_fields.append(field);
    return true;
}

bool FieldLayout::addSpec(const QString& spec, QString* error)
{
    static const QRegularExpression pattern(QStringLiteral("^([^=]+)=([0-9]+):([A-Za-z0-9]+)$"));
    const QRegularExpressionMatch match = pattern.match(spec.trimmed());
    FieldDescription field;
    if (!match.hasMatch() || !valueTypeOfName(match.captured(3), &field.type)) {
        *error = tr("%1 is no field as NAME=BYTE:TYPE (TYPE one of int8, int16, int32, int64, uint8, uint16, "
                    "uint32, uint64, ibm32, ieee32, ieee64).")
                     .arg(spec);
        return false;
    }
    field.name = match.captured(1).trimmed();
    field.startByte = match.captured(2).toInt();
    field.block = field.startByte > TextHeaderSize ? HeaderBlock::Binary : HeaderBlock::Trace;
    return add(field, error);
}

bool FieldLayout::loadJson(const QByteArray& json, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (!document.isObject()) {
        *error = parseError.error != QJsonParseError::NoError
                     ? tr("the layout is no valid JSON: %1 at offset %2.").arg(parseError.errorString()).arg(parseError.offset)
                     : tr("the layout is no JSON object.");
        return false;
    }
    FieldLayout read;
    for (const QString& key : {traceKey, binaryKey}) {
        for (const QJsonValue& item : document.object().value(key).toArray()) {
            const QJsonObject object = item.toObject();
            FieldDescription field;
            field.block = key == binaryKey ? HeaderBlock::Binary : HeaderBlock::Trace;
            field.name = object.value(QStringLiteral("name")).toString();
            field.startByte = object.value(QStringLiteral("byte")).toInt(-1);
            field.description = object.value(QStringLiteral("description")).toString();
            field.scalarField = object.value(QStringLiteral("scalar")).toString();
            const QString type = object.value(QStringLiteral("type")).toString();
            if (!valueTypeOfName(type, &field.type)) {
                *error = tr("field %1 has no known type (\"%2\").").arg(field.name, type);
                return false;
            }
            if (!read.add(field, error))
                return false;
        }
    }
    *this = read;
    return true;
}

bool FieldLayout::load(const QString& fileName, QString* error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = tr("%1 cannot be read: %2").arg(fileName, file.errorString());
        return false;
    }
    QString reason;
    if (loadJson(file.readAll(), &reason))
        return true;
    *error = tr("layout %1: %2").arg(fileName, reason);
    return false;
}

QByteArray FieldLayout::toJson() const
{
    QJsonObject root;
    for (const QString& key : {traceKey, binaryKey}) {
        QJsonArray list;
        for (const FieldDescription& field : fields(key == binaryKey ? HeaderBlock::Binary : HeaderBlock::Trace)) {
            QJsonObject object{{QStringLiteral("name"), field.name},
                               {QStringLiteral("byte"), field.startByte},
                               {QStringLiteral("type"), valueTypeName(field.type)}};
            if (!field.description.isEmpty())
                object.insert(QStringLiteral("description"), field.description);
            if (!field.scalarField.isEmpty())
                object.insert(QStringLiteral("scalar"), field.scalarField);
            list.append(object);
        }
        if (!list.isEmpty())
            root.insert(key, list);
    }
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool FieldLayout::save(const QString& fileName, QString* error) const
{
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly) && file.write(toJson()) >= 0 && file.commit())
        return true;
    *error = tr("%1 cannot be written: %2").arg(fileName, file.errorString());
    return false;
}
