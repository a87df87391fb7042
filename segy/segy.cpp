#include "segy.h"

#include "filewindow.h"
#include "largebuffer.h"
#include "outputfile.h"
#include "samplecodec.h"
#include "textcodec.h"
#include "tracestore.h"

#include <QFile>
#include <QFileDevice>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <new>
#include <cstring>
#include <vector>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

SEGY::SEGY(QIODevice* device, QObject* parent)
    : QObject(parent), m_device(device)
{
    if (m_device)
        load(m_device);
}

SEGY::~SEGY()
{
    // The device is owned whether or not a load ever succeeded on it.
    delete m_device;
    clear();
}

void SEGY::clear()
{
    emit headersReleasing();
    m_loaded = false;
    delete m_mainHeader;
    m_mainHeader = nullptr;
    m_traceHeaders.clear();
    m_traceStore.clear();
    m_loadedFormatCode = 0;
}

bool SEGY::close()
{
    if (m_loaded) {
        delete m_device;
        m_device = nullptr;
        clear();
    }
    return true;
}

void SEGY::setDevice(QIODevice* device)
{
    if (device != m_device)
        delete m_device;
    m_device = device;
}

bool SEGY::open()
{
    if (m_loaded)
        clear();
    if (!m_device)
        return false;
    return load(m_device);
}

int SEGY::bytesPerSample() const
{
    return m_mainHeader ? bytesPerSampleForFormat(m_mainHeader->value(9)) : 0;
}

int SEGY::traceHeaderValue(int traceIndex, int fieldIndex) const
{
    if (traceIndex < 0 || traceIndex >= m_traceHeaders.size() || !m_traceHeaders[traceIndex])
        return 0;
    return m_traceHeaders[traceIndex]->value(fieldIndex);
}

int SEGY::traceSamplesCount(int traceIndex) const
{
    if (traceIndex < 0 || traceIndex >= m_traceHeaders.size() || !m_traceHeaders[traceIndex])
        return -1;
    return m_traceHeaders[traceIndex]->value(38);
}

int SEGY::effectiveSampleCount(const SEGYTraceHeader* header) const
{
    const int count = header ? header->value(38) : 0;
    return count >= 1 ? count : samplesPerTrace();
}

namespace {

// Per-trace warnings are given for this many traces; one line then counts
// the rest, so a file with a fault in every trace does not flood the user.
const int RepeatedWarningsShown = 10;

// Traces at least this long have their headers read one by one instead of
// through the read window, which would carry all their samples.
const qint64 LongTraceBytes = qint64(32) << 10;

QDataStream::ByteOrder byteOrderForFormatBytes(const uchar* bigEndianBytes)
{
    // Format codes run from 1 to 16: read big-endian as anything above, the
    // code is little-endian (1 reads as 256).
    return qFromBigEndian<qint16>(bigEndianBytes) > 16 ? QDataStream::LittleEndian : QDataStream::BigEndian;
}

// The byte order the loader would find for a format code written in order.
QDataStream::ByteOrder byteOrderForFormat(int formatCode, QDataStream::ByteOrder order)
{
    uchar bytes[2];
    if (order == QDataStream::LittleEndian)
        qToLittleEndian<quint16>(quint16(formatCode), bytes);
    else
        qToBigEndian<quint16>(quint16(formatCode), bytes);
    return byteOrderForFormatBytes(bytes);
}

// Whether traces of binaryCount samples fill the data after the headers
// exactly, as at least one trace.
bool fitsAsFixedLength(qint64 dataBytes, int binaryCount, int sampleBytes)
{
    if (binaryCount < 1 || sampleBytes < 1 || dataBytes <= 0)
        return false;
    const qint64 traceBytes = TraceHeaderSize + qint64(binaryCount) * sampleBytes;
    return dataBytes % traceBytes == 0;
}

}  // namespace

void SEGY::emitProgress(void (SEGY::*signal)(int), int percent)
{
    if (percent != m_lastProgress) {
        m_lastProgress = percent;
        emit(this->*signal)(percent);
    }
}

