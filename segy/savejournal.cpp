#include "savejournal.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char Magic[8] = {'T', 'R', 'V', 'J', 'R', 'N', 'L', '1'};
const char EndMagic[8] = {'T', 'R', 'V', 'J', 'E', 'N', 'D', '1'};

// A checksum of the whole journal, so one written only in part is known.
// Eight bytes a step: the journal of a large save runs to hundreds of MB.
class Checksum
{
public:
    void add(const uchar* p, size_t n)
    {
        // Whole words while no partial one is pending.
        if (m_fill == 0) {
            for (; n >= 8; p += 8, n -= 8) {
                quint64 w;
                std::memcpy(&w, p, 8);
                mix(qFromLittleEndian(w));
            }
        }
        for (; n > 0; ++p, --n) {
            m_word |= quint64(*p) << (8 * m_fill);
            if (++m_fill == 8) {
                mix(m_word);
                m_word = 0;
                m_fill = 0;
            }
        }
    }
    quint64 value()
    {
        mix(m_word ^ (quint64(m_fill) << 56));
        return m_hash;
    }

private:
    void mix(quint64 w)
    {
        m_hash ^= w;
        m_hash *= 0x9E3779B97F4A7C15ull;
        m_hash ^= m_hash >> 29;
    }
    quint64 m_hash = 0xCBF29CE484222325ull;
    quint64 m_word = 0;
    int m_fill = 0;
};

void putWord(std::vector<uchar>& out, quint64 v)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(uchar(v >> (8 * i)));
}

quint64 getWord(const uchar* p)
{
    quint64 v = 0;
    for (int i = 0; i < 8; ++i)
        v |= quint64(p[i]) << (8 * i);
    return v;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool pwriteAll(int fd, const uchar* data, size_t size, qint64 offset)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
        offset += n;
    }
    return true;
}

}  // namespace

SaveJournal::SaveJournal(const QString& filePath) : m_filePath(filePath) {}

SaveJournal::~SaveJournal() = default;

QString SaveJournal::pathFor(const QString& filePath)
{
    return filePath + QStringLiteral(".trevalon-journal");
}

void SaveJournal::add(qint64 offset, const uchar* oldBytes, qint64 length)
{
    if (length <= 0)
        return;
    const size_t at = m_bytes.size();
    m_bytes.insert(m_bytes.end(), oldBytes, oldBytes + length);
    m_ranges.push_back({offset, length, at});
}

void SaveJournal::append(const SaveJournal& other)
{
    const size_t base = m_bytes.size();
    m_bytes.insert(m_bytes.end(), other.m_bytes.begin(), other.m_bytes.end());
    for (Range range : other.m_ranges) {
        range.at += base;
        m_ranges.push_back(range);
    }
}

bool SaveJournal::holds(qint64 offset, const uchar* bytes, qint64 length) const
{
    for (auto it = m_ranges.rbegin(); it != m_ranges.rend(); ++it) {
        if (it->offset == offset && it->length >= length)
            return std::memcmp(m_bytes.data() + it->at, bytes, size_t(length)) == 0;
    }
    return false;
}

bool SaveJournal::write(const FileIdentity& identity, QString* error)
{
    if (m_filePath.isEmpty())
        return true;
    const QString path = pathFor(m_filePath);
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, systemError(errno));
        return false;
    }
    Checksum sum;
    std::vector<uchar> out;
    out.reserve(size_t(1) << 20);
    out.insert(out.end(), Magic, Magic + 8);
    putWord(out, identity.device);
    putWord(out, identity.inode);
    putWord(out, quint64(identity.size));
    putWord(out, quint64(m_ranges.size()));
    bool ok = true;
    qint64 written = 0;
    auto flush = [&]() {
        sum.add(out.data(), out.size());
        ok = ok && pwriteAll(fd, out.data(), out.size(), written);
        written += qint64(out.size());
        out.clear();
    };
    for (const Range& range : m_ranges) {
        putWord(out, quint64(range.offset));
        putWord(out, quint64(range.length));
        out.insert(out.end(), m_bytes.begin() + qint64(range.at), m_bytes.begin() + qint64(range.at + size_t(range.length)));
        if (out.size() >= (size_t(1) << 20))
            flush();
    }
    flush();
    putWord(out, sum.value());
    out.insert(out.end(), EndMagic, EndMagic + 8);
    ok = ok && pwriteAll(fd, out.data(), out.size(), written) && ::fsync(fd) == 0;
    const int failure = errno;
    ::close(fd);
    ok = ok && syncFolderOf(path);
    if (!ok) {
        ::unlink(QFile::encodeName(path).constData());
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, systemError(failure ? failure : EIO));
        return false;
    }
    m_written = true;
    return true;
}

