#pragma once

#include "fieldlayout.h"
#include "headerchanges.h"
#include "headers.h"
#include "segyfileio.h"
#include "tracetext.h"

#include <QDataStream>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

class QIODevice;

// One open SEG-Y file: its device, byte order, binary and textual headers and
// one header per trace, in file order. Reports only through its signals; the
// work is done by the functions of segyfileio.h and tracetext.h.
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
    // True from a load that opened its device until the next close or clear.
    bool isLoaded() const { return m_file.mainHeader != nullptr; }
    // Whether a value changed since the last load, close or in-place save.
    bool isModified() const { return m_modified; }
    // Why the last load or save failed; empty after one that succeeded.
    QString lastError() const { return m_lastError; }
    // Why the last save failed, when it had a reason of its own (a refused
    // layout, a file changed by another program, a journal, a failed write
    // put back); empty after a save that succeeded or failed plainly.
    QString saveFailureReason() const { return m_saveFailureReason; }
    // Takes the file's write lock and holds it until releaseWriteLock (or the
    // object goes): a command that will save in place takes it before it
    // loads, so a second writer waits for it. An in-place save takes it for
    // its own length when it is not held. onWait is called once before
    // waiting for another holder.
    bool takeWriteLock(const std::function<void()>& onWait = {});
    void releaseWriteLock();

    int byteOrder() const { return m_file.byteOrder == QDataStream::LittleEndian ? 1 : 0; }
    bool isLittleEndian() const { return m_file.byteOrder == QDataStream::LittleEndian; }

    // The user's fields beyond the standard ones (kept across loads).
    const FieldLayout& fieldLayout() const { return m_fieldLayout; }
    void setFieldLayout(const FieldLayout& layout) { m_fieldLayout = layout; }
    // Every field of a header kind: the standard table, then the layout's.
    QList<FieldDescription> allFields(HeaderBlock block) const;
    // The fields shown after the standard ones: for the binary header the
    // revision 2 fields (of a revision 2 file) and the layout's; for trace
    // headers extension 1's (of a file with extensions) and the layout's.
    QList<FieldDescription> extraFields(HeaderBlock block) const;
    bool isRevision2() const;
    bool hasTraceExtensions() const { return !m_file.extensionCounts.empty(); }
    // Reads any field of a trace of this file, extensions included.
    FieldReader fieldReader() const
    {
        return [this](const SEGYTraceHeader* header, const FieldDescription& field) { return fieldValue(header, field); };
    }
    // Revision 2 parts of the loaded file: the names of a trace's additional
    // headers (from their bytes 233-240), and the trailer stanzas.
    QStringList extensionNames(int traceIndex) const;
    const QByteArray& trailer() const { return m_file.trailer; }

    // How the next loads read the file: byte order, format and textual
    // header encoding the user gives instead of the file's.
    void setReadingOverrides(const ReadingOverrides& overrides) { m_file.overrides = overrides; }
    const ReadingOverrides& readingOverrides() const { return m_file.overrides; }
    // Whether a textual block (the header, an extended one, a stanza) is
    // read as ASCII: the user's encoding, else what its bytes look like.
    bool readsTextAsAscii(const QByteArray& block, bool extended = false) const;
    // The format code the samples are read with (an override, or 3225-3226).
    int effectiveFormatCode() const { return m_file.layout.formatCode(); }
    // A field by its first byte (a standard field) or its name (the layout's);
    // false when none is called so.
    bool findField(const QString& name, HeaderBlock block, FieldDescription* field) const;
    // A field's value in a trace header (null: the binary header).
    FieldValue fieldValue(const CHeader* header, const FieldDescription& field) const;
    // Adds to changes what makes the field hold value in a trace (-1: the
    // binary header); false with *error when the bytes cannot be edited.
    // Several fields of one header go in one call, so that fields sharing
    // the bytes of a standard field all keep their values.
    bool addFieldChanges(HeaderChanges* changes, int trace, const FieldValues& values, QString* error) const;
    bool addFieldChange(HeaderChanges* changes, int trace, const FieldDescription& field, const FieldValue& value,
                        QString* error) const
    {
        return addFieldChanges(changes, trace, {{field, value}}, error);
    }
    SEGYMainHeader* mainHeader() const { return m_file.mainHeader.get(); }
    int mainHeaderValue(int fieldIndex) const { return mainHeader() ? mainHeader()->value(fieldIndex) : 0; }
    int bytesPerSample() const;
    int samplesPerTrace() const { return mainHeader() ? mainHeader()->value(BinaryField::SampleCount) : 0; }
    QByteArray textHeader() const { return mainHeader() ? mainHeader()->textHeader : QByteArray(); }
    QList<SEGYTraceHeader*> traceHeaders() const { return m_file.traceHeaders; }
    int traceCount() const { return m_file.traceHeaders.size(); }
    // The file index of one of this file's trace headers, or -1.
    int traceIndexOf(const SEGYTraceHeader* header) const;
    // Where the traces lie in the loaded file.
    const TraceLayout& layout() const { return m_file.layout; }
    int traceHeaderValue(int traceIndex, int fieldIndex) const;
    int traceSamplesCount(int traceIndex) const;
    // Sample count the loader's rule gives for a trace header: its own count
    // when at least 1, else the binary header's.
    int effectiveSampleCount(const SEGYTraceHeader* header) const;
    // Whether the traces were read as one length fixed by the binary header
    // (its count and format explain the file's size exactly).
    bool hasFixedTraceLength() const { return m_file.layout.hasFixedLength(); }

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

    // Told, after every store that changed a value (apply, the setters, and
    // editors that store into a listed header), the changes that put back
    // what it replaced. Unset by default; the window keeps its undo history
    // with it.
    using ChangeRecorder = std::function<void(const HeaderChanges& inverse)>;
    void setChangeRecorder(ChangeRecorder recorder) { m_recorder = std::move(recorder); }
    // For an editor that stored a new value into one of this file's trace
    // headers itself: passes the value it replaced to the recorder.
    void noteTraceValueStored(const SEGYTraceHeader* header, int fieldIndex, qint32 old) const;

    // Trace headers as text over an open device (the slots below do the
    // same for files). Import stores what it read with apply, only once the
    // whole text was read, and emits its messages, which call the text name.
    TraceTextResult importTraceHeaders(QIODevice* device, const QString& separator, const QString& name = QString());
    TraceTextResult exportTraceHeaders(QIODevice* device, const QString& separator);

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
    void modifiedChanged(bool modified);

public slots:
    bool open();
    bool save();
    bool save(QIODevice* destDevice);
    bool importTraceHeadersFromASCIIFile(QString asciiFile, QString separator);
    bool exportTraceHeadersToASCIIFile(QString asciiFile, QString separator);

private:
    // Whether the headers with these changes made still place every trace
    // where the load found it.
    bool layoutWouldStay(const HeaderChanges& changes) const;
    void setModified(bool modified);
    bool saveDone(const FileResult& result);
    void emitMessages(const QStringList& messages);

    QString fileName() const;

    QIODevice* m_device = nullptr;
    SegyFile m_file;
    FieldLayout m_fieldLayout;
    bool m_modified = false;
    QString m_lastError;
    QString m_saveFailureReason;
    std::unique_ptr<FileLock> m_writeLock;
    ChangeRecorder m_recorder;
};
