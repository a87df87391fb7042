#include "fieldlayout.h"

#include "headers.h"
#include "samplecodec.h"
#include "textcodec.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
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
    {"uint32", 4}, {"uint64", 8}, {"ibm32", 4},  {"ieee32", 4}, {"ieee64", 8}, {"text8", 8},
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

// Eight characters as text: ASCII when every byte is printable ASCII or a
// blank, else read as EBCDIC; trailing blanks and NULs dropped.
QString headerNameText(const QByteArray& bytes)
{
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == 0 || (c >= 32 && c < 127); });
    const QString text = ascii ? QString::fromLatin1(bytes) : fromEbcdic(bytes);
    QString trimmed = text;
    while (!trimmed.isEmpty() && (trimmed.back() == QLatin1Char(' ') || trimmed.back() == QChar(0)))
        trimmed.chop(1);
    return trimmed;
}

const QString traceKey = QStringLiteral("traceHeader");
const QString binaryKey = QStringLiteral("binaryHeader");

}  // namespace

QString valueTypeRange(ValueType type)
{
    if (type == ValueType::Text8)
        return tr("text8, read only");
    if (isFloatType(type))
        return tr("%1, a decimal number it can hold").arg(valueTypeName(type));
    const int bits = 8 * valueTypeWidth(type);
    if (isUnsignedType(type))
        return QStringLiteral("%1, 0 to %2").arg(valueTypeName(type)).arg(bits < 64 ? (quint64(1) << bits) - 1 : ~quint64(0));
    return QStringLiteral("%1, %2 to %3")
        .arg(valueTypeName(type))
        .arg(bits < 64 ? -(qint64(1) << (bits - 1)) : std::numeric_limits<qint64>::min())
        .arg(bits < 64 ? (qint64(1) << (bits - 1)) - 1 : std::numeric_limits<qint64>::max());
}

bool integerFitsType(qint64 v, ValueType type)
{
    if (isFloatType(type))
        return true;
    const int bits = 8 * valueTypeWidth(type);
    if (isUnsignedType(type))
        return v >= 0 && (bits >= 63 || v < (qint64(1) << bits));
    return bits >= 64 || (v >= -(qint64(1) << (bits - 1)) && v < (qint64(1) << (bits - 1)));
}

FieldValue fieldValueOfInteger(qint64 v, ValueType type)
{
    if (isFloatType(type))
        return FieldValue::ofFloat(double(v));
    return isUnsignedType(type) ? FieldValue::ofUnsigned(quint64(v)) : FieldValue::ofSigned(v);
}

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
    return type >= ValueType::Ibm32 && type <= ValueType::Ieee64;
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
    case Kind::Text: return s;
    default: return QString::number(f, 'g', 17 - (double(float(f)) == f ? 8 : 0));
    }
}

bool FieldValue::operator==(const FieldValue& other) const
{
    if (kind == Kind::Text || other.kind == Kind::Text)
        return kind == other.kind && s == other.s;
    if (kind == other.kind)
        return kind == Kind::Signed ? i == other.i : kind == Kind::Unsigned ? u == other.u : f == other.f;
    return !(*this < other) && !(other < *this);
}

