#pragma once

// Test support: the samples of one trace of a loaded file, where the loader
// laid the trace out, decoded to doubles and encoded back. Only tests read
// or write samples; the file model copies them as stored.

#include "samplecodec.h"
#include "segy.h"

#include <QIODevice>
#include <QVector>
#include <vector>

// The samples of a trace read from source (open for reading); empty for an
// index outside the list.
inline QVector<double> readTraceSamples(const SEGY& segy, QIODevice* source, int trace)
{
    const QList<SEGYTraceHeader*> headers = segy.traceHeaders();
    if (trace < 0 || trace >= headers.size() || !headers[trace] || !source)
        return {};
    const SEGYTraceHeader* header = headers[trace];
    const TraceLayout& layout = segy.layout();
    QVector<double> samples(header->loadedSampleCount, 0.0);
    const qint64 bytes = qint64(samples.size()) * layout.sampleBytes();
    if (bytes > 0 && source->seek(header->filePosition + TraceHeaderSize)) {
        std::vector<uchar> stored(size_t(bytes), 0);
        source->read(reinterpret_cast<char*>(stored.data()), bytes);  // what is missing reads as 0
        decodeSamples(layout.formatCode(), stored.data(), samples.size(), segy.byteOrder() == 1, samples.data());
    }
    return samples;
}

// Writes the samples of a trace to destination (open for writing) where the
// loader found them; false when nothing or not all could be written.
inline bool writeTraceSamples(const SEGY& segy, QIODevice* destination, int trace, const QVector<double>& samples)
{
    const QList<SEGYTraceHeader*> headers = segy.traceHeaders();
    if (trace < 0 || trace >= headers.size() || !headers[trace] || !destination)
        return false;
    const SEGYTraceHeader* header = headers[trace];
    const TraceLayout& layout = segy.layout();
    const int count = header->loadedSampleCount;
    if (samples.size() < count || layout.sampleBytes() == 0)
        return false;
    std::vector<uchar> bytes(size_t(count) * size_t(layout.sampleBytes()));
    encodeSamples(layout.formatCode(), samples.constData(), count, segy.byteOrder() == 1, bytes.data());
    const qint64 size = qint64(bytes.size());
    return destination->seek(header->filePosition + TraceHeaderSize)
           && destination->write(reinterpret_cast<const char*>(bytes.data()), size) == size;
}
