#include "outputfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
    return m_file->open(QIODevice::WriteOnly);
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
            cancel();
            return false;
        }
        return static_cast<QSaveFile*>(m_file.get())->commit();
    }
    const bool ok = m_file->flush() && m_file->error() == QFileDevice::NoError;
    m_file->close();
    return ok && m_file->error() == QFileDevice::NoError;
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
