#pragma once

// Loading and saving a SEG-Y file as functions over a QIODevice. They
// report through what they return and a progress callback, never through
// signals; SEGY wraps them and emits its signals from their results.

#include "fileguard.h"
#include "headers.h"
#include "tracelayout.h"
#include "tracestore.h"

#include <QDataStream>
#include <QList>
#include <QStringList>
#include <functional>
#include <memory>

class QIODevice;

// How to read a file whose binary header is wrong, whatever it says; no
// byte of the file changes for them.
struct ReadingOverrides {
    enum class Order { FromFile, BigEndian, LittleEndian } byteOrder = Order::FromFile;
    int formatCode = 0;     // 0: the binary header's
    enum class Text { FromFile, Ebcdic, Ascii } textEncoding = Text::FromFile;
    bool isEmpty() const { return byteOrder == Order::FromFile && formatCode == 0 && textEncoding == Text::FromFile; }
};

// What a load reads from a file and the saves write back: the headers, the
// byte order and where the traces lie in the loaded file (the saves keep
// that layout whatever the headers say now).
struct SegyFile {
    QDataStream::ByteOrder byteOrder = QDataStream::BigEndian;
    std::unique_ptr<SEGYMainHeader> mainHeader;
    QList<SEGYTraceHeader*> traceHeaders;
    TraceHeaderStore store;  // owns the headers listed above
    TraceLayout layout;
    // What the load read, so that a save can tell whether another program
    // changed the file since: its identity, the bytes before the first
    // trace, and a digest of each trace header's 240 bytes.
    FileIdentity identity;
    QByteArray headerBytes;
    std::vector<quint32> headerDigests;
    // Revision 2: whether the byte-order constant (3297-3300) gave the byte
    // order; the first extension of every trace (240 bytes each, as in the
    // file) and each trace's count of additional headers, when the file has
    // them; the trailer stanzas after the last trace.
    bool byteOrderFromConstant = false;
    bool revision2Layout = false;  // extended count, first trace offset, extensions or trailer placed the traces
    ReadingOverrides overrides;  // kept across clear(): set before a load
    std::vector<uchar> extension1;
    std::vector<quint16> extensionCounts;
    QByteArray trailer;

    void clear();
};

// Percentages for a callback, each value passed once in a row.
class ProgressReport
{
public:
    explicit ProgressReport(std::function<void(int)> callback) : m_callback(std::move(callback)) {}
    void operator()(int percent)
    {
        if (percent != m_last && m_callback) {
            m_last = percent;
            m_callback(percent);
        }
    }

private:
    std::function<void(int)> m_callback;
    int m_last = -1;
};

// What a load or a save did.
struct FileResult {
    bool ok = false;
    qint64 traces = 0;     // traces read, or trace headers written
    QStringList messages;  // warnings and failures, in the order met
    QString error;         // the reason of the failure; empty on success
    bool noTrace = false;  // a load that read the headers and found no trace after them
    bool generic = false;  // the error says only that a save failed, not why
};

// The byte order the loader takes from the format code's two bytes as they
// lie in the file: a code read big-endian as more than 16 is little-endian.
QDataStream::ByteOrder byteOrderForFormatBytes(const uchar* bytes);

// What the byte-order constant's four bytes (3297-3300) say.
enum class ByteOrderConstant { Absent, BigEndian, LittleEndian, PairSwapped };
ByteOrderConstant byteOrderConstantOf(const uchar* bytes);

// Reads the textual, binary and extended headers and walks the trace
// headers. The device is opened for reading and closed again. file is
// cleared first; it keeps a binary header whenever the device opened.
FileResult loadSegyFile(QIODevice* device, SegyFile* file, const std::function<void(int)>& progress = {});

// A digest of a trace header's bytes as they lie in the file.
quint32 traceHeaderDigest(const uchar* bytes);

// Rewrites the binary header and the trace headers that changed in the file
// they were loaded from, all or nothing, and marks them saved. The layout
// must be certain, and the file as the load found it: the same file, of the
// same size, with the loaded bytes where the save writes. The bytes to be
// overwritten go to a journal beside the file first (kept in memory for a
// device that is no file), which puts them back when a write fails and, if
// the process dies halfway, at the next load. The device is opened for
// reading and writing and closed again.
FileResult saveSegyFileInPlace(QIODevice* device, SegyFile* file, const std::function<void(int)>& progress = {});

// Writes the headers and the samples read from source to destination, which
// is written whole or not at all when it is a regular file. The new file
// gets the mandatory binary header fields left at 0 filled; the headers in
// memory keep their own values. A trace cut short in the source is copied
// as far as it goes.
FileResult saveSegyFileAs(QIODevice* source, QIODevice* destination, SegyFile* file,
                          const std::function<void(int)>& progress = {});
