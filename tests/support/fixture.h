#pragma once

// Test support: builds SEG-Y files byte by byte, independently of the file
// model, so tests can describe exactly the bytes they feed the loader.

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <functional>

class SegyFixture
{
public:
    explicit SegyFixture(QDataStream::ByteOrder order = QDataStream::BigEndian);

    // Binary header fields by their file byte (3201-3600) and width.
    SegyFixture& bin16(int fileByte, qint16 value);
    SegyFixture& bin32(int fileByte, qint32 value);
    SegyFixture& bin8(int fileByte, quint8 value);
    SegyFixture& bin64(int fileByte, quint64 value);
    SegyFixture& binDouble(int fileByte, double value);
    // Revision 2: major 2 and this minor revision (3501, 3502) and the
    // byte-order constant 16909060 (3297-3300) in the fixture's byte order.
    SegyFixture& revision2(int minor);
    // Bytes between the extended headers and the first trace (3521-3528 is
    // the caller's to set).
    SegyFixture& gap(const QByteArray& bytes);
    // Typical set-up: samples per trace (3221), interval (3217), format (3225).
    SegyFixture& geometry(int samplesPerTrace, int formatCode, int intervalUs = 4000);

    // The 3200-byte textual header: ASCII text is stored as given when ascii
    // is true, else translated to EBCDIC. Cut or padded with blanks.
    SegyFixture& text(const QByteArray& asciiText, bool ascii = false);
    SegyFixture& extendedBlock(const QByteArray& rawBlock);  // 3200 raw bytes (padded)

    // Appends a trace: header bytes zero except the sample count (115-116),
    // samples given as raw sample words already in the fixture's byte order.
    int addTrace(int sampleCount, const QByteArray& rawSamples = QByteArray());
    // Appends a trace with sampleCount samples, each from value(i), encoded
    // in the given format code and byte order.
    int addTrace(int sampleCount, int formatCode, const std::function<double(int)>& value);
    SegyFixture& tr16(int trace, int traceByte, qint16 value);
    SegyFixture& tr32(int trace, int traceByte, qint32 value);
    // Bytes as given (already in the fixture's byte order) into a trace header.
    SegyFixture& trBytes(int trace, int traceByte, const QByteArray& raw);

    // Additional 240-byte headers after a trace's header: extension 1 named
    // "SEG00001" in EBCDIC, the others "PRIVATEn" in ASCII.
    SegyFixture& addExtensions(int trace, int count);
    // A value in extension `extension` (1 for the first) of a trace, at a
    // byte counted from 1 inside it, of width 2, 4 or 8 bytes.
    SegyFixture& ext(int trace, int extension, int byte, qint64 value, int width);
    SegyFixture& extDouble(int trace, int extension, int byte, double value);
    SegyFixture& tail(const QByteArray& bytes);  // stray bytes after the traces
    SegyFixture& truncateBy(int bytes);          // cut the end of the file

    QByteArray bytes() const;
    bool writeTo(const QString& path) const;

    QDataStream::ByteOrder order() const { return m_order; }
    // Raw sample word encoding for a format code in this fixture's byte order.
    QByteArray encodeSample(int formatCode, double value) const;

private:
    void put(QByteArray& block, int offset, qint64 value, int width) const;

    QDataStream::ByteOrder m_order;
    QByteArray m_text;
    QByteArray m_binary;
    QList<QByteArray> m_extended;
    QList<QByteArray> m_traces;  // header + samples
    QByteArray m_tail;
    QByteArray m_gap;
    int m_truncate = 0;
};

// Reference IBM encoder written from the format description, independent of
// the model's own conversion; exact for values representable in IBM form.
quint32 referenceIbmWord(double value);

// Path of a file in ../shared/segy-samples (the TREVALON_SAMPLES directory).
QString sharedSample(const QString& name);
QString sharedSamplesDir();

// A device that accepts writes until it has taken failAfter bytes, then fails.
// Reads come from the buffer it wraps; after failReadsFrom(offset), a read
// that reaches that offset fails.
class FailingDevice : public QIODevice
{
    Q_OBJECT
public:
    FailingDevice(const QByteArray& initial, qint64 failAfter, QObject* parent = nullptr);
    void failReadsFrom(qint64 offset) { m_failReadsFrom = offset; }
    // One failed write, then writes go through again (a passing fault).
    void failWritesOnce() { m_failOnce = true; }
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_data.size(); }
    bool seek(qint64 pos) override;
    const QByteArray& data() const { return m_data; }
    qint64 written() const { return m_written; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    QByteArray m_data;
    qint64 m_failAfter;
    qint64 m_written = 0;
    qint64 m_failReadsFrom = -1;
    bool m_failOnce = false;
};

// A whole file's bytes; empty when it cannot be read.
QByteArray fileContents(const QString& path);

// SHA-256 of a file, hex; empty when it cannot be read.
QByteArray fileChecksum(const QString& path);
