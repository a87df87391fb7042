#include "tracelayout.h"

#include "samplecodec.h"

#include <QCoreApplication>

TraceLayout::TraceLayout(const Source& source)
    : m_source(source), m_sampleBytes(bytesPerSampleForFormat(source.formatCode)), m_end(source.firstTraceOffset)
{
    // Fixed when traces of the binary header's count fill the data after
    // the headers exactly, as at least one trace.
    const qint64 dataBytes = dataEnd() - source.firstTraceOffset;
    m_fixedFits = source.binarySampleCount >= 1 && m_sampleBytes >= 1 && dataBytes > 0
                  && dataBytes % traceBytes(source.binarySampleCount) == 0;
    m_fixedLength = m_fixedFits && source.fixedLengthFlag;
}

TraceLayout TraceLayout::fixedInstead() const
{
    TraceLayout fixed(m_source);
    fixed.m_fixedLength = m_fixedFits;
    return fixed;
}

QString TraceLayout::uncertainty() const
{
    auto tr = [](const char* text) { return QCoreApplication::translate("TraceLayout", text); };
    if (m_sampleBytes == 0)
        return tr("format code %1 has no known sample size").arg(m_source.formatCode);
    if (!m_uncertainty.isEmpty())
        return m_uncertainty;
    if (m_traceCount == 0)
        return tr("no trace was found");
    if (missingBytes() > 0)
        return tr("the last trace is cut short: %1 bytes missing").arg(missingBytes());
    if (leftOverBytes() > 0)
        return tr("%1 bytes are left over after the last trace").arg(leftOverBytes());
    return QString();
}

QString TraceLayout::mismatch() const
{
    if (leftOverBytes() > 0)
        return QCoreApplication::translate("TraceLayout", "%1 bytes are left over after the last trace.")
            .arg(leftOverBytes());
    if (missingBytes() > 0 && m_traceCount == 0)
        return QCoreApplication::translate("TraceLayout", "The file ends %1 bytes before its headers do.")
            .arg(missingBytes());
    if (missingBytes() > 0)
        return QCoreApplication::translate("TraceLayout", "The last trace is cut short: %1 bytes missing.")
            .arg(missingBytes());
    return QString();
}
