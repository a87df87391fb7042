#include "segyfileio.h"

#include "fieldlayout.h"
#include "filewindow.h"
#include "largebuffer.h"
#include "outputfile.h"
#include "savejournal.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDevice>
#include <QSaveFile>
#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <thread>
#include <vector>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif
#if defined(Q_OS_LINUX)
#include <fcntl.h>
#endif

void SegyFile::clear()
{
    mainHeader.reset();
    traceHeaders.clear();
    store.clear();
    layout = TraceLayout();
    identity = FileIdentity();
    headerBytes.clear();
    headerDigests.clear();
    byteOrderFromConstant = false;
    revision2Layout = false;
    extension1.clear();
    extensionCounts.clear();
    trailer.clear();
}

quint32 traceHeaderDigest(const uchar* bytes)
{
    // Three independent lanes of ten words each, so the multiplications
    // overlap: the digest is taken of every header at load and save.
    static_assert(TraceHeaderSize == 3 * 10 * 8, "a header is 30 words");
    quint64 lane[3] = {0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull};
    for (int i = 0; i < TraceHeaderSize; i += 24) {
        for (int k = 0; k < 3; ++k) {
            quint64 w;
            std::memcpy(&w, bytes + i + 8 * k, 8);
            lane[k] = (lane[k] ^ w) * 0xFF51AFD7ED558CCDull;
            lane[k] ^= lane[k] >> 32;
        }
    }
    const quint64 h = (lane[0] ^ (lane[1] * 0x9E3779B97F4A7C15ull) ^ (lane[2] * 0xC2B2AE3D27D4EB4Full));
    return quint32(h ^ (h >> 29));
}

QDataStream::ByteOrder byteOrderForFormatBytes(const uchar* bytes)
{
    // Format codes run from 1 to 16: read big-endian as anything above, the
    // code is little-endian (1 reads as 256).
    return qFromBigEndian<qint16>(bytes) > 16 ? QDataStream::LittleEndian : QDataStream::BigEndian;
}

