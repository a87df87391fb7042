#pragma once

#include <QtGlobal>
#include <vector>

class QIODevice;

// Reads byte ranges of an open device through one window buffer, filled by
// a single read and growing up to a few megabytes, so a walk over a huge file
// costs one read per window and keeps only that window resident. (Copying
// windows beats mapping the file: a walk over a mapping takes a TLB miss on
// nearly every page, which made the mapped walk several times slower.)
// Bytes beyond the end of the file read as zero; a read the device fails
// before the end also reads as zero and leaves failed() set.
class FileWindowReader
{
public:
    FileWindowReader(QIODevice* device, qint64 size);
    ~FileWindowReader();
    FileWindowReader(const FileWindowReader&) = delete;
    FileWindowReader& operator=(const FileWindowReader&) = delete;

    // Pointer to length bytes starting at position, valid until the next call.
    const uchar* bytesAt(qint64 position, int length);
    // The same, but when the range lies outside the current window only
    // those bytes are read, leaving the window as it is: for ranges far
    // apart, such as the headers of long traces.
    const uchar* bytesAtAlone(qint64 position, int length);

    // Reads length bytes at position straight into out (zeros beyond the
    // end of the file); false when the device failed.
    bool readExactly(qint64 position, qint64 length, uchar* out)
    {
        readInto(position, length, out);
        return !m_failed;
    }

    bool failed() const { return m_failed; }

private:
    // Reads up to length bytes at position into out, zero-filling the rest.
    void readInto(qint64 position, qint64 length, uchar* out);

    QIODevice* m_device;
    qint64 m_size;
    qint64 m_windowStart = 0;
    qint64 m_windowLength = 0;
    std::vector<uchar> m_window;
    std::vector<uchar> m_alone;
    bool m_failed = false;
};
