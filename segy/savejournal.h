#pragma once

#include "fileguard.h"

#include <QString>
#include <QtGlobal>
#include <vector>

class QIODevice;

// The bytes an in-place save is about to overwrite, kept so that the save
// can be undone: by the save itself when it fails, and by the next load of
// the file when the process died halfway. The journal lies beside the file,
// in the same folder, and names the file it belongs to by its identity.
//
// The order of a save: add() every range and its present bytes, write() the
// journal (durable before a byte of the file changes), change the file and
// make it durable, then remove() the journal.
class SaveJournal
{
public:
    // An empty path keeps the journal in memory only (devices that are no
    // file on disk): rollback still works, recovery after a crash does not.
    explicit SaveJournal(const QString& filePath);
    ~SaveJournal();
    SaveJournal(const SaveJournal&) = delete;
    SaveJournal& operator=(const SaveJournal&) = delete;

    static QString pathFor(const QString& filePath);

    void add(qint64 offset, const uchar* oldBytes, qint64 length);
    // Adds every range of other after this journal's own.
    void append(const SaveJournal& other);
    qint64 rangeCount() const { return qint64(m_ranges.size()); }
    // Whether the bytes recorded at offset are these (the file as loaded).
    bool holds(qint64 offset, const uchar* bytes, qint64 length) const;

    // Writes the journal file and makes it and its folder durable. False,
    // with the system's reason, when it cannot; then nothing may be written.
    bool write(const FileIdentity& identity, QString* error);
    // Writes every recorded range back through the device (open for
    // writing); true when all of them went back.
    bool rollback(QIODevice* device) const;
    // Drops the journal file once the saved file is durable.
    bool remove();

    enum class Recovery {
        None,       // no journal for this file
        Restored,   // an interrupted save was undone
        Discarded,  // a journal written only in part: the save never began
        Foreign,    // a journal that names another file: left alone
        Failed,     // the old bytes could not be put back (see error)
    };
    // Puts back the bytes of a save that was interrupted, if a journal for
    // the file lies beside it, and removes the journal. Takes the file's
    // lock first (unless the caller holds it), so a save still running in
    // another process ends before.
    static Recovery recover(const QString& filePath, QString* error, bool lockHeld = false);

private:
    struct Range {
        qint64 offset;
        qint64 length;
        size_t at;  // into m_bytes
    };
    QString m_filePath;
    std::vector<Range> m_ranges;
    std::vector<uchar> m_bytes;
    bool m_written = false;
};