bool SEGY::load(QIODevice* device)
{
    emit loadStarted();
    clear();
    bool result = false;

    if (device && device->open(QIODevice::ReadOnly)) {
        m_loaded = true;
        const qint64 size = device->size();
        m_loadedSize = size;

        uchar code[2] = {0, 0};
        bool readOk = true;
        if (size >= 3226)
            readOk = device->seek(3224) && device->read(reinterpret_cast<char*>(code), 2) == 2;
        m_byteOrder = byteOrderForFormatBytes(code);
        device->seek(0);

        QDataStream stream(device);
        stream.setByteOrder(m_byteOrder);
        m_mainHeader = new SEGYMainHeader;
        stream >> *m_mainHeader;
        readOk = readOk && stream.status() != QDataStream::ReadCorruptData;

        // The standard writes revision 1 as 0x0100.
        const qint16 revision = qint16(m_mainHeader->value(27));
        if (readOk && revision != 0 && revision != 1 && revision != 0x0100)
            emit errorMessage(tr("Unsupported revision number %0 found in file.").arg(revision));

        m_loadedFormatCode = m_mainHeader->value(9);
        const qint64 firstTrace = device->pos();
        m_firstTraceOffset = firstTrace;
        qint64 lastTraceEnd = 0;
        bool walked = readOk;
        if (walked && firstTrace < size) {
            try {
                walked = walkTraces(device, firstTrace, size, &lastTraceEnd);
            } catch (const std::bad_alloc&) {
                // More traces than memory can hold: the load fails cleanly.
                walked = false;
            }
        }
        if (!walked) {
            m_traceHeaders.clear();
            m_traceStore.clear();
            if (!readOk)
                emit errorMessage(tr("Error reading file."));
        } else if (lastTraceEnd > size) {
            emit errorMessage(tr("%0 bytes of junk at the end of the file.").arg(lastTraceEnd - size));
        }

        if (!walked) {
            // reported below as a failed load
        } else if (m_traceHeaders.isEmpty()) {
            emit errorMessage(tr("End of file reached before any trace header could be found in file."));
            emit errorLoading();
        } else {
            emit loadCompleted();
            result = true;
        }
    }
    if (device && device->isOpen())
        device->close();
    if (!result)
        emit errorMessage(tr("Error loading segy."));
    emit ioOperationCompleted();
    return result;
}

bool SEGY::walkTraces(QIODevice* device, qint64 start, qint64 size, qint64* lastTraceEnd)
{
    FileWindowReader reader(device, size);
    const bool littleEndian = m_byteOrder == QDataStream::LittleEndian;
    const int sampleBytes = bytesPerSample();
    const int binaryCount = samplesPerTrace();

    // When the binary header's count explains the whole file as traces of
    // one length, that length is the file's own, whatever the traces say.
    m_fixedLength = fitsAsFixedLength(size - start, binaryCount, sampleBytes);
    const qint64 fixedTraceBytes = TraceHeaderSize + qint64(binaryCount) * sampleBytes;
    if (m_fixedLength)
        m_traceHeaders.reserve(int(std::min<qint64>((size - start) / fixedTraceBytes, qint64(1) << 24)));

    qint64 position = start;
    int traceNumber = 1;
    int invalidCounts = 0;
    int disagreeing = 0;
    m_lastProgress = -1;
    // Walked traces are taken to be as long as the one before.
    qint64 expectedTraceBytes = fixedTraceBytes;
    while (position < size) {
        SEGYTraceHeader* header = m_traceStore.create(position);
        const uchar* bytes = expectedTraceBytes >= LongTraceBytes ? reader.bytesAtAlone(position, TraceHeaderSize)
                                                                 : reader.bytesAt(position, TraceHeaderSize);
        if (reader.failed())
            return false;
        header->decodeFrom(bytes, littleEndian);
        m_traceHeaders.append(header);
        const int ownCount = header->value(38);
        if (ownCount < 1 && ++invalidCounts <= RepeatedWarningsShown)
            emit errorMessage(tr("Invalid samples count at trace %0.").arg(traceNumber));
        if (m_fixedLength && ownCount >= 1 && ownCount != binaryCount)
            ++disagreeing;
        header->loadedSampleCount = m_fixedLength ? binaryCount : effectiveSampleCount(header);

        // The samples start where the header read stopped: at the end of the
        // file for a header cut short by it.
        const qint64 samplesStart = std::min(position + TraceHeaderSize, size);
        const qint64 sampleBytesOfTrace = qint64(header->loadedSampleCount) * sampleBytes;
        if (traceNumber == 1 && !m_fixedLength) {
            const qint64 estimate = (size - start) / (TraceHeaderSize + sampleBytesOfTrace) + 1;
            m_traceHeaders.reserve(int(std::min<qint64>(estimate, qint64(1) << 24)));
        }
        position = samplesStart + sampleBytesOfTrace;
        expectedTraceBytes = TraceHeaderSize + sampleBytesOfTrace;
        *lastTraceEnd = position;
        ++traceNumber;
        emitProgress(&SEGY::loadProgress, int(std::min(position, size) * 100.0 / size));
    }
    if (invalidCounts > RepeatedWarningsShown)
        emit errorMessage(tr("The same warning was given for %1 more traces.").arg(invalidCounts - RepeatedWarningsShown));
    if (disagreeing > 0)
        emit errorMessage(tr("The trace headers of %1 traces give a samples count other than the binary header's %2; "
                             "the file holds traces of %2 samples exactly, so it was read that way.")
                              .arg(disagreeing)
                              .arg(binaryCount));
    return true;
}

