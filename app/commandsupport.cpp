#include "commandsupport.h"

#include "headerfields.h"
#include "progressline.h"
#include "segy.h"

#include <QRegularExpression>
#include <QStringList>

void printLine(FILE* stream, const QString& line)
{
    std::fputs(line.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

bool parseInterval(const QString& text, int* start, int* end)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,10})-([0-9]{1,10})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    bool startOk = false;
    bool endOk = false;
    if (match.hasMatch()) {
        *start = match.captured(1).toInt(&startOk);
        *end = match.captured(2).toInt(&endOk);
    }
    return startOk && endOk;
}

bool parseTraceFieldList(const QString& text, QList<int>* fields, QString* badItem)
{
    fields->clear();
    for (const QString& item : text.split(QLatin1Char(','))) {
        const QString startByte = item.trimmed();
        const int index = traceHeaderFieldIndex(startByte);
        if (index < 0) {
            *badItem = startByte;
            return false;
        }
        if (!fields->contains(index))
            fields->append(index);
    }
    return true;
}

void printWarning(const QString& message)
{
    static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    ProgressLine::clear();
    printLine(stderr, QStringLiteral("Warning: ") + QString(message).replace(breaks, QStringLiteral(" ")));
}

void followFileObject(SEGY& segy)
{
    ProgressLine::follow(segy);
    QObject::connect(&segy, &SEGY::errorMessage, [](const QString& message) { printWarning(message); });
}
