#include "segy.h"

#include "filewindow.h"
#include "samplecodec.h"
#include "tracestore.h"

#include <QBuffer>
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
    int count = header ? header->value(38) : 0;
    if (count < 1)
        count = m_mainHeader ? m_mainHeader->value(7) : 0;
    // A negative count would walk backwards; it spans no samples.
    return std::max(count, 0);
}

bool SEGY::load(QIODevice* device)
{
    emit loadStarted();
    clear();
    bool result = false;

    if (device && device->open(QIODevice::ReadOnly)) {
        m_loaded = true;
        const qint64 size = device->size();

        // A big-endian format code above 8 means the file is little-endian.
        char code[2] = {0, 0};
        if (device->seek(3224))
            device->read(code, 2);
        const qint16 formatBigEndian = qFromBigEndian<qint16>(reinterpret_cast<const uchar*>(code));
        m_byteOrder = formatBigEndian > 8 ? QDataStream::LittleEndian : QDataStream::BigEndian;
        device->seek(0);

        QDataStream stream(device);
        stream.setByteOrder(m_byteOrder);
        m_mainHeader = new SEGYMainHeader;
        stream >> *m_mainHeader;

        const qint16 revision = qint16(m_mainHeader->value(27));
        if (revision != 0 && revision != 1)
            emit errorMessage(tr("Unsupported revision number %0 found in file.").arg(revision));

        m_loadedFormatCode = m_mainHeader->value(9);
        const qint64 firstTrace = device->pos();
        qint64 lastTraceEnd = 0;
        bool walked = true;
        if (firstTrace < size) {
            try {
                walkTraces(device, firstTrace, size, &lastTraceEnd);
            } catch (const std::bad_alloc&) {
                // More traces than memory can hold: the load fails cleanly.
                m_traceHeaders.clear();
                m_traceStore.clear();
                walked = false;
            }
        }

        if (walked && lastTraceEnd > size)
            emit errorMessage(tr("%0 bytes of junk at the end of the file.").arg(lastTraceEnd - size));

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

void SEGY::walkTraces(QIODevice* device, qint64 start, qint64 size, qint64* lastTraceEnd)
{
    FileWindowReader reader(device, size);
    const bool littleEndian = m_byteOrder == QDataStream::LittleEndian;
    const int sampleBytes = bytesPerSample();
    qint64 position = start;
    int traceNumber = 1;
    while (position < size) {
        SEGYTraceHeader* header = m_traceStore.create(position);
        header->decodeFrom(reader.bytesAt(position, TraceHeaderSize), littleEndian);
        m_traceHeaders.append(header);
        if (header->value(38) < 1)
            emit errorMessage(tr("Invalid samples count at trace %0.").arg(traceNumber));
        header->loadedSampleCount = effectiveSampleCount(header);

        // The samples start where the header read stopped: at the end of the
        // file for a header cut short by it.
        const qint64 samplesStart = std::min(position + TraceHeaderSize, size);
        const qint64 sampleBytesOfTrace = qint64(header->loadedSampleCount) * sampleBytes;
        if (traceNumber == 1) {
            const qint64 estimate = (size - start) / (TraceHeaderSize + sampleBytesOfTrace) + 1;
            m_traceHeaders.reserve(int(std::min<qint64>(estimate, qint64(1) << 24)));
        }
        position = samplesStart + sampleBytesOfTrace;
        *lastTraceEnd = position;
        ++traceNumber;
        emit loadProgress(int(position * 100.0 / size));
    }
}

bool SEGY::setMainHeaderValue(int fieldIndex, const QVariant& value)
{
    return m_mainHeader ? m_mainHeader->setValue(fieldIndex, value) : false;
}

bool SEGY::setTraceHeaderValue(int traceIndex, int fieldIndex, const QVariant& value)
{
    if (traceIndex < 0 || traceIndex >= m_traceHeaders.size() || !m_traceHeaders[traceIndex])
        return false;
    return m_traceHeaders[traceIndex]->setValue(fieldIndex, value);
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

bool SEGY::save()
{
    emit saveStarted();
    bool result = false;
    // Only the file that was loaded is rewritten: one that has vanished is not
    // created again as headers alone.
    if (m_loaded && m_device && m_device->open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        if (m_mainHeader) {
            QDataStream stream(m_device);
            stream.setByteOrder(m_byteOrder);
            m_device->seek(0);
            stream << *m_mainHeader;
            result = stream.status() == QDataStream::Ok;

            const bool littleEndian = m_byteOrder == QDataStream::LittleEndian;
            const int count = m_traceHeaders.size();
            char block[TraceHeaderSize];
            for (int i = 0; result && i < count; ++i) {
                const SEGYTraceHeader* header = m_traceHeaders[i];
                if (!header) {
                    result = false;
                    break;
                }
                // Each header goes back exactly where it was found.
                header->encodeTo(reinterpret_cast<uchar*>(block), littleEndian);
                if (!writeAt(m_device, header->filePosition, block, TraceHeaderSize)) {
                    result = false;
                    break;
                }
                emit saveProgress(int(i * 100.0 / count));
            }
            if (!flushed(m_device))
                result = false;
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
    // loaded file reads the original to the end.
    auto writeAndCommit = [this](QSaveFile& out) {
        if (!out.open(QIODevice::WriteOnly))
            return false;
        if (writeNewFile(&out))
            return out.commit();
        out.cancelWriting();
        return false;
    };
    if (m_loaded && m_device && destDevice) {
        auto* destFile = qobject_cast<QFile*>(destDevice);
        if (destFile && !destFile->fileName().isEmpty()) {
            QSaveFile out(destFile->fileName());
            result = writeAndCommit(out);
        } else if (auto* saveFile = qobject_cast<QSaveFile*>(destDevice)) {
            result = writeAndCommit(*saveFile);
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

    // Text, binary and extended headers are laid out in memory first, with
    // zeros in the bytes that belong to no field.
    QBuffer headerBytes;
    headerBytes.open(QIODevice::WriteOnly);
    QDataStream headerStream(&headerBytes);
    headerStream.setByteOrder(m_byteOrder);
    headerStream << *m_mainHeader;
    headerBytes.close();
    std::vector<char> out;
    out.reserve(size_t(1) << 20);
    out.insert(out.end(), headerBytes.data().cbegin(), headerBytes.data().cend());

    FileWindowReader source(m_device, m_device->size());
    const int formatCode = m_loadedFormatCode;
    const int sampleBytes = bytesPerSampleForFormat(formatCode);
    std::vector<double> samples;
    const int count = m_traceHeaders.size();
    for (int i = 0; i < count; ++i) {
        const SEGYTraceHeader* header = m_traceHeaders[i];
        if (!header) {
            result = false;
            break;
        }
        const size_t at = out.size();
        out.resize(at + TraceHeaderSize);
        header->encodeTo(reinterpret_cast<uchar*>(out.data() + at), littleEndian);

        // Samples keep the geometry found at load, decoded and encoded again
        // in the format they were stored in.
        const int sampleCount = header->loadedSampleCount;
        const qint64 byteCount = qint64(sampleCount) * sampleBytes;
        if (byteCount > 0) {
            const uchar* stored = source.bytesAt(header->filePosition + TraceHeaderSize, int(byteCount));
            samples.resize(size_t(sampleCount));
            decodeSamples(formatCode, stored, sampleCount, littleEndian, samples.data());
            const size_t sampleAt = out.size();
            out.resize(sampleAt + size_t(byteCount));
            encodeSamples(formatCode, samples.data(), sampleCount, littleEndian,
                          reinterpret_cast<uchar*>(out.data() + sampleAt));
        }
        if (out.size() >= (size_t(1) << 20)) {
            if (!writeFully(destination, out.data(), qint64(out.size()))) {
                result = false;
                break;
            }
            out.clear();
        }
        emit saveProgress(int(i * 100.0 / count));
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
