#include "jsonwriter.h"

#include "commandsupport.h"
#include "fieldlayout.h"

#include <charconv>
#include <cmath>

namespace {

constexpr size_t FlushSize = size_t(1) << 20;

}  // namespace

JsonWriter::JsonWriter(FILE* stream)
    : m_stream(stream)
{
    m_buffer.reserve(FlushSize + 4096);
}

JsonWriter::~JsonWriter()
{
    flush();
}

void JsonWriter::newLine()
{
    put('\n');
    for (size_t i = 0; i < m_levels.size(); ++i)
        put("  ", 2);
}

void JsonWriter::beginValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_levels.empty())
        return;
    Level& level = m_levels.back();
    if (!level.empty)
        put(',');
    if (level.compact) {
        if (!level.empty)
            put(' ');
    } else {
        newLine();
    }
    level.empty = false;
}

void JsonWriter::open(char bracket, bool compact)
{
    beginValue();
    put(bracket);
    const bool insideCompact = !m_levels.empty() && m_levels.back().compact;
    m_levels.push_back(Level{compact || insideCompact, true});
}

void JsonWriter::close(char bracket)
{
    const Level level = m_levels.back();
    m_levels.pop_back();
    if (!level.compact && !level.empty)
        newLine();
    put(bracket);
    flushIfFull();
}

void JsonWriter::beginObject(bool compact)
{
    open('{', compact);
}

void JsonWriter::endObject()
{
    close('}');
}

void JsonWriter::beginArray(bool compact)
{
    open('[', compact);
}

void JsonWriter::endArray()
{
    close(']');
}

void JsonWriter::key(const QString& name)
{
    key(name.toUtf8());
}

void JsonWriter::key(const QByteArray& utf8Name)
{
    beginValue();
    putString(utf8Name.constData(), utf8Name.size());
    put(": ", 2);
    m_afterKey = true;
}

void JsonWriter::value(qint64 number)
{
    beginValue();
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, number);
    put(text, size_t(result.ptr - text));
}

void JsonWriter::fieldValue(const FieldValue& field)
{
    if (field.kind == FieldValue::Kind::Text) {
        value(field.text());
        return;
    }
    if (field.kind == FieldValue::Kind::Float && !std::isfinite(field.f)) {
        null();
        return;
    }
    beginValue();
    const QByteArray bytes = field.text().toLatin1();
    put(bytes.constData(), size_t(bytes.size()));
}

void JsonWriter::value(const QString& text)
{
    value(text.toUtf8());
}

void JsonWriter::value(const QByteArray& utf8Text)
{
    beginValue();
    putString(utf8Text.constData(), utf8Text.size());
    flushIfFull();
}

void JsonWriter::null()
{
    beginValue();
    put("null", 4);
}

void JsonWriter::decimal(double number, int decimals)
{
    if (!std::isfinite(number)) {
        null();
        return;
    }
    // What rounds to zero is written without a sign.
    if (std::fabs(number) < 0.5 * std::pow(10.0, -decimals))
        number = 0.0;
    beginValue();
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, number, std::chars_format::fixed, decimals);
    put(text, size_t(result.ptr - text));
}

void JsonWriter::putString(const char* data, int size)
{
    static const char hex[] = "0123456789abcdef";
    put('"');
    for (int i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        switch (c) {
        case '"': put("\\\"", 2); break;
        case '\\': put("\\\\", 2); break;
        case '\n': put("\\n", 2); break;
        case '\r': put("\\r", 2); break;
        case '\t': put("\\t", 2); break;
        default:
            if (c < 0x20 || c == 0x7F) {
                const char escaped[6] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
                put(escaped, sizeof escaped);
            } else {
                put(char(c));
            }
        }
    }
    put('"');
}

void JsonWriter::finish()
{
    put('\n');
    flush();
    std::fflush(m_stream);
}

void JsonWriter::flushIfFull()
{
    if (m_buffer.size() >= FlushSize)
        flush();
}

void JsonWriter::flush()
{
    if (!m_buffer.empty())
        writeOutput(m_stream, m_buffer.data(), m_buffer.size());
    m_buffer.clear();
}
