#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

// Which file a path or an open descriptor names on disk, and how big it is.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;

    bool isValid() const { return size >= 0; }
    bool sameFile(const FileIdentity& other) const
    {
        return isValid() && other.isValid() && device == other.device && inode == other.inode;
    }
    bool operator==(const FileIdentity& other) const { return sameFile(other) && size == other.size; }
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }

    // Follows links; invalid when the path names nothing.
    static FileIdentity ofPath(const QString& path);
    static FileIdentity ofDescriptor(int fd);
};

// Whether two paths name the same file on disk (through any link or
// spelling of the path).
bool isSameFile(const QString& first, const QString& second);

// An exclusive advisory lock on a file, held from lock() until the object
// goes. Writers of one file take it in turn; readers take none.
class FileLock
{
public:
    explicit FileLock(const QString& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock, waiting for another holder to release it; onWait is
    // called once before waiting. False (with the system's reason) when the
    // file cannot be opened or locked.
    bool lock(const std::function<void()>& onWait = {});
    bool isLocked() const { return m_locked; }
    void unlock();
    QString errorString() const { return m_error; }

private:
    QString m_path;
    int m_fd = -1;
    bool m_locked = false;
    QString m_error;
};

// fsync of a folder, so that a file created, renamed or removed in it stays
// so across a crash.
bool syncFolderOf(const QString& filePath);
