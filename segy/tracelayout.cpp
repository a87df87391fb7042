#include "tracelayout.h"

#include "samplecodec.h"

#include <QCoreApplication>

TraceLayout::TraceLayout(const Source& source)
    : m_source(source), m_sampleBytes(bytesPerSampleForFormat(source.formatCode)), m_end(source.firstTraceOffset)
{
    // Fixed when traces of the binary header's count fill the data after
    // the headers exactly, as at least one trace.
    const qint64 dataBytes = source.fileSize - source.firstTraceOffset;
    m_fixedLength = source.binarySampleCount >= 1 && m_sampleBytes >= 1 && dataBytes > 0
                    && dataBytes % traceBytes(source.binarySampleCount) == 0;
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
        return QCoreApplication::translate("TraceLayout", "The last trace is cut short by %1 bytes.")
            .arg(missingBytes());
    return QString();
}