bool SEGY::layoutWouldStay(int binaryCount, int formatCode, int extendedCount,
                           const std::unordered_map<int, int>* sampleCounts) const
{
    if (!m_mainHeader)
        return true;
    if (byteOrderForFormat(formatCode, m_byteOrder) != m_byteOrder)
        return false;
    const int sampleBytes = bytesPerSampleForFormat(formatCode);
    if (sampleBytes != bytesPerSampleForFormat(m_loadedFormatCode))
        return false;

    // Extended headers: a count names its blocks; -1 reads up to the end
    // stanza, which only a run already ending in one keeps where it is.
    const QList<QByteArray>& blocks = m_mainHeader->extendedTextHeaders;
    qint64 extendedBlocks = 0;
    if (extendedCount > 0)
        extendedBlocks = extendedCount;
    else if (extendedCount == -1)
        extendedBlocks = (!blocks.isEmpty() && isEndTextBlock(blocks.last())) ? blocks.size() : -1;
    if (extendedBlocks < 0 || TextHeaderSize + BinaryHeaderSize + extendedBlocks * TextHeaderSize != m_firstTraceOffset)
        return false;

    if (sampleBytes == 0)  // every trace is its header alone, whatever the counts
        return true;
    // Either the new count fixes the traces' length, or the walk by the
    // traces' own counts must step as the load did.
    const bool fixed = fitsAsFixedLength(m_loadedSize - m_firstTraceOffset, binaryCount, sampleBytes);
    const int traceCount = m_traceHeaders.size();
    for (int i = 0; i < traceCount; ++i) {
        const SEGYTraceHeader* header = m_traceHeaders[i];
        int own = header->value(TraceField::SampleCount);
        if (sampleCounts) {
            const auto changed = sampleCounts->find(i);
            if (changed != sampleCounts->end())
                own = changed->second;
        }
        const int count = fixed ? binaryCount : (own >= 1 ? own : binaryCount);
        if (count != header->loadedSampleCount)
            return false;
    }
    return true;
}

bool SEGY::mainHeaderEditChangesLayout(int fieldIndex, qint32 value) const
{
    if (!m_mainHeader)
        return false;
    int binaryCount = samplesPerTrace();
    int formatCode = m_mainHeader->value(9);
    int extendedCount = qint16(m_mainHeader->value(29));
    switch (fieldIndex) {
    case 7: binaryCount = value; break;
    case 9: formatCode = value; break;
    case 29: extendedCount = qint16(value); break;
    default: return false;
    }
    return !layoutWouldStay(binaryCount, formatCode, extendedCount);
}

