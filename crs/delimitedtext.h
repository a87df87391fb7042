#pragma once

#include <QRegExp>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class QIODevice;

// How a delimited text file is cut into fields and which of its lines are
// kept: the choices of the text import wizard, also given on the command line.
struct TextSplitOptions {
    bool comma = false;
    bool semicolon = false;
    bool space = false;  // any white space, tabs included
    bool tab = false;
    QString other;  // a regular-expression fragment used as typed; empty: none
    bool mergeDelimiters = true;  // consecutive delimiters count as one
    int startLine = 1;            // first line read, counted from 1
    QString skipPrefix;           // lines beginning with it are dropped; empty: none
    bool removeEmptyRows = false;
};

// Why the delimiters cannot separate values: the other fragment matches a
// digit, "+", "-" or ".", which would cut numbers apart. Empty when they can.
QString delimiterRefusal(const TextSplitOptions& options);

// The delimiter expression in the classic syntax: the chosen alternatives
// ("\,", "\;", "\s", "\t", the other fragment) joined by "|" inside
// parentheses, followed by "+" when consecutive delimiters count as one.
// Empty when no delimiter is chosen.
QString delimiterPattern(const TextSplitOptions& options);

// Splits lines at every match of the delimiter expression, keeping empty
// fields; a line without a match, or any line when there is no valid
// expression, is one field. When white space delimits (space, or tab for
// tabs), white space at either end of the line is dropped first, so that
// right-aligned columns give no empty first field. The common delimiters are matched directly; only
// an "other" fragment that is more than one plain character needs the
// expression engine.
class LineSplitter
{
public:
    explicit LineSplitter(const TextSplitOptions& options);

    void split(const QString& line, QStringList* fields) const;

    // The line filters in their order: the prefix, the split, then empty
    // rows. True when the line is kept, its fields in *fields.
    bool keep(const QString& line, QStringList* fields) const;

private:
    bool isBlankDelimiter(QChar c) const
    {
        return (m_space && c.isSpace()) || (m_tab && c == QLatin1Char('\t'));
    }
    bool isDelimiter(QChar c) const
    {
        return (m_space && c.isSpace()) || (m_tab && c == QLatin1Char('\t')) || (m_comma && c == QLatin1Char(','))
            || (m_semicolon && c == QLatin1Char(';')) || (m_otherChar && c == m_other);
    }

    bool m_comma, m_semicolon, m_space, m_tab;
    bool m_otherChar = false;
    QChar m_other;
    bool m_merge;
    bool m_useExpression = false;
    QRegExp m_expression;
    QString m_skipPrefix;
    bool m_removeEmptyRows;
};

// Reads a delimited text file line by line, keeping nothing behind it. The
// text is UTF-8 with or without a byte-order mark; lines end with LF, CR LF
// or a CR alone.
// The device is read from its current position (normally an opened file's
// start) and never closed here.
class DelimitedTextReader
{
public:
    DelimitedTextReader(QIODevice* device, const TextSplitOptions& options);

    // The next line at or after the start line, without its line end.
    bool readRawLine(QString* line);
    // The fields of the next line the filters keep.
    bool readFields(QStringList* fields);

    // Number in the file (from 1) of the line last read.
    qint64 lineNumber() const { return m_lineNumber; }
    // How much of the file has been read, 0 to 100.
    int percentRead() const;

    const LineSplitter& splitter() const { return m_splitter; }

private:
    bool nextLine(QString* line);
    bool fill();

    QIODevice* m_device;
    QByteArray m_buffer;  // read from the device, not yet taken as lines
    int m_bufferPos = 0;
    bool m_atEnd = false;
    LineSplitter m_splitter;
    int m_startLine;
    qint64 m_lineNumber = 0;
    qint64 m_size;
    QString m_line;
};
