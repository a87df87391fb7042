#pragma once

#include <QString>
#include <memory>

class QFileDevice;
class QIODevice;

// A file written whole or not at all. A regular file (or a name not yet
// taken) is written beside its place and renamed into it on commit, so a
// failure leaves an earlier file as it was. Anything else (a device, a
// pipe) is written into as a plain open would: it is never replaced by a
// regular file.
class OutputFile
{
public:
    explicit OutputFile(const QString& fileName);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool open();
    QIODevice* device() const;
    // True when every byte reached the file.
    bool commit();
    void cancel();
    // Why the last open, write or commit failed, in the system's words.
    QString errorString() const;

private:
    bool fail();

    std::unique_ptr<QFileDevice> m_file;
    bool m_replaces = false;
    QString m_error;
};