ByteOrderConstant byteOrderConstantOf(const uchar* bytes)
{
    switch (qFromBigEndian<quint32>(bytes)) {
    case 0x01020304u: return ByteOrderConstant::BigEndian;
    case 0x04030201u: return ByteOrderConstant::LittleEndian;
    case 0x02010403u: return ByteOrderConstant::PairSwapped;
    default: return ByteOrderConstant::Absent;
    }
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

// What the loader takes from a revision 2 binary header (major revision 2
// in byte 3501); zeros for any other.
struct Revision2Layout {
    qint64 extendedSampleCount = 0;
    qint64 firstTraceOffset = 0;
    int extensionHeaders = 0;
    qint32 trailerStanzas = 0;
    qint64 traceCount = 0;
};

Revision2Layout revision2Layout(const SEGYMainHeader& header, bool littleEndian)
{
    Revision2Layout r;
    uchar block[BinaryHeaderSize];
    header.encodeTo(block, littleEndian);
    if (block[300] != 2)
        return r;
    auto value = [&](const char* name) {
        for (const FieldDescription& field : revision2BinaryFields())
            if (field.name == QLatin1String(name))
                return readFieldValue(block, field, littleEndian);
        return FieldValue();
    };
    r.extendedSampleCount = std::max<qint64>(0, value("ExtendedSampleCount").i);
    r.firstTraceOffset = qint64(std::min<quint64>(value("FirstTraceOffset").u, quint64(1) << 62));
    // 2.1 keeps the maximum in 3507-3508; a 2.0 writer may fill 3507-3510 as
    // one 32-bit number, whose high half is then 0.
    const qint64 short16 = value("MaxTraceHeaderExtensions").i;
    FieldDescription wide = FieldDescription::standard(HeaderBlock::Binary, 0);
    wide.startByte = 3507;
    wide.standardIndex = -1;
    const qint64 long32 = readFieldValue(block, wide, littleEndian).i;
    r.extensionHeaders = int(short16 > 0 ? short16 : (long32 > 0 && long32 <= 0xFFFF ? long32 : 0));
    r.trailerStanzas = qint32(value("TrailerStanzas").i);
    r.traceCount = qint64(std::min<quint64>(value("TraceCount").u, quint64(1) << 40));
    return r;
}

// Whether bytes start a stanza: "((SEG:" in ASCII or EBCDIC.
bool startsStanza(const uchar* bytes)
{
    static const uchar ascii[] = {'(', '(', 'S', 'E', 'G', ':'};
    static const uchar ebcdic[] = {0x4D, 0x4D, 0xE2, 0xC5, 0xC7, 0x7A};
    return std::memcmp(bytes, ascii, 6) == 0 || std::memcmp(bytes, ebcdic, 6) == 0;
}

// Walks the trace headers from the layout's first trace to the end of the
// file; false when the device fails. With trailerAfter (a trailer of
// unknown length), the walk ends where whole stanzas fill the rest of the
// file, or after that many traces when not 0.
bool walkTraces(QIODevice* device, SegyFile* file, FileResult* result, ProgressReport& progress,
                bool findTrailer = false, qint64 declaredTraces = 0)
{
    TraceLayout& layout = file->layout;
    const qint64 size = layout.fileSize();
    FileWindowReader reader(device, size);
    const bool littleEndian = file->byteOrder == QDataStream::LittleEndian;
    const int binaryCount = layout.binarySampleCount();
    const qint64 fixedTraceBytes = layout.traceBytes(binaryCount);
    const qint64 dataBytes = size - layout.firstTraceOffset();
    if (layout.hasFixedLength()) {
        file->traceHeaders.reserve(int(std::min<qint64>(dataBytes / fixedTraceBytes, qint64(1) << 24)));
        file->headerDigests.reserve(size_t(std::min<qint64>(dataBytes / fixedTraceBytes, qint64(1) << 24)));
    }

    int invalidCounts = 0;
    int disagreeing = 0;
    // Walked traces are taken to be as long as the one before.
    qint64 expectedTraceBytes = fixedTraceBytes;
    while (!layout.reachedEnd()) {
        const qint64 position = layout.nextTracePosition();
        const uchar* bytes = expectedTraceBytes >= LongTraceBytes ? reader.bytesAtAlone(position, TraceHeaderSize)
                                                                 : reader.bytesAt(position, TraceHeaderSize);
        if (reader.failed())
            return false;
        if (findTrailer && (size - position) % TextHeaderSize == 0 && size - position >= TextHeaderSize
            && (declaredTraces > 0 ? qint64(file->traceHeaders.size()) == declaredTraces : startsStanza(bytes)))
            break;
        SEGYTraceHeader* header = file->store.create(position);
        header->decodeFrom(bytes, littleEndian);
        file->traceHeaders.append(header);
        file->headerDigests.push_back(traceHeaderDigest(bytes));
        const int traceNumber = file->traceHeaders.size();
        int ownCount = header->value(TraceField::SampleCount);
        int extensions = -1;
        if (layout.extensionHeaders() > 0) {
            // Extension 1 follows the header: its count of additional
            // headers and its sample count override the others when set.
            const qint64 at = std::min(position + TraceHeaderSize, size);
            const int got = int(std::max<qint64>(0, std::min<qint64>(TraceHeaderSize, size - at)));
            uchar extension[TraceHeaderSize] = {};
            if (got > 0) {
                std::memcpy(extension, reader.bytesAtAlone(at, got), size_t(got));
                if (reader.failed())
                    return false;
            }
            file->extension1.insert(file->extension1.end(), extension, extension + TraceHeaderSize);
            const int own = littleEndian ? qFromLittleEndian<quint16>(extension + 156) : qFromBigEndian<quint16>(extension + 156);
            extensions = own > 0 ? own : layout.extensionHeaders();
            file->extensionCounts.push_back(quint16(extensions));
            const quint32 samples = littleEndian ? qFromLittleEndian<quint32>(extension + 136) : qFromBigEndian<quint32>(extension + 136);
            if (samples > 0 && samples <= quint32(std::numeric_limits<int>::max()))
                ownCount = int(samples);
        }
        if (ownCount < 1 && ++invalidCounts <= RepeatedWarningsShown)
            result->messages << tr("Invalid samples count at trace index %1.").arg(traceNumber - 1);
        if (layout.hasFixedLength() && ownCount >= 1 && ownCount != binaryCount)
            ++disagreeing;
        header->loadedSampleCount = layout.addTrace(ownCount, extensions);
        if (header->loadedSampleCount == 0 && layout.sampleBytes() > 0)
            layout.markUncertain(tr("trace %1 has a sample count of 0 in its header and in the binary header")
                                     .arg(traceNumber - 1));
        expectedTraceBytes = layout.traceBytes(header->loadedSampleCount);
        if (traceNumber == 1 && !layout.hasFixedLength()) {
            const qint64 estimate = std::min<qint64>(dataBytes / expectedTraceBytes + 1, qint64(1) << 24);
            file->traceHeaders.reserve(int(estimate));
            file->headerDigests.reserve(size_t(estimate));
        }
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
    uchar constant[4] = {0, 0, 0, 0};
    bool readOk = true;
    if (size >= 3226)
        readOk = device->seek(3224) && device->read(reinterpret_cast<char*>(code), 2) == 2;
    if (readOk && size >= 3300)
        readOk = device->seek(3296) && device->read(reinterpret_cast<char*>(constant), 4) == 4;
    // The byte-order constant of revision 2 decides when present; else the
    // format code; the user's word above both.
    const ByteOrderConstant orderConstant = byteOrderConstantOf(constant);
    file->byteOrderFromConstant =
        orderConstant == ByteOrderConstant::BigEndian || orderConstant == ByteOrderConstant::LittleEndian;
    file->byteOrder = orderConstant == ByteOrderConstant::BigEndian      ? QDataStream::BigEndian
                      : orderConstant == ByteOrderConstant::LittleEndian ? QDataStream::LittleEndian
                                                                         : byteOrderForFormatBytes(code);
    if (file->overrides.byteOrder != ReadingOverrides::Order::FromFile) {
        file->byteOrder = file->overrides.byteOrder == ReadingOverrides::Order::LittleEndian ? QDataStream::LittleEndian
                                                                                            : QDataStream::BigEndian;
        file->byteOrderFromConstant = false;
    }
    device->seek(0);

    QDataStream stream(device);
    stream.setByteOrder(file->byteOrder);
    file->mainHeader.reset(new SEGYMainHeader);
    SEGYMainHeader& mainHeader = *file->mainHeader;
    stream >> mainHeader;
    readOk = readOk && stream.status() != QDataStream::ReadCorruptData;
    const bool littleEndian = file->byteOrder == QDataStream::LittleEndian;

    // The standard writes revision 1 as 0x0100; revision 2 as one byte each
    // for the major and minor revision.
    const qint16 revision = qint16(mainHeader.value(BinaryField::Revision));
    uchar rawBinary[BinaryHeaderSize];
    mainHeader.encodeTo(rawBinary, littleEndian);
    const uchar major = rawBinary[300];
    if (readOk && revision != 0 && revision != 1 && revision != 0x0100 && major != 2)
        result.messages << tr("Unsupported revision number %0 found in file.").arg(revision);
    if (readOk && orderConstant == ByteOrderConstant::PairSwapped
        && file->overrides.byteOrder == ReadingOverrides::Order::FromFile)
        result.messages << tr("The byte-order constant says the bytes of this file are swapped in pairs, which is not "
                              "supported; it was read by its format code instead.");

    const Revision2Layout r2 = revision2Layout(mainHeader, littleEndian);
    TraceLayout::Source source{mainHeader.value(BinaryField::SampleCount),
                               file->overrides.formatCode > 0 ? file->overrides.formatCode
                                                              : mainHeader.value(BinaryField::FormatCode),
                               device->pos(), size, mainHeader.value(BinaryField::FixedLengthFlag) == 1};
    if (r2.extendedSampleCount > 0 && r2.extendedSampleCount <= std::numeric_limits<int>::max())
        source.binarySampleCount = int(r2.extendedSampleCount);
    source.extensionHeaders = r2.extensionHeaders;
    QString unreadable;
    if (r2.firstTraceOffset > 0) {
        if (r2.firstTraceOffset >= source.firstTraceOffset && r2.firstTraceOffset <= size)
            source.firstTraceOffset = r2.firstTraceOffset;
        else
            unreadable = tr("the first trace offset %1 (3521-3528) lies inside the headers or beyond the end of the file")
                             .arg(r2.firstTraceOffset);
    }
    if (r2.trailerStanzas > 0) {
        const qint64 trailer = qint64(r2.trailerStanzas) * TextHeaderSize;
        if (trailer <= size - source.firstTraceOffset)
            source.trailerBytes = trailer;
        else
            unreadable = tr("%1 trailer stanzas (3529-3532) do not fit in the file").arg(r2.trailerStanzas);
    }
    file->layout = TraceLayout(source);
    file->revision2Layout = r2.extendedSampleCount > 0 || r2.firstTraceOffset > 0 || r2.extensionHeaders > 0
                            || r2.trailerStanzas != 0;
    // The bytes before the first trace as they are, and which file this is.
    if (readOk && device->seek(0)) {
        file->headerBytes = device->read(std::min(source.firstTraceOffset, size));
        readOk = file->headerBytes.size() == std::min(source.firstTraceOffset, size);
    }
    if (auto* f = qobject_cast<QFileDevice*>(device))
        file->identity = FileIdentity::ofDescriptor(f->handle());
    bool walked = readOk;
    if (walked && source.firstTraceOffset < size) {
        // A walk by the traces' own counts that ends exactly at the end of
        // the file is the layout; else the binary header's fixed length, if
        // it explains the file. Progress only goes forward across both.
        int shown = -1;
        ProgressReport progress([&progressCallback, &shown](int percent) {
            if (percent > shown && progressCallback)
                progressCallback(percent);
            shown = std::max(shown, percent);
        });
        const int messagesBefore = result.messages.size();
        try {
            walked = walkTraces(device, file, &result, progress, r2.trailerStanzas == -1, r2.traceCount);
            if (walked && !file->layout.hasFixedLength() && !file->layout.coversFile()
                && file->layout.fixedLengthFits()) {
                const TraceLayout fixed = file->layout.fixedInstead();
                file->traceHeaders.clear();
                file->store.clear();
                file->headerDigests.clear();
                file->extension1.clear();
                file->extensionCounts.clear();
                while (result.messages.size() > messagesBefore)
                    result.messages.removeLast();
                file->layout = fixed;
                walked = walkTraces(device, file, &result, progress, r2.trailerStanzas == -1, r2.traceCount);
            }
        } catch (const std::bad_alloc&) {
            // More traces than memory can hold: the load fails cleanly.
            walked = false;
        }
    }
    // A trailer of unknown length: whole stanzas left over after the traces.
    if (walked && r2.trailerStanzas == -1)
        file->layout.takeLeftOverAsTrailer();
    if (walked && file->layout.trailerBytes() > 0 && device->seek(file->layout.dataEnd())) {
        file->trailer = device->read(file->layout.trailerBytes());
        walked = file->trailer.size() == file->layout.trailerBytes();
    }
    if (!unreadable.isEmpty())
        file->layout.markUncertain(unreadable);
    if (orderConstant == ByteOrderConstant::PairSwapped && file->overrides.byteOrder == ReadingOverrides::Order::FromFile)
        file->layout.markUncertain(tr("the byte-order constant says the bytes are swapped in pairs"));
    if (!walked) {
        file->traceHeaders.clear();
        file->store.clear();
        file->extension1.clear();
        file->extensionCounts.clear();
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
            result.messages << file->layout.mismatch();
        result.ok = true;
        result.traces = file->traceHeaders.size();
    }
    device->close();
    return result;
}

namespace {

// Writes at least this large start their writeback at once.
const qint64 WritebackStartBytes = qint64(1) << 20;

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
#if defined(Q_OS_LINUX)
        // A large write starts going to disk now rather than all at the
        // closing fsync, so the disk works while the next block is patched.
        // The fsync still decides whether the save succeeded.
        if (size >= WritebackStartBytes)
            ::sync_file_range(file->handle(), off_t(position), off_t(size), SYNC_FILE_RANGE_WRITE);
#endif
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

// The modified trace headers in file order.
std::vector<int> modifiedTraces(const SegyFile& file)
{
    std::vector<int> modified;
    const int count = file.traceHeaders.size();
    for (int i = 0; i < count; ++i) {
        if (i + 16 < count)
            prefetch(file.traceHeaders[i + 16]);
        if (file.traceHeaders[i]->isModified())
            modified.push_back(i);
    }
    return modified;
}

// Adds to the journal the runs of bytes where wanted differs from present
// (runs closer than a few bytes are joined); true when any byte differs.
bool journalDifferences(SaveJournal* journal, qint64 offset, const uchar* present, const uchar* wanted, qint64 length)
{
    bool any = false;
    qint64 i = 0;
    while (i < length) {
        // Equal stretches are passed a word at a time.
        if (i + 8 <= length && std::memcmp(present + i, wanted + i, 8) == 0) {
            i += 8;
            continue;
        }
        if (present[i] == wanted[i]) {
            ++i;
            continue;
        }
        qint64 end = i + 1;
        for (qint64 same = 0; end < length && same < 8; ++end)
            same = present[end] == wanted[end] ? same + 1 : 0;
        while (end > i + 1 && present[end - 1] == wanted[end - 1])
            --end;
        journal->add(offset + i, present + i, end - i);
        any = true;
        i = end;
    }
    return any;
}

// What an in-place save writes: the traces whose bytes differ from the
// file's, and whether the headers before the first trace do.
struct SavePlan {
    bool headersDiffer = false;
    std::vector<int> traces;
    std::vector<quint32> digests;  // of each trace's new bytes, for the next save
};

// Compares what the save would write with what the file holds, records in
// the journal the bytes that will change, and checks on the way that the
// file still holds what the load read. False when a read fails.
bool planSave(QIODevice* device, const SegyFile& file, const QByteArray& newHeaderBytes,
              const std::vector<int>& modified, SaveJournal* journal, SavePlan* plan, QString* changedBy)
{
    const qint64 size = file.layout.fileSize();
    const bool littleEndian = file.byteOrder == QDataStream::LittleEndian;
    FileWindowReader reader(device, size);
    const qint64 headerLength = std::min<qint64>(newHeaderBytes.size(), size);
    std::vector<uchar> present(static_cast<size_t>(headerLength));
    if (!reader.readExactly(0, headerLength, present.data()))
        return false;
    if (QByteArray::fromRawData(reinterpret_cast<const char*>(present.data()), int(headerLength))
        != file.headerBytes.left(int(headerLength)))
        *changedBy = QStringLiteral("headers");
    plan->headersDiffer = journalDifferences(journal, 0, present.data(),
                                             reinterpret_cast<const uchar*>(newHeaderBytes.constData()), headerLength);
    // Many headers close together are read through the window, a few far
    // apart one by one.
    const bool dense = qint64(modified.size()) * HeaderWriteCost >= size;
    struct Share {
        SaveJournal journal{QString()};
        SavePlan plan;
        QString changedBy;
        bool failed = false;
    };
    // Compares the headers of modified[first, end) with the file through a
    // reader of its own.
    const auto compare = [&](size_t first, size_t end, FileWindowReader* reader, Share* share) {
        uchar wanted[TraceHeaderSize];
        for (size_t k = first; k < end && !share->failed; ++k) {
            const int i = modified[k];
            const SEGYTraceHeader* h = file.traceHeaders[i];
            const uchar* bytes = dense ? reader->bytesAt(h->filePosition, TraceHeaderSize)
                                       : reader->bytesAtAlone(h->filePosition, TraceHeaderSize);
            if (reader->failed()) {
                share->failed = true;
                return;
            }
            if (size_t(i) < file.headerDigests.size() && traceHeaderDigest(bytes) != file.headerDigests[size_t(i)])
                share->changedBy = QStringLiteral("trace %1").arg(i);
            // Bytes the end of the file cuts off are neither read nor written.
            const qint64 kept = std::max<qint64>(0, std::min<qint64>(TraceHeaderSize, size - h->filePosition));
            h->encodeTo(wanted, littleEndian);
            std::memset(wanted + kept, 0, size_t(TraceHeaderSize - kept));
            if (journalDifferences(&share->journal, h->filePosition, bytes, wanted, kept)) {
                share->plan.traces.push_back(i);
                share->plan.digests.push_back(traceHeaderDigest(wanted));
            }
        }
    };
    // A plain file read for every header is shared out among threads, each
    // taking one stretch of it with positioned reads; then the stretches'
    // journals and plans join in file order.
    const bool plainFile = qobject_cast<QFile*>(device) && static_cast<QFile*>(device)->handle() >= 0;
    const int threads = dense && plainFile && modified.size() >= 65536 ? std::clamp(QThread::idealThreadCount(), 1, 4) : 1;
    std::vector<Share> shares(static_cast<size_t>(threads));
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t)
        workers.emplace_back([&, t]() {
            FileWindowReader own(device, size);
            compare(modified.size() * size_t(t) / size_t(threads), modified.size() * size_t(t + 1) / size_t(threads),
                    &own, &shares[size_t(t)]);
        });
    compare(0, modified.size() / size_t(threads), &reader, &shares[0]);
    for (std::thread& worker : workers)
        worker.join();
    for (Share& share : shares) {
        if (share.failed)
            return false;
        if (!share.changedBy.isEmpty())
            *changedBy = share.changedBy;
        journal->append(share.journal);
        plan->traces.insert(plan->traces.end(), share.plan.traces.begin(), share.plan.traces.end());
        plan->digests.insert(plan->digests.end(), share.plan.digests.begin(), share.plan.digests.end());
    }
    return true;
}

bool writeTraceHeadersInPlace(QIODevice* device, SegyFile* file, const std::vector<int>& modified,
                              FileResult* result, ProgressReport& progress)
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

    const size_t dirtyCount = modified.size();
    size_t m = 0;
    while (m < dirtyCount) {
        // The stretch of dirty headers from this one within one block.
        const qint64 start = headers[modified[m]]->filePosition;
        size_t end = m;
        while (end < dirtyCount && headers[modified[end]]->filePosition + TraceHeaderSize - start <= PatchBlockBytes)
            ++end;
        const qint64 stretchEnd = headers[modified[end - 1]]->filePosition + TraceHeaderSize;
        const qint64 dirty = qint64(end - m);
        if (dirty > 1 && dirty * HeaderWriteCost >= stretchEnd - start) {
            // The samples between the headers go back as they were read.
            const qint64 length = clipped(start, stretchEnd - start);
            block.resize(size_t(length));
            if (!reader.readExactly(start, length, block.data()))
                return false;
            for (size_t k = m; k < end; ++k) {
                const SEGYTraceHeader* h = headers[modified[k]];
                const qint64 at = h->filePosition - start;
                h->encodeTo(single, littleEndian);
                std::memcpy(block.data() + at, single, size_t(clipped(h->filePosition, TraceHeaderSize)));
            }
            if (!writeAt(device, start, reinterpret_cast<const char*>(block.data()), length))
                return false;
        } else {
            for (size_t k = m; k < end; ++k) {
                const SEGYTraceHeader* h = headers[modified[k]];
                h->encodeTo(single, littleEndian);
                if (!writeAt(device, h->filePosition, reinterpret_cast<const char*>(single), clipped(h->filePosition, TraceHeaderSize)))
                    return false;
            }
        }
        result->traces += dirty;
        m = end;
        progress(int((modified[m - 1]) * 100.0 / count));
    }
    return true;
}

bool writeNewFile(QIODevice* source, QIODevice* destination, SegyFile* file, FileResult* result, ProgressReport& progress)
{
    if (!file->mainHeader || !source->open(QIODevice::ReadOnly))
        return false;

    const bool littleEndian = file->byteOrder == QDataStream::LittleEndian;
    bool ok = true;
    // A new file gets the mandatory fields a reader needs; the headers in
    // memory keep their own values.
    QByteArray headers = file->mainHeader->fileBytesWithDefaults(littleEndian);
    // A format the user read the file with is the new file's; bytes between
    // the headers and a first trace placed further on go along as they are.
    if (file->overrides.formatCode > 0) {
        uchar code[2];
        if (littleEndian)
            qToLittleEndian<quint16>(quint16(file->overrides.formatCode), code);
        else
            qToBigEndian<quint16>(quint16(file->overrides.formatCode), code);
        headers[3224] = char(code[0]);
        headers[3225] = char(code[1]);
    }
    if (file->headerBytes.size() > headers.size())
        headers += file->headerBytes.mid(headers.size());
    std::vector<char> out;
    out.reserve(size_t(1) << 20);
    out.insert(out.end(), headers.cbegin(), headers.cend());

    // Samples are copied as stored: same format, same byte order, every bit
    // kept. A trace cut short by the end of the source is copied as far as
    // it goes: no byte is made up.
    const qint64 sourceSize = source->size();
    FileWindowReader reader(source, sourceSize);
    const int sampleBytes = file->layout.sampleBytes();
    const int count = file->traceHeaders.size();
    for (int i = 0; i < count; ++i) {
        const SEGYTraceHeader* header = file->traceHeaders[i];
        if (!header) {
            ok = false;
            break;
        }
        const size_t at = out.size();
        const qint64 headerBytes = std::max<qint64>(0, std::min<qint64>(TraceHeaderSize, sourceSize - header->filePosition));
        out.resize(at + TraceHeaderSize);
        header->encodeTo(reinterpret_cast<uchar*>(out.data() + at), littleEndian);
        out.resize(at + size_t(headerBytes));

        // The trace's additional headers go with its samples, byte for byte.
        const qint64 extensionBytes =
            size_t(i) < file->extensionCounts.size() ? qint64(file->extensionCounts[size_t(i)]) * TraceHeaderSize : 0;
        const qint64 byteCount = std::max<qint64>(
            0, std::min<qint64>(extensionBytes + qint64(header->loadedSampleCount) * sampleBytes,
                                sourceSize - header->filePosition - TraceHeaderSize));
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
    out.insert(out.end(), file->trailer.cbegin(), file->trailer.cend());
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
    auto* fileDevice = qobject_cast<QFileDevice*>(device);
    const QString name = fileDevice ? fileDevice->fileName() : QString();
    if (file->mainHeader && device && !file->layout.isCertain()) {
        result.error = tr("the trace layout of %1 is not certain (%2); saving in place could write into sample data. "
                          "Save as a new file instead.")
                           .arg(name, file->layout.uncertainty());
        return result;
    }
    // Only the file that was loaded is rewritten: one that has vanished is not
    // created again as headers alone.
    if (!file->mainHeader || !device || !device->open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        result.error = tr("The file cannot be opened for writing.");
        result.generic = !file->mainHeader || !fileDevice;
        if (!result.generic)
            result.error = tr("could not save file %1: %2.").arg(name, device->errorString());
        return result;
    }
    const QString changedError = tr("%1 was changed by another program since it was loaded; nothing was written.").arg(name);
    const FileIdentity now = fileDevice ? FileIdentity::ofDescriptor(fileDevice->handle()) : FileIdentity();
    if (device->size() != file->layout.fileSize() || (file->identity.isValid() && now != file->identity)) {
        result.error = changedError;
        device->close();
        return result;
    }

    // The file's own binary header values stay as they are: an in-place
    // save writes what was edited and nothing else.
    const QByteArray headers = file->mainHeader->fileBytes(file->byteOrder == QDataStream::LittleEndian);
    const qint64 headerLength = std::min<qint64>(headers.size(), file->layout.fileSize());
    const std::vector<int> modified = modifiedTraces(*file);
    SaveJournal journal(fileDevice ? name : QString());
    SavePlan plan;
    plan.traces.reserve(modified.size());
    plan.digests.reserve(modified.size());
    QString changedBy;
    QString journalError;
    if (!planSave(device, *file, headers, modified, &journal, &plan, &changedBy)) {
        result.error = tr("reading %1 failed (%2); nothing was written.").arg(name, device->errorString());
    } else if (!changedBy.isEmpty()) {
        result.error = changedError;
    } else if (journal.rangeCount() == 0) {
        result.ok = true;  // the file already holds every byte: nothing to write
    } else if (!journal.write(now, &journalError)) {
        result.error = tr("the save journal could not be written (%1); nothing was written.").arg(journalError);
    } else {
        result.ok = (!plan.headersDiffer || writeAt(device, 0, headers.constData(), headerLength))
                    && writeTraceHeadersInPlace(device, file, plan.traces, &result, progress) && flushed(device)
                    && (!fileDevice || ::fsync(fileDevice->handle()) == 0);
        if (!result.ok) {
            // Everything the journal holds goes back; then the file is as before.
            const bool undone = journal.rollback(device) && (!fileDevice || ::fsync(fileDevice->handle()) == 0);
            const QString reason = device->errorString();
            result.error = undone ? tr("writing %1 failed (%2); the file is as it was before the save.").arg(name, reason)
                                  : tr("writing %1 failed (%2) and the old bytes could not all be put back: the journal "
                                       "%3 undoes the save at the next load.")
                                        .arg(name, reason, SaveJournal::pathFor(name));
            if (undone)
                journal.remove();
            result.traces = 0;
        } else {
            journal.remove();
        }
    }
    if (result.ok) {
        // What is on disk now is what a later save must find there.
        for (int i : modified)
            file->traceHeaders[i]->setModified(false);
        for (size_t k = 0; k < plan.traces.size(); ++k)
            if (size_t(plan.traces[k]) < file->headerDigests.size())
                file->headerDigests[size_t(plan.traces[k])] = plan.digests[k];
        // Bytes between the headers and a first trace further on stay known.
        file->headerBytes = headers.left(int(headerLength)) + file->headerBytes.mid(int(headerLength));
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
            if (!result.ok) {
                // The reason in the system's words: the source's read, or the new file's write.
                auto* sourceFile = qobject_cast<QFileDevice*>(source);
                const QString name = destFile->fileName();
                result.error = sourceFile && sourceFile->error() != QFileDevice::NoError
                                   ? tr("could not save file %1: reading %2 failed (%3).")
                                         .arg(name, sourceFile->fileName(), sourceFile->errorString())
                                   : tr("could not save file %1: %2.").arg(name, out.errorString());
                return result;
            }
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
    if (!result.ok) {
        result.error = tr("Error writing file.");
        result.generic = true;
    }
    return result;
}
