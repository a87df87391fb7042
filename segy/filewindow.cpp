#include "filewindow.h"

#include <QFileDevice>
#include <algorithm>
#include <cstring>

namespace {
const qint64 WindowSize = qint64(4) << 20;
}

FileWindowReader::FileWindowReader(QIODevice* device, qint64 size)
    : m_device(device), m_file(qobject_cast<QFileDevice*>(device)), m_size(size)
{
}

FileWindowReader::~FileWindowReader()
{
    unmap();
}

void FileWindowReader::unmap()
{
    if (m_window && m_file)
        m_file->unmap(m_window);
    m_window = nullptr;
    m_windowLength = 0;
}

const uchar* FileWindowReader::bytesAt(qint64 position, int length)
{
    if (length <= 0 || position < 0)
        return nullptr;
    const qint64 end = position + length;
    if (end <= m_size && m_file && !m_mapFailed) {
        if (!(m_window && position >= m_windowStart && end <= m_windowStart + m_windowLength)) {
            unmap();
            m_windowStart = position;
            m_windowLength = std::min(std::max<qint64>(WindowSize, length), m_size - position);
            m_window = m_file->map(m_windowStart, m_windowLength);
            if (!m_window)
                m_mapFailed = true;
        }
        if (m_window)
            return m_window + (position - m_windowStart);
    }
    // Outside the file, or a device that cannot be mapped: read what exists.
    m_scratch.assign(size_t(length), 0);
    if (position < m_size && m_device->seek(position)) {
        const qint64 wanted = std::min<qint64>(length, m_size - position);
        qint64 got = 0;
        while (got < wanted) {
            const qint64 n = m_device->read(reinterpret_cast<char*>(m_scratch.data()) + got, wanted - got);
            if (n <= 0)
                break;
            got += n;
        }
    }
    return m_scratch.data();
}