bool SEGY::traceHeaderEditChangesLayout(int traceIndex, int fieldIndex, qint32 value) const
{
    if (traceIndex < 0 || traceIndex >= m_traceHeaders.size())
        return false;
    return traceHeaderEditChangesLayout(m_traceHeaders[traceIndex], fieldIndex, value);
}

bool SEGY::traceHeaderEditChangesLayout(const SEGYTraceHeader* header, int fieldIndex, qint32 value) const
{
    // Only a walked trace's own count places the traces after it.
    if (!header || fieldIndex != 38 || m_fixedLength || bytesPerSample() == 0)
        return false;
    const int count = value >= 1 ? value : samplesPerTrace();
    return count != header->loadedSampleCount;
}

bool SEGY::setMainHeaderValue(int fieldIndex, const QVariant& value)
{
    if (!m_mainHeader)
        return false;
    HeaderField field = m_mainHeader->field(fieldIndex);
    if (fieldIndex < 0 || fieldIndex >= m_mainHeader->fieldCount() || !field.setValue(value)
        || mainHeaderEditChangesLayout(fieldIndex, field.value))
        return false;
    m_mainHeader->storeValue(fieldIndex, field.value);
    return true;
}

bool SEGY::setTraceHeaderValue(int traceIndex, int fieldIndex, const QVariant& value)
{
    if (traceIndex < 0 || traceIndex >= m_traceHeaders.size() || !m_traceHeaders[traceIndex])
        return false;
    SEGYTraceHeader* header = m_traceHeaders[traceIndex];
    qint32 checked = 0;
    if (!checkedTraceHeaderValue(header, fieldIndex, value, &checked))
        return false;
    header->storeValue(fieldIndex, checked);
    return true;
}

bool SEGY::checkedTraceHeaderValue(const SEGYTraceHeader* header, int fieldIndex, const QVariant& value,
                                   qint32* checked) const
{
    if (!header || fieldIndex < 0 || fieldIndex >= header->fieldCount())
        return false;
    HeaderField field = header->field(fieldIndex);
    if (!field.setValue(value) || traceHeaderEditChangesLayout(header, fieldIndex, field.value))
        return false;
    *checked = field.value;
    return true;
}

