#include "outputfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "fileguard.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

OutputFile::OutputFile(const QString& fileName)
{
    const QFileInfo info(fileName);
    m_replaces = !info.exists() || info.isFile();
    if (m_replaces)
        m_file = std::make_unique<QSaveFile>(fileName);
    else
        m_file = std::make_unique<QFile>(fileName);
}

OutputFile::~OutputFile()
{
    if (m_file->isOpen())
        cancel();
}

bool OutputFile::open()
{
    return m_file->open(QIODevice::WriteOnly) || fail();
}

QString OutputFile::errorString() const
{
    return m_error.isEmpty() ? m_file->errorString() : m_error;
}

// Keeps the reason before a cancel replaces it with its own.
bool OutputFile::fail()
{
    if (m_error.isEmpty())
        m_error = m_file->error() == QFileDevice::NoError ? QString::fromLocal8Bit(std::strerror(errno))
                                                          : m_file->errorString();
    return false;
}

QIODevice* OutputFile::device() const
{
    return m_file.get();
}

bool OutputFile::commit()
{
    if (m_replaces) {
        // A save file renames its temporary file even when the last buffered
        // bytes could not be written (a full disk): flush and check first.
        if (!m_file->flush() || m_file->error() != QFileDevice::NoError) {
            fail();
            cancel();
            return false;
        }
        // The new file takes the place of the old one with its permission
        // bits, owner and group (as far as this process may set them), and
        // is on disk before the rename makes it the file.
        const int fd = m_file->handle();
        struct stat old;
        if (::stat(QFile::encodeName(m_file->fileName()).constData(), &old) == 0) {
            if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, uid_t(-1), old.st_gid) != 0) {
                // Not allowed to give the file away: it stays the writer's.
            }
            ::fchmod(fd, old.st_mode & 07777);
        }
        if (::fsync(fd) != 0) {
            m_error = QString::fromLocal8Bit(std::strerror(errno));
            cancel();
            return false;
        }
        const QString name = m_file->fileName();
        return (static_cast<QSaveFile*>(m_file.get())->commit() || fail()) && syncFolderOf(name);
    }
    const bool ok = m_file->flush() && m_file->error() == QFileDevice::NoError;
    if (!ok)
        fail();
    m_file->close();
    return (ok && m_file->error() == QFileDevice::NoError) || fail();
}

void OutputFile::cancel()
{
    if (m_replaces) {
        // A cancelled save file drops its temporary file on commit.
        auto* saveFile = static_cast<QSaveFile*>(m_file.get());
        saveFile->cancelWriting();
        saveFile->commit();
    } else {
        m_file->close();
    }
}
