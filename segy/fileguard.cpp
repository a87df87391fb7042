#include "fileguard.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileIdentity identityOf(const struct stat& st)
{
    FileIdentity id;
    id.device = quint64(st.st_dev);
    id.inode = quint64(st.st_ino);
    id.size = qint64(st.st_size);
    return id;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

FileIdentity FileIdentity::ofPath(const QString& path)
{
    struct stat st;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return identityOf(st);
}

FileIdentity FileIdentity::ofDescriptor(int fd)
{
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return {};
    return identityOf(st);
}

bool isSameFile(const QString& first, const QString& second)
{
    return FileIdentity::ofPath(first).sameFile(FileIdentity::ofPath(second));
}

FileLock::FileLock(const QString& path) : m_path(path) {}

FileLock::~FileLock()
{
    unlock();
}

bool FileLock::lock(const std::function<void()>& onWait)
{
    if (m_locked)
        return true;
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        m_error = systemError(errno);
        return false;
    }
    int result = ::flock(m_fd, LOCK_EX | LOCK_NB);
    if (result != 0 && errno == EWOULDBLOCK) {
        if (onWait)
            onWait();
        do
            result = ::flock(m_fd, LOCK_EX);
        while (result != 0 && errno == EINTR);
    }
    if (result != 0) {
        m_error = systemError(errno);
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_locked = true;
    return true;
}

void FileLock::unlock()
{
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
    m_fd = -1;
    m_locked = false;
}

bool syncFolderOf(const QString& filePath)
{
    const QString folder = QFileInfo(filePath).absolutePath();
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}
