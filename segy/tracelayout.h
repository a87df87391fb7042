#pragma once

#include "headerfields.h"

#include <QString>
#include <QtGlobal>
#include <algorithm>

// Where the traces of a file lie, from the header values and the file size
// alone: no device is needed. The traces follow each other from the first
// trace offset, each a 240-byte header and its samples. A walked trace is as
// long as its own count (115-116) gives, or the binary header's count when
// its own is below 1. When the walk does not end exactly at the end of the
// file but the binary header's count explains the whole data part as traces
// of one length, every trace has that length, whatever its own header says;
// with the fixed-length flag (3503-3504) set, that length wins at once. A
// format without a sample size (sampleBytes 0) makes every trace its header
// alone. The loader walks a file by this value; the edit rules ask it where
// edited headers would place the traces.
//
// A layout is certain when it accounts for every byte of the file: the
// traces (each with its revision 2 extensions) end exactly at its end, or
// at its trailer stanzas, and every trace has samples of a known size. Only
// then may a save write into the file in place.
class TraceLayout
{
public:
    // What the layout is computed from.
    struct Source {
        int binarySampleCount = 0;   // 3221-3222
        int formatCode = 0;          // 3225-3226
        qint64 firstTraceOffset = 0; // after the textual, binary and extended headers
        qint64 fileSize = 0;
        bool fixedLengthFlag = false;  // 3503-3504 is 1
        // Revision 2: additional 240-byte headers after each trace header
        // (the binary header's maximum; a trace may say its own), and
        // trailer stanzas after the last trace.
        int extensionHeaders = 0;
        qint64 trailerBytes = 0;
    };

    TraceLayout() = default;
    // A layout without traces yet: add them in file order with addTrace.
    // It starts as a walk, or fixed when the flag asks for a length that fits.
    explicit TraceLayout(const Source& source);
    // The same layout started again with the fixed length, for a walk that
    // did not end at the end of the file.
    TraceLayout fixedInstead() const;
    // Whether the binary header's count explains the data part exactly.
    bool fixedLengthFits() const { return m_fixedFits; }

    // The sample count a trace is read with, given its own count.
    static int sampleCountOf(int ownCount, int binaryCount, bool fixedLength)
    {
        return (fixedLength || ownCount < 1) ? binaryCount : ownCount;
    }
    int sampleCountFor(int ownCount) const { return sampleCountOf(ownCount, m_source.binarySampleCount, m_fixedLength); }
    qint64 traceBytes(int sampleCount) const
    {
        return TraceHeaderSize * qint64(1 + m_source.extensionHeaders) + qint64(sampleCount) * m_sampleBytes;
    }

    // Places the next trace, whose header gives ownCount, at nextTracePosition()
    // and returns the sample count it is read with. The samples start where
    // the header ends, or at the end of the file for a header it cuts short.
    // extensions: the trace's additional headers (-1: the binary header's).
    int addTrace(int ownCount, int extensions = -1)
    {
        const int count = sampleCountFor(ownCount);
        const qint64 headers = TraceHeaderSize * qint64(1 + (extensions < 0 ? m_source.extensionHeaders : extensions));
        m_end = std::min(m_end + headers, dataEnd()) + qint64(count) * m_sampleBytes;
        ++m_traceCount;
        return count;
    }
    qint64 nextTracePosition() const { return m_end; }
    // Whether a walk is done: no byte of the data part lies after the traces placed.
    bool reachedEnd() const { return m_end >= dataEnd(); }
    // Where the traces must end: the end of the file, before any trailer.
    qint64 dataEnd() const { return m_source.fileSize - m_source.trailerBytes; }
    qint64 trailerBytes() const { return m_source.trailerBytes; }
    int extensionHeaders() const { return m_source.extensionHeaders; }

    const Source& source() const { return m_source; }
    qint64 fileSize() const { return m_source.fileSize; }
    qint64 firstTraceOffset() const { return m_source.firstTraceOffset; }
    int formatCode() const { return m_source.formatCode; }
    int binarySampleCount() const { return m_source.binarySampleCount; }
    int sampleBytes() const { return m_sampleBytes; }
    bool hasFixedLength() const { return m_fixedLength; }
    qint64 traceCount() const { return m_traceCount; }
    // Where the last trace ends (the first trace offset when there is none);
    // beyond the file size when the file cuts the last trace short.
    qint64 lastTraceEnd() const { return m_end; }

    // Whether the traces end exactly at the end of the file (or its trailer).
    bool coversFile() const { return m_end == dataEnd(); }
    qint64 leftOverBytes() const { return std::max<qint64>(0, dataEnd() - m_end); }
    qint64 missingBytes() const { return std::max<qint64>(0, m_end - dataEnd()); }
    // Takes the bytes left over after the last trace as trailer stanzas
    // (a trailer of unknown length): whole 3200-byte blocks only.
    bool takeLeftOverAsTrailer()
    {
        const qint64 left = leftOverBytes();
        if (left == 0 || left % TextHeaderSize != 0)
            return false;
        m_source.trailerBytes += left;
        return true;
    }
    // Why the layout does not cover the file; empty when it does.
    QString mismatch() const;

    // Whether an in-place save may rely on this layout, and why not.
    bool isCertain() const { return uncertainty().isEmpty(); }
    QString uncertainty() const;
    // Something the loader met that it cannot account for (the first is kept).
    void markUncertain(const QString& reason)
    {
        if (m_uncertainty.isEmpty())
            m_uncertainty = reason;
    }

private:
    Source m_source;
    int m_sampleBytes = 0;
    bool m_fixedFits = false;
    bool m_fixedLength = false;
    QString m_uncertainty;
    qint64 m_traceCount = 0;
    qint64 m_end = 0;
};
