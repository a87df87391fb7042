#include "delimitedtext.h"

#include <QIODevice>

namespace {

// Characters with a meaning of their own in the classic expression syntax.
bool isPlainCharacter(QChar c)
{
    return !QStringLiteral("\\^$.|?*+()[]{}").contains(c);
}

}  // namespace

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
    if (m_useExpression) {
        if (m_expression.isValid())
            *fields = line.split(m_expression, Qt::KeepEmptyParts);
        else
            fields->append(line);
        return;
    }
    const QChar* text = line.constData();
    const int length = line.size();
    int start = 0;
    for (int i = 0; i < length;) {
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
    fields->append(line.mid(start));
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

bool DelimitedTextReader::nextLine(QString* line)
{
    if (m_device->atEnd())
        return false;
    QByteArray bytes = m_device->readLine();
    if (bytes.isEmpty())
        return false;
    int length = bytes.size();
    if (bytes.at(length - 1) == '\n')
        --length;
    if (length > 0 && bytes.at(length - 1) == '\r')
        --length;
    int begin = 0;
    if (m_lineNumber == 0 && bytes.startsWith("\xEF\xBB\xBF"))
        begin = 3;  // the byte-order mark some editors write
    ++m_lineNumber;
    *line = QString::fromUtf8(bytes.constData() + begin, qMax(0, length - begin));
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
    return int(float(m_device->pos()) / float(m_size) * 100.0f);
}