ApplyResult SEGY::apply(const HeaderChanges& changes, HeaderChanges* inverse)
{
    ApplyResult result;
    if (!m_mainHeader) {
        result.error = tr("No file is loaded.");
        return result;
    }
    const int traceCount = m_traceHeaders.size();
    const HeaderTable& traceTable = traceHeaderTable();
    const HeaderTable& binaryTable = binaryHeaderTable();

    // Every value must fit its field before anything is stored.
    int binaryCount = samplesPerTrace();
    int formatCode = m_mainHeader->value(BinaryField::FormatCode);
    int extendedCount = qint16(m_mainHeader->value(BinaryField::ExtendedTextHeaders));
    bool binaryLayoutTouched = false;
    for (const HeaderChanges::BinaryValue& change : changes.binaryValues()) {
        if (change.field < 0 || change.field >= binaryTable.count
            || !HeaderField::fitsKind(change.value, binaryTable.kinds[change.field])) {
            result.error = tr("%1 is not a valid value for field %2.")
                               .arg(change.value)
                               .arg(change.field >= 0 && change.field < binaryTable.count
                                        ? QString::fromLatin1(binaryTable.specs[change.field].label)
                                        : QString::number(change.field));
            return result;
        }
        if (change.field == fieldIndex(BinaryField::SampleCount)) {
            binaryCount = change.value;
            binaryLayoutTouched = true;
        } else if (change.field == fieldIndex(BinaryField::FormatCode)) {
            formatCode = change.value;
            binaryLayoutTouched = true;
        } else if (change.field == fieldIndex(BinaryField::ExtendedTextHeaders)) {
            extendedCount = qint16(change.value);
            binaryLayoutTouched = true;
        }
    }
    std::unordered_map<int, int> sampleCounts;
    const int sampleCountField = fieldIndex(TraceField::SampleCount);
    for (const HeaderChanges::TraceValue& change : changes.traceValues()) {
        if (change.trace < 0 || change.trace >= traceCount || !m_traceHeaders[change.trace]) {
            result.error = tr("There is no trace %1.").arg(change.trace + 1);
            result.failedTrace = change.trace;
            return result;
        }
        if (change.field < 0 || change.field >= traceTable.count
            || !HeaderField::fitsKind(change.value, traceTable.kinds[change.field])) {
            result.error = tr("%1 is not a valid value for field %2.")
                               .arg(change.value)
                               .arg(change.field >= 0 && change.field < traceTable.count
                                        ? QString::fromLatin1(traceTable.specs[change.field].label)
                                        : QString::number(change.field));
            result.failedTrace = change.trace;
            return result;
        }
        if (change.field == sampleCountField)
            sampleCounts[change.trace] = change.value;
    }
    // The layout is checked on the headers as they would be after all of it.
    if ((binaryLayoutTouched || !sampleCounts.empty())
        && !layoutWouldStay(binaryCount, formatCode, extendedCount, &sampleCounts)) {
        result.error = tr("These changes would move the traces in the file.");
        return result;
    }

    emit editStarted();
    std::vector<HeaderChanges::TraceValue> oldTraceValues;
    std::vector<HeaderChanges::BinaryValue> oldBinaryValues;
    for (const HeaderChanges::BinaryValue& change : changes.binaryValues()) {
        const qint32 old = m_mainHeader->value(change.field);
        if (old == change.value)
            continue;
        m_mainHeader->storeValue(change.field, change.value);
        oldBinaryValues.push_back({change.field, old});
        result.binaryChanged = true;
        ++result.changedValues;
    }
    if (changes.textHeader()) {
        const QByteArray text = changes.textHeader()->left(TextHeaderSize);
        if (text != m_mainHeader->textHeader) {
            if (inverse)
                inverse->setTextHeader(m_mainHeader->textHeader);
            m_mainHeader->textHeader = text;
            result.textChanged = true;
        }
    }
    std::vector<bool> touched;
    const size_t total = changes.traceValues().size();
    size_t done = 0;
    m_lastProgress = -1;
    for (const HeaderChanges::TraceValue& change : changes.traceValues()) {
        SEGYTraceHeader* header = m_traceHeaders[change.trace];
        const qint32 old = header->value(change.field);
        if (old != change.value) {
            header->storeValue(change.field, change.value);
            if (inverse)
                oldTraceValues.push_back({change.trace, change.field, old});
            ++result.changedValues;
            if (touched.empty())
                touched.resize(size_t(traceCount), false);
            if (!touched[size_t(change.trace)]) {
                touched[size_t(change.trace)] = true;
                ++result.changedTraces;
            }
        }
        if ((++done & 0xFFFF) == 0)
            emitProgress(&SEGY::editProgress, int(done * 100.0 / total));
    }
    if (inverse) {
        // Put back in reverse order, so a field set twice ends as it began.
        for (auto it = oldBinaryValues.rbegin(); it != oldBinaryValues.rend(); ++it)
            inverse->setBinaryValue(it->field, it->value);
        inverse->reserve(oldTraceValues.size());
        for (auto it = oldTraceValues.rbegin(); it != oldTraceValues.rend(); ++it)
            inverse->setTraceValue(it->trace, it->field, it->value);
    }
    emit editCompleted();
    result.ok = true;
    if (result.changedAnything())
        emit headersChanged(result);
    return result;
}

bool SEGY::setTextHeader(const QByteArray& text)
{
    if (!m_mainHeader)
        return false;
    m_mainHeader->textHeader = text.left(TextHeaderSize);
    return true;
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

}  // namespace

QByteArray SEGY::mainHeaderBytes()
{
    // A new file gets the mandatory fields a reader needs.
    m_mainHeader->fillMandatoryDefaults();
    return m_mainHeader->fileBytes(m_byteOrder == QDataStream::LittleEndian);
}

