#include "filewindow.h"

#include <QIODevice>
#include <algorithm>
#include <cstring>

namespace {
const qint64 FirstWindowSize = qint64(64) << 10;
const qint64 WindowSize = qint64(4) << 20;
}

FileWindowReader::FileWindowReader(QIODevice* device, qint64 size)
    : m_device(device), m_size(size)
{
}

FileWindowReader::~FileWindowReader() = default;

const uchar* FileWindowReader::bytesAt(qint64 position, int length)
{
    if (length <= 0 || position < 0)
        return nullptr;
    const qint64 end = position + length;
    if (m_windowLength == 0 || position < m_windowStart || end > m_windowStart + m_windowLength) {
        // Windows grow from 64 KB, so a single lookup stays cheap and a walk
        // soon reads 4 MB at a time.
        const qint64 grown = m_windowLength > 0 ? std::min(WindowSize, 2 * m_windowLength) : FirstWindowSize;
        const qint64 windowLength = std::max<qint64>(length, grown);
        m_window.resize(size_t(windowLength));
        qint64 got = 0;
        if (position < m_size && m_device->seek(position)) {
            const qint64 wanted = std::min(windowLength, m_size - position);
            while (got < wanted) {
                const qint64 n = m_device->read(reinterpret_cast<char*>(m_window.data()) + got, wanted - got);
                if (n <= 0)
                    break;
                got += n;
            }
        }
        std::memset(m_window.data() + got, 0, size_t(windowLength - got));
        m_windowStart = position;
        m_windowLength = windowLength;
    }
    return m_window.data() + (position - m_windowStart);
}
