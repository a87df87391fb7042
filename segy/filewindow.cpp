#include "filewindow.h"

#include <QFile>
#include <QIODevice>
#include <algorithm>
#include <cerrno>
#include <cstring>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace {
const qint64 FirstWindowSize = qint64(64) << 10;
const qint64 WindowSize = qint64(1) << 20;
}

FileWindowReader::FileWindowReader(QIODevice* device, qint64 size)
    : m_device(device), m_size(size)
{
}

FileWindowReader::~FileWindowReader() = default;

void FileWindowReader::readInto(qint64 position, qint64 length, uchar* out)
{
    qint64 got = 0;
#if defined(Q_OS_UNIX)
    // A plain file is read with positioned reads: no seek, and none of the
    // device's own buffering, which would read ahead for a small range.
    auto* file = qobject_cast<QFile*>(m_device);
    if (file && file->handle() >= 0 && position < m_size) {
        const qint64 wanted = std::min(length, m_size - position);
        while (got < wanted) {
            const ssize_t n = ::pread(file->handle(), out + got, size_t(wanted - got), off_t(position + got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                m_failed = true;
                break;
            }
            got += n;
        }
        std::memset(out + got, 0, size_t(length - got));
        return;
    }
#endif
    if (position < m_size) {
        const qint64 wanted = std::min(length, m_size - position);
        if (!m_device->seek(position))
            m_failed = true;
        while (!m_failed && got < wanted) {
            const qint64 n = m_device->read(reinterpret_cast<char*>(out) + got, wanted - got);
            if (n <= 0) {
                // The device said the bytes were there: not getting them is
                // an error, not the end of the file.
                m_failed = true;
                break;
            }
            got += n;
        }
    }
    std::memset(out + got, 0, size_t(length - got));
}

const uchar* FileWindowReader::bytesAt(qint64 position, int length)
{
    if (length <= 0 || position < 0)
        return nullptr;
    const qint64 end = position + length;
    if (m_windowLength == 0 || position < m_windowStart || end > m_windowStart + m_windowLength) {
        // Windows grow from 64 KB, so a single lookup stays cheap and a walk
        // soon reads 1 MB at a time (a size that stays in the cache as it is parsed).
        const qint64 grown = m_windowLength > 0 ? std::min(WindowSize, 2 * m_windowLength) : FirstWindowSize;
        const qint64 windowLength = std::max<qint64>(length, grown);
        m_window.resize(size_t(windowLength));
        readInto(position, windowLength, m_window.data());
        m_windowStart = position;
        m_windowLength = windowLength;
    }
    return m_window.data() + (position - m_windowStart);
}

const uchar* FileWindowReader::bytesAtAlone(qint64 position, int length)
{
    if (length <= 0 || position < 0)
        return nullptr;
    if (m_windowLength > 0 && position >= m_windowStart && position + length <= m_windowStart + m_windowLength)
        return m_window.data() + (position - m_windowStart);
    m_alone.resize(size_t(length));
    readInto(position, length, m_alone.data());
    return m_alone.data();
}