namespace {

// A dirty header costs about as much to write alone as this many bytes of a
// block rewritten whole; a stretch of the file with dirtier headers than that
// is read, patched and written back in one piece.
const qint64 HeaderWriteCost = qint64(16) << 10;
const qint64 PatchBlockBytes = qint64(4) << 20;

}  // namespace

bool SEGY::writeTraceHeadersInPlace()
{
    const bool littleEndian = m_byteOrder == QDataStream::LittleEndian;
    const int count = m_traceHeaders.size();
    const qint64 size = m_loadedSize;
    FileWindowReader reader(m_device, size);
    std::vector<uchar> block;
    uchar single[TraceHeaderSize];
    m_lastProgress = -1;

    // Every write stays inside the bytes the load found: a header cut short
    // by the end of the file is written as far as it went.
    auto clipped = [size](qint64 position, qint64 length) { return std::max<qint64>(0, std::min(length, size - position)); };
    // The headers lie far apart in memory: ask for those ahead early.
    auto header = [this, count](int k) {
        if (k + 16 < count)
            prefetch(m_traceHeaders[k + 16]);
        return m_traceHeaders[k];
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
                SEGYTraceHeader* h = m_traceHeaders[k];
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
            if (!writeAt(m_device, start, reinterpret_cast<const char*>(block.data()), length))
                return false;
            for (int k = i; k < end; ++k)
                m_traceHeaders[k]->setModified(false);
        } else {
            for (int k = i; k < end; ++k) {
                SEGYTraceHeader* h = m_traceHeaders[k];
                if (!h->isModified())
                    continue;
                h->encodeTo(single, littleEndian);
                if (!writeAt(m_device, h->filePosition, reinterpret_cast<const char*>(single), clipped(h->filePosition, TraceHeaderSize)))
                    return false;
                h->setModified(false);
            }
        }
        i = end;
        emitProgress(&SEGY::saveProgress, int((i - 1) * 100.0 / count));
    }
    return true;
}

bool SEGY::save()
{
    emit saveStarted();
    bool result = false;
    // Only the file that was loaded is rewritten: one that has vanished is not
    // created again as headers alone.
    if (m_loaded && m_device && m_device->open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        if (m_device->size() != m_loadedSize) {
            // Offsets found at load no longer describe this file.
            emit errorMessage(tr("The file has changed size since it was loaded; nothing was written."));
        } else if (m_mainHeader) {
            // The file's own binary header values stay as they are: an
            // in-place save writes what was edited and nothing else.
            const QByteArray headers = m_mainHeader->fileBytes(m_byteOrder == QDataStream::LittleEndian);
            const qint64 headerLength = std::min<qint64>(headers.size(), m_loadedSize);
            // Each trace header is marked saved once written.
            result = writeAt(m_device, 0, headers.constData(), headerLength) && writeTraceHeadersInPlace()
                     && flushed(m_device);
        }
        m_device->close();
    }
    emit saveCompleted();
    if (!result)
        emit errorMessage(tr("Error saving file."));
    return result;
}

bool SEGY::save(QIODevice* destDevice)
{
    emit saveStarted();
    bool result = false;
    // A file is written beside its destination and renamed into place only
    // once complete, so a failure never leaves half a file and a save onto the
    // loaded file reads the original to the end. A destination that is no
    // regular file (a device, a pipe) is written into as it is.
    if (m_loaded && m_device && destDevice) {
        auto* destFile = qobject_cast<QFile*>(destDevice);
        auto* saveFile = qobject_cast<QSaveFile*>(destDevice);
        if (destFile && !destFile->fileName().isEmpty()) {
            OutputFile out(destFile->fileName());
            result = out.open() && writeNewFile(out.device()) && out.commit();
        } else if (saveFile) {
            result = saveFile->open(QIODevice::WriteOnly) && writeNewFile(saveFile) && saveFile->commit();
            if (!result)
                saveFile->cancelWriting();
        } else if (destDevice->open(QIODevice::WriteOnly)) {
            result = writeNewFile(destDevice);
            destDevice->close();
        }
    }
    emit saveCompleted();
    if (!result)
        emit errorMessage(tr("Error saving file."));
    return result;
}

