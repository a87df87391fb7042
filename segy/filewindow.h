#pragma once

#include <QtGlobal>
#include <vector>

class QIODevice;
class QFileDevice;

// Reads byte ranges of an open device. A file is memory-mapped a window at a
// time, so a walk over a huge file keeps only one window resident; any other
// device is read with seek and read. Bytes beyond the end read as zero.
class FileWindowReader
{
public:
    FileWindowReader(QIODevice* device, qint64 size);
    ~FileWindowReader();
    FileWindowReader(const FileWindowReader&) = delete;
    FileWindowReader& operator=(const FileWindowReader&) = delete;

    // Pointer to length bytes starting at position, valid until the next call.
    const uchar* bytesAt(qint64 position, int length);

private:
    void unmap();

    QIODevice* m_device;
    QFileDevice* m_file;
    qint64 m_size;
    uchar* m_window = nullptr;
    qint64 m_windowStart = 0;
    qint64 m_windowLength = 0;
    bool m_mapFailed = false;
    std::vector<uchar> m_scratch;
};
