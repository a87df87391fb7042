#include "delimitedtext.h"

#include "tracetext.h"

#include <QIODevice>
#include <cstring>

namespace {

// Characters with a meaning of their own in the classic expression syntax.
bool isPlainCharacter(QChar c)
{
    return !QStringLiteral("\\^$.|?*+()[]{}").contains(c);
}

constexpr qint64 ChunkSize = 64 * 1024;

}  // namespace

QString delimiterRefusal(const TextSplitOptions& options)
{
    const QString& other = options.other;
    if (other.isEmpty())
        return QString();
    if (other.size() == 1)  // taken as the character, whatever the expression syntax makes of it
        return delimiterRefusal(other);
    // A fragment of an expression: refused when it matches a number character.
    const QRegExp expression(other, Qt::CaseSensitive, QRegExp::RegExp);
    if (!expression.isValid())
        return QString();
    for (const char c : {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '+', '-', '.'}) {
        if (expression.exactMatch(QString(QLatin1Char(c))))
            return numberDelimiterMessage(other);
    }
    return QString();
}

QString delimiterPattern(const TextSplitOptions& options)
{
    QStringList alternatives;
    if (options.comma)
        alternatives << QStringLiteral("\\,");
    if (options.semicolon)
        alternatives << QStringLiteral("\\;");
    if (options.space)
        alternatives << QStringLiteral("\\s");
    if (options.tab)
        alternatives << QStringLiteral("\\t");
    if (!options.other.isEmpty())
        alternatives << options.other;
    if (alternatives.isEmpty())
        return QString();
    QString pattern = QLatin1Char('(') + alternatives.join(QLatin1Char('|')) + QLatin1Char(')');
    if (options.mergeDelimiters)
        pattern += QLatin1Char('+');
    return pattern;
}

LineSplitter::LineSplitter(const TextSplitOptions& options)
    : m_comma(options.comma),
      m_semicolon(options.semicolon),
      m_space(options.space),
      m_tab(options.tab),
      m_merge(options.mergeDelimiters),
      m_skipPrefix(options.skipPrefix),
      m_removeEmptyRows(options.removeEmptyRows)
{
    if (options.other.size() == 1 && isPlainCharacter(options.other.at(0))) {
        m_otherChar = true;
        m_other = options.other.at(0);
    } else if (!options.other.isEmpty()) {
        m_useExpression = true;
        m_expression = QRegExp(delimiterPattern(options), Qt::CaseSensitive, QRegExp::RegExp);
    }
}

void LineSplitter::split(const QString& line, QStringList* fields) const
{
    fields->clear();
    const QChar* text = line.constData();
    int first = 0;
    int length = line.size();
    while (first < length && isBlankDelimiter(text[first]))
        ++first;
    while (length > first && isBlankDelimiter(text[length - 1]))
        --length;
    if (m_useExpression) {
        const QString trimmed = (first == 0 && length == line.size()) ? line : line.mid(first, length - first);
        if (m_expression.isValid())
            *fields = trimmed.split(m_expression, Qt::KeepEmptyParts);
        else
            fields->append(trimmed);
        return;
    }
    int start = first;
    for (int i = first; i < length;) {
        if (!isDelimiter(text[i])) {
            ++i;
            continue;
        }
        fields->append(line.mid(start, i - start));
        ++i;
        while (m_merge && i < length && isDelimiter(text[i]))
            ++i;
        start = i;
    }
    fields->append(line.mid(start, length - start));
}

bool LineSplitter::keep(const QString& line, QStringList* fields) const
{
    if (!m_skipPrefix.isEmpty() && line.startsWith(m_skipPrefix, Qt::CaseSensitive)) {
        fields->clear();
        return false;
    }
    split(line, fields);
    if (m_removeEmptyRows) {
        // A row is empty when at most one of its fields holds anything: an
        // empty line, delimiters only, or a lone value.
        int filled = 0;
        for (const QString& field : qAsConst(*fields))
            filled += field.isEmpty() ? 0 : 1;
        if (filled <= 1)
            return false;
    }
    return true;
}

DelimitedTextReader::DelimitedTextReader(QIODevice* device, const TextSplitOptions& options)
    : m_device(device), m_splitter(options), m_startLine(qMax(1, options.startLine)), m_size(device->size())
{
}

bool DelimitedTextReader::fill()
{
    if (m_atEnd)
        return false;
    m_buffer.remove(0, m_bufferPos);
    m_bufferPos = 0;
    const int kept = m_buffer.size();
    m_buffer.resize(kept + int(ChunkSize));
    const qint64 got = m_device->read(m_buffer.data() + kept, ChunkSize);
    m_buffer.resize(kept + int(qMax<qint64>(got, 0)));
    if (got <= 0)
        m_atEnd = true;
    return got > 0;
}

bool DelimitedTextReader::nextLine(QString* line)
{
    // A line ends at LF, CR LF or a CR alone.
    int end = m_bufferPos;
    for (;;) {
        const char* data = m_buffer.constData();
        while (end < m_buffer.size() && data[end] != '\n' && data[end] != '\r')
            ++end;
        const bool crLast = end == m_buffer.size() - 1 && data[end] == '\r';
        if ((end < m_buffer.size() && !crLast) || m_atEnd)
            break;
        const int scanned = end - m_bufferPos;
        fill();
        end = m_bufferPos + scanned;
    }
    if (m_bufferPos == m_buffer.size())
        return false;
    const char* data = m_buffer.constData();
    int begin = m_bufferPos;
    int next = end;
    if (next < m_buffer.size())
        next += (data[next] == '\r' && next + 1 < m_buffer.size() && data[next + 1] == '\n') ? 2 : 1;
    if (m_lineNumber == 0 && end - begin >= 3 && std::memcmp(data + begin, "\xEF\xBB\xBF", 3) == 0)
        begin += 3;  // the byte-order mark some editors write
    ++m_lineNumber;
    *line = QString::fromUtf8(data + begin, end - begin);
    m_bufferPos = next;
    return true;
}

bool DelimitedTextReader::readRawLine(QString* line)
{
    while (nextLine(line)) {
        if (m_lineNumber >= m_startLine)
            return true;
    }
    return false;
}

bool DelimitedTextReader::readFields(QStringList* fields)
{
    while (readRawLine(&m_line)) {
        if (m_splitter.keep(m_line, fields))
            return true;
    }
    return false;
}

int DelimitedTextReader::percentRead() const
{
    if (m_size <= 0)
        return 100;
    // The device is read ahead by what the buffer still holds.
    const qint64 position = m_device->pos() - (m_buffer.size() - m_bufferPos);
    return int(float(position) / float(m_size) * 100.0f);
}