bool SEGY::writeNewFile(QIODevice* destination)
{
    if (!m_mainHeader || !m_device->open(QIODevice::ReadOnly))
        return false;

    const bool littleEndian = m_byteOrder == QDataStream::LittleEndian;
    bool result = true;
    const QByteArray headers = mainHeaderBytes();
    std::vector<char> out;
    out.reserve(size_t(1) << 20);
    out.insert(out.end(), headers.cbegin(), headers.cend());

    // Samples are copied as stored: same format, same byte order, every bit
    // kept. A trace cut short by the end of the source is completed with
    // zero bytes.
    FileWindowReader source(m_device, m_device->size());
    const int sampleBytes = bytesPerSampleForFormat(m_loadedFormatCode);
    const int count = m_traceHeaders.size();
    m_lastProgress = -1;
    for (int i = 0; i < count; ++i) {
        const SEGYTraceHeader* header = m_traceHeaders[i];
        if (!header) {
            result = false;
            break;
        }
        const size_t at = out.size();
        out.resize(at + TraceHeaderSize);
        header->encodeTo(reinterpret_cast<uchar*>(out.data() + at), littleEndian);

        const qint64 byteCount = qint64(header->loadedSampleCount) * sampleBytes;
        if (byteCount > 0) {
            const uchar* stored = source.bytesAt(header->filePosition + TraceHeaderSize, int(byteCount));
            if (source.failed()) {
                result = false;
                break;
            }
            out.insert(out.end(), stored, stored + byteCount);
        }
        if (out.size() >= (size_t(1) << 20)) {
            if (!writeFully(destination, out.data(), qint64(out.size()))) {
                result = false;
                break;
            }
            out.clear();
        }
        emitProgress(&SEGY::saveProgress, int(i * 100.0 / count));
    }
    if (result && !out.empty())
        result = writeFully(destination, out.data(), qint64(out.size()));
    if (result)
        result = flushed(destination);
    m_device->close();
    return result;
}

double* SEGY::readTraceSamples(QDataStream& source, int traceIndex)
{
    if (traceIndex < 0 || traceIndex >= m_traceHeaders.size() || !m_traceHeaders[traceIndex])
        return nullptr;
    const SEGYTraceHeader* header = m_traceHeaders[traceIndex];
    const int count = header->loadedSampleCount;
    auto* samples = new double[size_t(count)]();
    const int sampleBytes = bytesPerSampleForFormat(m_loadedFormatCode);
    QIODevice* device = source.device();
    if (sampleBytes > 0 && device) {
        FileWindowReader reader(device, device->size());
        const uchar* stored = reader.bytesAt(header->filePosition + TraceHeaderSize, count * sampleBytes);
        decodeSamples(m_loadedFormatCode, stored, count, m_byteOrder == QDataStream::LittleEndian, samples);
    }
    return samples;
}

void SEGY::writeTraceSamples(QDataStream& destination, const double* samples, int traceIndex)
{
    if (!samples || traceIndex < 0 || traceIndex >= m_traceHeaders.size() || !m_traceHeaders[traceIndex])
        return;
    destination.setByteOrder(m_byteOrder);
    const SEGYTraceHeader* header = m_traceHeaders[traceIndex];
    const int count = header->loadedSampleCount;
    const int sampleBytes = bytesPerSampleForFormat(m_loadedFormatCode);
    QIODevice* device = destination.device();
    if (!device || sampleBytes == 0 || count == 0)
        return;
    std::vector<uchar> bytes(size_t(count) * size_t(sampleBytes));
    encodeSamples(m_loadedFormatCode, samples, count, m_byteOrder == QDataStream::LittleEndian, bytes.data());
    if (!device->seek(header->filePosition + TraceHeaderSize)
        || destination.writeRawData(reinterpret_cast<const char*>(bytes.data()), int(bytes.size())) != int(bytes.size()))
        destination.setStatus(QDataStream::WriteFailed);
}