bool FieldValue::operator<(const FieldValue& other) const
{
    if (kind == Kind::Text || other.kind == Kind::Text)
        return kind == other.kind ? s < other.s : kind != Kind::Text;
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
    if (field.type == ValueType::Text8) {
        const QByteArray bytes(reinterpret_cast<const char*>(block + field.offset()), width);
        FieldValue text;
        text.kind = FieldValue::Kind::Text;
        text.s = headerNameText(bytes);
        return text;
    }
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
    if (type == ValueType::Text8)
        return false;
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
    if (!ok || !integerFitsType(v, type))
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

bool standardChangesFor(const CHeader& header, const FieldValues& values, bool littleEndian,
                        const std::function<void(int, qint32)>& add, const std::function<void(int, uchar)>& addByte,
                        QString* error)
{
    if (values.empty())
        return true;
    const HeaderTable& table = header.table();
    uchar before[BinaryHeaderSize];
    uchar block[BinaryHeaderSize];
    header.encodeTo(before, littleEndian);
    std::memcpy(block, before, sizeof block);
    bool written[BinaryHeaderSize] = {};
    for (const auto& [field, value] : values) {
        if (field.type == ValueType::Text8) {
            *error = tr("field %1 holds text and cannot be edited.").arg(field.title());
            return false;
        }
        writeFieldValue(block, field, littleEndian, value);
        for (int byte = field.offset(); byte < field.offset() + field.width(); ++byte)
            written[byte] = true;
    }
    for (int i = 0; i < table.count; ++i) {
        const int at = table.offsets[i], width = table.specs[i].width;
        for (int byte = at; byte < at + width; ++byte)
            written[byte] = false;
        if (std::memcmp(block + at, before + at, size_t(width)) == 0)
            continue;
        const FieldValue now = readFieldValue(block, FieldDescription::standard(values.front().first.block, i), littleEndian);
        const qint32 v = qint32(now.kind == FieldValue::Kind::Unsigned ? qint64(now.u) : now.i);
        if (v != header.value(i))
            add(i, v);
    }
    // What is left written belongs to no standard field.
    for (int byte = 0; byte < BinaryHeaderSize; ++byte)
        if (written[byte] && block[byte] != before[byte])
            addByte(byte, block[byte]);
    return true;
}

namespace {

FieldDescription builtIn(HeaderBlock block, const char* name, int startByte, ValueType type, const char* description)
{
    FieldDescription field;
    field.name = QString::fromLatin1(name);
    field.block = block;
    field.startByte = startByte;
    field.type = type;
    field.description = QString::fromUtf8(description);
    return field;
}

}  // namespace

const QList<FieldDescription>& revision2BinaryFields()
{
    static const QList<FieldDescription> fields = [] {
        const HeaderBlock b = HeaderBlock::Binary;
        return QList<FieldDescription>{
            builtIn(b, "ExtendedTracesPerEnsemble", 3261, ValueType::Int32, "Extended number of data traces per ensemble (overrides 3213-3214 when not 0)."),
            builtIn(b, "ExtendedAuxiliaryTraces", 3265, ValueType::Int32, "Extended number of auxiliary traces per ensemble (overrides 3215-3216)."),
            builtIn(b, "ExtendedSampleCount", 3269, ValueType::Int32, "Extended number of samples per data trace (overrides 3221-3222)."),
            builtIn(b, "ExtendedSampleInterval", 3273, ValueType::Ieee64, "Extended sample interval (overrides 3217-3218); microseconds for time data."),
            builtIn(b, "ExtendedOriginalSampleInterval", 3281, ValueType::Ieee64, "Extended sample interval of the original field recording (overrides 3219-3220)."),
            builtIn(b, "ExtendedOriginalSampleCount", 3289, ValueType::Int32, "Extended number of samples per trace in the original recording (overrides 3223-3224)."),
            builtIn(b, "ExtendedEnsembleFold", 3293, ValueType::Int32, "Extended ensemble fold (overrides 3227-3228)."),
            builtIn(b, "ByteOrderConstant", 3297, ValueType::Int32, "Byte-order constant: 16909060 in the file's byte order; 0 before revision 2."),
            builtIn(b, "MajorRevision", 3501, ValueType::UInt8, "Major SEG-Y revision number."),
            builtIn(b, "MinorRevision", 3502, ValueType::UInt8, "Minor SEG-Y revision number."),
            builtIn(b, "MaxTraceHeaderExtensions", 3507, ValueType::Int16, "Maximum number of additional 240-byte trace headers per trace (3507-3510 as one 32-bit number in 2.0 files)."),
            builtIn(b, "SurveyType", 3509, ValueType::Int16, "Survey type (revision 2.1)."),
            builtIn(b, "TimeBasisCode", 3511, ValueType::Int16, "Time basis code: 1 local, 2 GMT, 3 other, 4 UTC, 5 GPS."),
            builtIn(b, "TraceCount", 3513, ValueType::UInt64, "Number of traces in the file; 0: every byte after the headers belongs to traces."),
            builtIn(b, "FirstTraceOffset", 3521, ValueType::UInt64, "Byte offset of the first trace from the start of the file, when not 0."),
            builtIn(b, "TrailerStanzas", 3529, ValueType::Int32, "Number of 3200-byte trailer stanzas after the last trace; -1: unknown."),
        };
    }();
    return fields;
}

const QList<FieldDescription>& extension1Fields()
{
    static const QList<FieldDescription> fields = [] {
        const HeaderBlock e = HeaderBlock::TraceExtension1;
        const ValueType d = ValueType::Ieee64;
        return QList<FieldDescription>{
            builtIn(e, "ext1.TraceSequenceLine", 1, ValueType::UInt64, "Extension 1: trace sequence number within the line."),
            builtIn(e, "ext1.TraceSequenceFile", 9, ValueType::UInt64, "Extension 1: trace sequence number within the file."),
            builtIn(e, "ext1.FieldRecord", 17, ValueType::Int64, "Extension 1: original field record number."),
            builtIn(e, "ext1.Ensemble", 25, ValueType::Int64, "Extension 1: ensemble number."),
            builtIn(e, "ext1.ReceiverElevation", 33, d, "Extension 1: receiver group elevation."),
            builtIn(e, "ext1.ReceiverDepth", 41, d, "Extension 1: receiver depth."),
            builtIn(e, "ext1.SourceSurfaceElevation", 49, d, "Extension 1: source surface elevation."),
            builtIn(e, "ext1.SourceDepth", 57, d, "Extension 1: source depth."),
            builtIn(e, "ext1.ReceiverDatumElevation", 65, d, "Extension 1: datum elevation at receiver group."),
            builtIn(e, "ext1.SourceDatumElevation", 73, d, "Extension 1: datum elevation at source."),
            builtIn(e, "ext1.SourceWaterDepth", 81, d, "Extension 1: water depth at source."),
            builtIn(e, "ext1.GroupWaterDepth", 89, d, "Extension 1: water depth at group."),
            builtIn(e, "ext1.SourceX", 97, d, "Extension 1: source X."),
            builtIn(e, "ext1.SourceY", 105, d, "Extension 1: source Y."),
            builtIn(e, "ext1.GroupX", 113, d, "Extension 1: group X."),
            builtIn(e, "ext1.GroupY", 121, d, "Extension 1: group Y."),
            builtIn(e, "ext1.Offset", 129, d, "Extension 1: distance from source to receiver group."),
            builtIn(e, "ext1.SampleCount", 137, ValueType::UInt32, "Extension 1: number of samples in this trace."),
            builtIn(e, "ext1.Nanoseconds", 141, ValueType::Int32, "Extension 1: nanoseconds to add to the second of the trace start time."),
            builtIn(e, "ext1.SampleInterval", 145, d, "Extension 1: sample interval (microseconds for time data)."),
            builtIn(e, "ext1.CableNumber", 153, ValueType::Int32, "Extension 1: cable number or recording device/sensor ID."),
            builtIn(e, "ext1.ExtensionCount", 157, ValueType::UInt16, "Extension 1: number of additional trace headers of this trace."),
            builtIn(e, "ext1.LastTraceFlag", 159, ValueType::Int16, "Extension 1: last trace flag."),
            builtIn(e, "ext1.CdpX", 161, d, "Extension 1: CDP X."),
            builtIn(e, "ext1.CdpY", 169, d, "Extension 1: CDP Y."),
            builtIn(e, "ext1.HeaderName", 233, ValueType::Text8, "Extension 1: header name (SEG00001)."),
        };
    }();
    return fields;
}

const FieldDescription* extension1Field(const QString& name)
{
    for (const FieldDescription& field : extension1Fields())
        if (field.name.compare(name, Qt::CaseInsensitive) == 0)
            return &field;
    return nullptr;
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

bool FieldLayout::addDefinition(const QString& definition, QString* error)
{
    static const QRegularExpression pattern(QStringLiteral("^([^=]+)=([0-9]+):([A-Za-z0-9]+)$"));
    const QRegularExpressionMatch match = pattern.match(definition.trimmed());
    FieldDescription field;
    if (!match.hasMatch() || !valueTypeOfName(match.captured(3), &field.type)) {
        *error = tr("%1 is no field as NAME=BYTE:TYPE (TYPE one of int8, int16, int32, int64, uint8, uint16, "
                    "uint32, uint64, ibm32, ieee32, ieee64).")
                     .arg(definition);
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
    // A misspelt key would drop its fields without a word; "scan" holds
    // what the scan found, beside the fields it suggests.
    for (const QString& key : document.object().keys())
        if (key != traceKey && key != binaryKey && key != QLatin1String("scan")) {
            *error = tr("the layout has an unknown key \"%1\" (it holds \"%2\" and \"%3\").").arg(key, traceKey, binaryKey);
            return false;
        }
    FieldLayout read;
    for (const QString& key : {traceKey, binaryKey}) {
        for (const QJsonValue& item : document.object().value(key).toArray()) {
            const QJsonObject object = item.toObject();
            FieldDescription field;
            field.block = key == binaryKey ? HeaderBlock::Binary : HeaderBlock::Trace;
            field.name = object.value(QStringLiteral("name")).toString();
            const QJsonValue byte = object.value(QStringLiteral("byte"));
            if (!byte.isDouble() || byte.toDouble() != std::floor(byte.toDouble())) {
                *error = tr("field %1: its byte must be a whole number.").arg(field.name);
                return false;
            }
            field.startByte = byte.toInt(-1);
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
