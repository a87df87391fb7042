#include "segyfileio.h"

#include "filewindow.h"
#include "largebuffer.h"
#include "outputfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDevice>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

void SegyFile::clear()
{
    mainHeader.reset();
    traceHeaders.clear();
    store.clear();
    layout = TraceLayout();
}

QDataStream::ByteOrder byteOrderForFormatBytes(const uchar* bytes)
{
    // Format codes run from 1 to 16: read big-endian as anything above, the
    // code is little-endian (1 reads as 256).
    return qFromBigEndian<qint16>(bytes) > 16 ? QDataStream::LittleEndian : QDataStream::BigEndian;
}

namespace {

// The file object's texts, under its translation context.
QString tr(const char* text)
{
    return QCoreApplication::translate("SEGY", text);
}

// Per-trace warnings are given for this many traces; one line then counts
// the rest, so a file with a fault in every trace does not flood the user.
const int RepeatedWarningsShown = 10;

// Traces at least this long have their headers read one by one instead of
// through the read window, which would carry all their samples.
const qint64 LongTraceBytes = qint64(32) << 10;

// Walks the trace headers from the layout's first trace to the end of the
// file; false when the device fails.
bool walkTraces(QIODevice* device, SegyFile* file, FileResult* result, ProgressReport& progress)
{
    TraceLayout& layout = file->layout;
    const qint64 size = layout.fileSize();
    FileWindowReader reader(device, size);
    const bool littleEndian = file->byteOrder == QDataStream::LittleEndian;
    const int binaryCount = layout.binarySampleCount();
    const qint64 fixedTraceBytes = layout.traceBytes(binaryCount);
    const qint64 dataBytes = size - layout.firstTraceOffset();
    if (layout.hasFixedLength())
        file->traceHeaders.reserve(int(std::min<qint64>(dataBytes / fixedTraceBytes, qint64(1) << 24)));

    int invalidCounts = 0;
    int disagreeing = 0;
    // Walked traces are taken to be as long as the one before.
    qint64 expectedTraceBytes = fixedTraceBytes;
    while (!layout.reachedEnd()) {
        const qint64 position = layout.nextTracePosition();
        SEGYTraceHeader* header = file->store.create(position);
        const uchar* bytes = expectedTraceBytes >= LongTraceBytes ? reader.bytesAtAlone(position, TraceHeaderSize)
                                                                 : reader.bytesAt(position, TraceHeaderSize);
        if (reader.failed())
            return false;
        header->decodeFrom(bytes, littleEndian);
        file->traceHeaders.append(header);
        const int traceNumber = file->traceHeaders.size();
        const int ownCount = header->value(TraceField::SampleCount);
        if (ownCount < 1 && ++invalidCounts <= RepeatedWarningsShown)
            result->messages << tr("Invalid samples count at trace %0.").arg(traceNumber);
        if (layout.hasFixedLength() && ownCount >= 1 && ownCount != binaryCount)
            ++disagreeing;
        header->loadedSampleCount = layout.addTrace(ownCount);
        expectedTraceBytes = layout.traceBytes(header->loadedSampleCount);
        if (traceNumber == 1 && !layout.hasFixedLength())
            file->traceHeaders.reserve(int(std::min<qint64>(dataBytes / expectedTraceBytes + 1, qint64(1) << 24)));
        progress(int(std::min(layout.nextTracePosition(), size) * 100.0 / size));
    }
    if (invalidCounts > RepeatedWarningsShown)
        result->messages << tr("The same warning was given for %1 more traces.").arg(invalidCounts - RepeatedWarningsShown);
    if (disagreeing > 0)
        result->messages << tr("The trace headers of %1 traces give a samples count other than the binary header's %2; "
                               "the file holds traces of %2 samples exactly, so it was read that way.")
                                .arg(disagreeing)
                                .arg(binaryCount);
    return true;
}

}  // namespace

FileResult loadSegyFile(QIODevice* device, SegyFile* file, const std::function<void(int)>& progressCallback)
{
    FileResult result;
    file->clear();
    if (!device || !device->open(QIODevice::ReadOnly)) {
        result.error = tr("The file cannot be opened.");
        return result;
    }
    const qint64 size = device->size();
    uchar code[2] = {0, 0};
    bool readOk = true;
    if (size >= 3226)
        readOk = device->seek(3224) && device->read(reinterpret_cast<char*>(code), 2) == 2;
    file->byteOrder = byteOrderForFormatBytes(code);
    device->seek(0);

    QDataStream stream(device);
    stream.setByteOrder(file->byteOrder);
    file->mainHeader.reset(new SEGYMainHeader);
    SEGYMainHeader& mainHeader = *file->mainHeader;
    stream >> mainHeader;
    readOk = readOk && stream.status() != QDataStream::ReadCorruptData;

    // The standard writes revision 1 as 0x0100.
    const qint16 revision = qint16(mainHeader.value(BinaryField::Revision));
    if (readOk && revision != 0 && revision != 1 && revision != 0x0100)
        result.messages << tr("Unsupported revision number %0 found in file.").arg(revision);

    const TraceLayout::Source source{mainHeader.value(BinaryField::SampleCount),
                                     mainHeader.value(BinaryField::FormatCode), device->pos(), size};
    file->layout = TraceLayout(source);
    bool walked = readOk;
    if (walked && source.firstTraceOffset < size) {
        ProgressReport progress(progressCallback);
        try {
            walked = walkTraces(device, file, &result, progress);
        } catch (const std::bad_alloc&) {
            // More traces than memory can hold: the load fails cleanly.
            walked = false;
        }
    }
    if (!walked) {
        file->traceHeaders.clear();
        file->store.clear();
        file->layout = TraceLayout(source);
        result.error = tr("Error reading file.");
        if (!readOk)
            result.messages << result.error;
    } else if (file->traceHeaders.isEmpty()) {
        result.error = tr("End of file reached before any trace header could be found in file.");
        result.messages << result.error;
        result.noTrace = true;
    } else {
        if (file->layout.missingBytes() > 0)
            result.messages << tr("%0 bytes of junk at the end of the file.").arg(file->layout.missingBytes());
        result.ok = true;
        result.traces = file->traceHeaders.size();
    }
    device->close();
    return result;
}

