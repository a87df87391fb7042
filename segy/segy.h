#pragma once

#include "headerchanges.h"
#include "headers.h"
#include "tracestore.h"

#include <QDataStream>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <unordered_map>

class QIODevice;

// One open SEG-Y file: its device, byte order, binary and textual headers and
// one header per trace, in file order. Reports only through its signals.
class SEGY : public QObject
{
    Q_OBJECT

public:
    explicit SEGY(QIODevice* device = nullptr, QObject* parent = nullptr);
    ~SEGY() override;

    bool load(QIODevice* device);
    bool close();
    void clear();
    void setDevice(QIODevice* device);
    QIODevice* currentDevice() const { return m_device; }
    bool isLoaded() const { return m_loaded; }

    int byteOrder() const { return m_byteOrder == QDataStream::LittleEndian ? 1 : 0; }
    SEGYMainHeader* mainHeader() const { return m_mainHeader; }
    int mainHeaderValue(int fieldIndex) const { return m_mainHeader ? m_mainHeader->value(fieldIndex) : 0; }
    int bytesPerSample() const;
    int samplesPerTrace() const { return mainHeaderValue(7); }
    QByteArray textHeader() const { return m_mainHeader ? m_mainHeader->textHeader : QByteArray(); }
    QList<SEGYTraceHeader*> traceHeaders() const { return m_traceHeaders; }
    int traceCount() const { return m_traceHeaders.size(); }
    int traceHeaderValue(int traceIndex, int fieldIndex) const;
    int traceSamplesCount(int traceIndex) const;
    // Sample count the loader's rule gives for a trace header: its own count
    // when at least 1, else the binary header's.
    int effectiveSampleCount(const SEGYTraceHeader* header) const;
    // Whether the traces were read as one length fixed by the binary header
    // (its count and format explain the file's size exactly).
    bool hasFixedTraceLength() const { return m_fixedLength; }

    // Each setter refuses (false) a value that is no base-10 integer in the
    // field's range, and one that would change where the traces lie in the
    // file: the loader, given the edited headers, would find another first
    // trace, trace length or trace count, or another byte order.
    bool setMainHeaderValue(int fieldIndex, const QVariant& value);
    bool setTraceHeaderValue(int traceIndex, int fieldIndex, const QVariant& value);
    bool setTextHeader(const QByteArray& text);
    bool mainHeaderEditChangesLayout(int fieldIndex, qint32 value) const;
    bool traceHeaderEditChangesLayout(int traceIndex, int fieldIndex, qint32 value) const;
    bool traceHeaderEditChangesLayout(const SEGYTraceHeader* header, int fieldIndex, qint32 value) const;
    // The value a field of one of this file's trace headers would take, by
    // the setters' rules; false when they refuse it.
    bool checkedTraceHeaderValue(const SEGYTraceHeader* header, int fieldIndex, const QVariant& value,
                                 qint32* checked) const;

    // Stores a whole set of changes, or nothing: every value must fit its
    // field, and the headers as they would be after all of them must keep
    // the trace layout the load found. Emits editStarted, editProgress and
    // editCompleted around the stores. When inverse is given, it receives
    // the changes that put back what this call replaced (for undo).
    ApplyResult apply(const HeaderChanges& changes, HeaderChanges* inverse = nullptr);

    void notifyEditStarted() { emit editStarted(); }
    void notifyEditProgress(int percent) { emit editProgress(percent); }
    void notifyEditCompleted() { emit editCompleted(); }

    // The samples of one trace as the loader laid it out, decoded to doubles
    // (new[]; the caller deletes[]); null for an index outside the list.
    double* readTraceSamples(QDataStream& source, int traceIndex);
    void writeTraceSamples(QDataStream& destination, const double* samples, int traceIndex);

signals:
    void loadStarted();
    void loadProgress(int percent);
    void loadCompleted();
    void saveStarted();
    void saveProgress(int percent);
    void saveCompleted();
    void editStarted();
    void editProgress(int percent);
    void editCompleted();
    // After apply stored at least one changed byte: what it changed.
    void headersChanged(const ApplyResult& result);
    void errorLoading();
    void errorMessage(QString message);
    void ioOperationCompleted();
    // Emitted before the headers are released (every load, close and clear):
    // holders of header pointers drop them here.
    void headersReleasing();

public slots:
    bool open();
    bool save();
    bool save(QIODevice* destDevice);
    bool importTraceHeadersFromASCIIFile(QString asciiFile, QString separator);
    bool exportTraceHeadersToASCIIFile(QString asciiFile, QString separator);

private:
    bool walkTraces(QIODevice* device, qint64 start, qint64 size, qint64* lastTraceEnd);
    bool writeNewFile(QIODevice* destination);
    bool writeTraceHeadersInPlace();
    QByteArray mainHeaderBytes();
    bool layoutWouldStay(int binaryCount, int formatCode, int extendedCount,
                         const std::unordered_map<int, int>* sampleCounts = nullptr) const;
    void emitProgress(void (SEGY::*signal)(int), int percent);

    bool m_loaded = false;
    QIODevice* m_device = nullptr;
    QDataStream::ByteOrder m_byteOrder = QDataStream::BigEndian;
    SEGYMainHeader* m_mainHeader = nullptr;
    QList<SEGYTraceHeader*> m_traceHeaders;
    TraceHeaderStore m_traceStore;  // owns the headers listed above
    // Geometry found at load; the saves keep it whatever the headers say now.
    int m_loadedFormatCode = 0;
    qint64 m_loadedSize = 0;
    qint64 m_firstTraceOffset = 0;
    bool m_fixedLength = false;
    int m_lastProgress = -1;
};
