#include "changehistory.h"

#include "segy.h"

#include <QLocale>

HeaderChanges ChangeHistory::currentValues(const SEGY& segy, const HeaderChanges& inverse)
{
    HeaderChanges forward;
    for (const HeaderChanges::BinaryValue& value : inverse.binaryValues())
        forward.setBinaryValue(value.field, segy.mainHeaderValue(value.field));
    for (const HeaderChanges::BinaryByte& byte : inverse.binaryBytes())
        forward.setBinaryByte(byte.offset, segy.mainHeader()->rawBlock()[byte.offset]);
    forward.reserve(inverse.traceValues().size());
    const QList<SEGYTraceHeader*> headers = segy.traceHeaders();
    for (const HeaderChanges::TraceValue& value : inverse.traceValues())
        forward.setTraceValue(value.trace, value.field, headers.at(value.trace)->value(value.field));
    if (inverse.textHeader())
        forward.setTextHeader(segy.textHeader());
    return forward;
}

qint64 ChangeHistory::bytesOf(const HeaderChanges& changes)
{
    return qint64(changes.traceValues().capacity() * sizeof(HeaderChanges::TraceValue))
           + qint64(changes.binaryValues().capacity() * sizeof(HeaderChanges::BinaryValue))
           + qint64(changes.binaryBytes().capacity() * sizeof(HeaderChanges::BinaryByte))
           + (changes.textHeader() ? changes.textHeader()->size() : 0);
}

int ChangeHistory::record(const QString& name, HeaderChanges forward, HeaderChanges inverse)
{
    // A new step ends the steps that were undone.
    while (int(m_steps.size()) > m_index) {
        m_bytes -= m_steps.back().bytes;
        m_steps.pop_back();
    }
    if (m_clean > m_index)
        m_clean = -1;
    Step step{name, std::move(forward), std::move(inverse), 0};
    step.bytes = qint64(sizeof(Step)) + name.size() * qint64(sizeof(QChar)) + bytesOf(step.forward)
                 + bytesOf(step.inverse);
    m_bytes += step.bytes;
    m_steps.push_back(std::move(step));
    ++m_index;

    int dropped = 0;
    while (m_bytes > m_budget && m_steps.size() > 1) {
        m_bytes -= m_steps.front().bytes;
        m_steps.pop_front();
        --m_index;
        m_clean = m_clean > 0 ? m_clean - 1 : -1;
        ++dropped;
    }
    return dropped;
}

ApplyResult ChangeHistory::undo(SEGY& segy)
{
    if (!canUndo())
        return ApplyResult();
    const ApplyResult result = segy.apply(m_steps[size_t(m_index - 1)].inverse);
    if (result.ok)
        --m_index;
    return result;
}

ApplyResult ChangeHistory::redo(SEGY& segy)
{
    if (!canRedo())
        return ApplyResult();
    const ApplyResult result = segy.apply(m_steps[size_t(m_index)].forward);
    if (result.ok)
        ++m_index;
    return result;
}

void ChangeHistory::clear()
{
    m_steps.clear();
    m_index = 0;
    m_clean = 0;
    m_bytes = 0;
}

QString ChangeHistory::sizeText(qint64 bytes)
{
    const QLocale english(QLocale::English);
    const char* units[] = {"bytes", "KB", "MB", "GB"};
    int unit = 0;
    double size = double(bytes);
    while (unit < 3 && size >= 1024) {
        size /= 1024;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(english.toString(size, 'g', 4), QLatin1String(units[unit]));
}