bool SaveJournal::rollback(QIODevice* device) const
{
    bool ok = true;
    for (const Range& range : m_ranges) {
        ok = device->seek(range.offset)
             && device->write(reinterpret_cast<const char*>(m_bytes.data() + range.at), range.length) == range.length
             && ok;
    }
    if (auto* file = qobject_cast<QFileDevice*>(device))
        ok = file->flush() && ok;
    return ok;
}

bool SaveJournal::remove()
{
    if (!m_written)
        return true;
    const QString path = pathFor(m_filePath);
    m_written = false;
    return ::unlink(QFile::encodeName(path).constData()) == 0 && syncFolderOf(path);
}

SaveJournal::Recovery SaveJournal::recover(const QString& filePath, QString* error, bool lockHeld)
{
    const QString path = pathFor(filePath);
    if (filePath.isEmpty() || !QFileInfo::exists(path))
        return Recovery::None;
    // A save that is still running holds the lock: wait for it to end.
    FileLock lock(filePath);
    if (!lockHeld && !lock.lock()) {
        if (error)
            *error = lock.errorString();
        return Recovery::Failed;
    }
    QFile journal(path);
    if (!journal.open(QIODevice::ReadOnly)) {
        if (!QFileInfo::exists(path))
            return Recovery::None;  // the save that wrote it has ended
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, journal.errorString());
        return Recovery::Failed;
    }
    const QByteArray all = journal.readAll();
    journal.close();
    const auto* p = reinterpret_cast<const uchar*>(all.constData());
    const size_t size = size_t(all.size());

    // Walk the ranges; a journal that does not hold together was cut short
    // while being written, before any byte of the file changed.
    bool whole = size >= 8 + 32 + 16 && std::memcmp(p, Magic, 8) == 0
                 && std::memcmp(p + size - 8, EndMagic, 8) == 0;
    struct Found {
        qint64 offset;
        qint64 length;
        size_t at;
    };
    std::vector<Found> ranges;
    FileIdentity id;
    if (whole) {
        id.device = getWord(p + 8);
        id.inode = getWord(p + 16);
        id.size = qint64(getWord(p + 24));
        const quint64 count = getWord(p + 32);
        size_t at = 40;
        const size_t end = size - 16;
        for (quint64 k = 0; whole && k < count; ++k) {
            if (at + 16 > end) {
                whole = false;
                break;
            }
            const qint64 offset = qint64(getWord(p + at));
            const quint64 length = getWord(p + at + 8);
            at += 16;
            if (length > end - at || offset < 0) {
                whole = false;
                break;
            }
            ranges.push_back({offset, qint64(length), at});
            at += size_t(length);
        }
        Checksum sum;
        sum.add(p, end);
        whole = whole && at == end && sum.value() == getWord(p + end);
    }
    if (!whole) {
        QFile::remove(path);
        syncFolderOf(path);
        return Recovery::Discarded;
    }
    if (id != FileIdentity::ofPath(filePath))
        return Recovery::Foreign;

    const int fd = ::open(QFile::encodeName(filePath).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(filePath, systemError(errno));
        return Recovery::Failed;
    }
    bool ok = true;
    for (const Found& range : ranges)
        ok = ok && pwriteAll(fd, p + range.at, size_t(range.length), range.offset);
    ok = ok && ::fsync(fd) == 0;
    const int failure = errno;
    ::close(fd);
    if (!ok) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(filePath, systemError(failure ? failure : EIO));
        return Recovery::Failed;
    }
    QFile::remove(path);
    syncFolderOf(path);
    return Recovery::Restored;
}