namespace {

bool writeFully(QIODevice* device, const char* data, qint64 size)
{
    return device->write(data, size) == size;
}

// Writes size bytes at position: one positioned write on a plain file,
// a seek and a write on any other device.
bool writeAt(QIODevice* device, qint64 position, const char* data, qint64 size)
{
#if defined(Q_OS_UNIX)
    auto* file = qobject_cast<QFile*>(device);
    if (file && file->handle() >= 0 && file->flush()) {
        qint64 done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(file->handle(), data + done, size_t(size - done), off_t(position + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }
#endif
    return device->seek(position) && writeFully(device, data, size);
}

// Flushes a file device so that a failed write shows before the device closes.
bool flushed(QIODevice* device)
{
    auto* file = qobject_cast<QFileDevice*>(device);
    return !file || (file->flush() && file->error() == QFileDevice::NoError);
}

// A dirty header costs about as much to write alone as this many bytes of a
// block rewritten whole; a stretch of the file with dirtier headers than that
// is read, patched and written back in one piece.
const qint64 HeaderWriteCost = qint64(16) << 10;
const qint64 PatchBlockBytes = qint64(4) << 20;

bool writeTraceHeadersInPlace(QIODevice* device, SegyFile* file, FileResult* result, ProgressReport& progress)
{
    const bool littleEndian = file->byteOrder == QDataStream::LittleEndian;
    const QList<SEGYTraceHeader*>& headers = file->traceHeaders;
    const int count = headers.size();
    const qint64 size = file->layout.fileSize();
    FileWindowReader reader(device, size);
    std::vector<uchar> block;
    uchar single[TraceHeaderSize];

    // Every write stays inside the bytes the load found: a header cut short
    // by the end of the file is written as far as it went.
    auto clipped = [size](qint64 position, qint64 length) { return std::max<qint64>(0, std::min(length, size - position)); };
    // The headers lie far apart in memory: ask for those ahead early.
    auto header = [&headers, count](int k) {
        if (k + 16 < count)
            prefetch(headers[k + 16]);
        return headers[k];
    };

    int i = 0;
    while (i < count) {
        SEGYTraceHeader* first = header(i);
        if (!first)
            return false;
        if (!first->isModified()) {
            ++i;
            continue;
        }
        // The stretch of headers from this dirty one within one block.
        const qint64 start = first->filePosition;
        int end = i;
        int dirty = 0;
        qint64 stretchEnd = start;
        for (; end < count; ++end) {
            const SEGYTraceHeader* h = header(end);
            if (!h)
                return false;
            if (h->filePosition + TraceHeaderSize - start > PatchBlockBytes)
                break;
            if (h->isModified()) {
                ++dirty;
                stretchEnd = h->filePosition + TraceHeaderSize;
            }
        }
        const qint64 length = clipped(start, stretchEnd - start);
        if (dirty > 1 && qint64(dirty) * HeaderWriteCost >= stretchEnd - start) {
            // The samples between the headers go back as they were read.
            block.resize(size_t(length));
            if (!reader.readExactly(start, length, block.data()))
                return false;
            for (int k = i; k < end; ++k) {
                SEGYTraceHeader* h = headers[k];
                if (!h->isModified())
                    continue;
                const qint64 at = h->filePosition - start;
                const qint64 bytes = clipped(h->filePosition, TraceHeaderSize);
                if (bytes == TraceHeaderSize) {
                    h->encodeTo(block.data() + at, littleEndian);
                } else {
                    h->encodeTo(single, littleEndian);
                    std::memcpy(block.data() + at, single, size_t(bytes));
                }
            }
            if (!writeAt(device, start, reinterpret_cast<const char*>(block.data()), length))
                return false;
            for (int k = i; k < end; ++k)
                headers[k]->setModified(false);
            result->traces += dirty;
        } else {
            for (int k = i; k < end; ++k) {
                SEGYTraceHeader* h = headers[k];
                if (!h->isModified())
                    continue;
                h->encodeTo(single, littleEndian);
                if (!writeAt(device, h->filePosition, reinterpret_cast<const char*>(single), clipped(h->filePosition, TraceHeaderSize)))
                    return false;
                h->setModified(false);
                ++result->traces;
            }
        }
        i = end;
        progress(int((i - 1) * 100.0 / count));
    }
    return true;
}

bool writeNewFile(QIODevice* source, QIODevice* destination, SegyFile* file, FileResult* result, ProgressReport& progress)
{
    if (!file->mainHeader || !source->open(QIODevice::ReadOnly))
        return false;

    const bool littleEndian = file->byteOrder == QDataStream::LittleEndian;
    bool ok = true;
    // A new file gets the mandatory fields a reader needs.
    file->mainHeader->fillMandatoryDefaults();
    const QByteArray headers = file->mainHeader->fileBytes(littleEndian);
    std::vector<char> out;
    out.reserve(size_t(1) << 20);
    out.insert(out.end(), headers.cbegin(), headers.cend());

    // Samples are copied as stored: same format, same byte order, every bit
    // kept. A trace cut short by the end of the source is completed with
    // zero bytes.
    FileWindowReader reader(source, source->size());
    const int sampleBytes = file->layout.sampleBytes();
    const int count = file->traceHeaders.size();
    for (int i = 0; i < count; ++i) {
        const SEGYTraceHeader* header = file->traceHeaders[i];
        if (!header) {
            ok = false;
            break;
        }
        const size_t at = out.size();
        out.resize(at + TraceHeaderSize);
        header->encodeTo(reinterpret_cast<uchar*>(out.data() + at), littleEndian);

        const qint64 byteCount = qint64(header->loadedSampleCount) * sampleBytes;
        if (byteCount > 0) {
            const uchar* stored = reader.bytesAt(header->filePosition + TraceHeaderSize, int(byteCount));
            if (reader.failed()) {
                ok = false;
                break;
            }
            out.insert(out.end(), stored, stored + byteCount);
        }
        if (out.size() >= (size_t(1) << 20)) {
            if (!writeFully(destination, out.data(), qint64(out.size()))) {
                ok = false;
                break;
            }
            out.clear();
        }
        result->traces = i + 1;
        progress(int(i * 100.0 / count));
    }
    if (ok && !out.empty())
        ok = writeFully(destination, out.data(), qint64(out.size()));
    if (ok)
        ok = flushed(destination);
    source->close();
    return ok;
}

}  // namespace

FileResult saveSegyFileInPlace(QIODevice* device, SegyFile* file, const std::function<void(int)>& progressCallback)
{
    FileResult result;
    ProgressReport progress(progressCallback);
    // Only the file that was loaded is rewritten: one that has vanished is not
    // created again as headers alone.
    if (!file->mainHeader || !device || !device->open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        result.error = tr("The file cannot be opened for writing.");
        return result;
    }
    if (device->size() != file->layout.fileSize()) {
        // Offsets found at load no longer describe this file.
        result.error = tr("The file has changed size since it was loaded; nothing was written.");
        result.messages << result.error;
    } else {
        // The file's own binary header values stay as they are: an in-place
        // save writes what was edited and nothing else.
        const QByteArray headers = file->mainHeader->fileBytes(file->byteOrder == QDataStream::LittleEndian);
        const qint64 headerLength = std::min<qint64>(headers.size(), file->layout.fileSize());
        // Each trace header is marked saved once written.
        result.ok = writeAt(device, 0, headers.constData(), headerLength)
                    && writeTraceHeadersInPlace(device, file, &result, progress) && flushed(device);
        if (!result.ok)
            result.error = tr("Error writing file.");
    }
    device->close();
    return result;
}

FileResult saveSegyFileAs(QIODevice* source, QIODevice* destination, SegyFile* file,
                          const std::function<void(int)>& progressCallback)
{
    FileResult result;
    ProgressReport progress(progressCallback);
    // A file is written beside its destination and renamed into place only
    // once complete, so a failure never leaves half a file and a save onto the
    // loaded file reads the original to the end. A destination that is no
    // regular file (a device, a pipe) is written into as it is.
    if (file->mainHeader && source && destination) {
        auto* destFile = qobject_cast<QFile*>(destination);
        auto* saveFile = qobject_cast<QSaveFile*>(destination);
        if (destFile && !destFile->fileName().isEmpty()) {
            OutputFile out(destFile->fileName());
            result.ok = out.open() && writeNewFile(source, out.device(), file, &result, progress) && out.commit();
        } else if (saveFile) {
            result.ok = saveFile->open(QIODevice::WriteOnly) && writeNewFile(source, saveFile, file, &result, progress)
                        && saveFile->commit();
            if (!result.ok)
                saveFile->cancelWriting();
        } else if (destination->open(QIODevice::WriteOnly)) {
            result.ok = writeNewFile(source, destination, file, &result, progress);
            destination->close();
        }
    }
    if (!result.ok)
        result.error = tr("Error writing file.");
    return result;
}
