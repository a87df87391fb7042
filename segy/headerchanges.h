#pragma once

#include "fieldnames.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

// A set of header values to store in one step: trace header fields by trace
// and field index, binary header fields by field index, and the textual
// header. Editors (range edits, CSV import, reprojection, positioning
// import, the window's cells) build one and hand it to SEGY::apply, which
// checks it whole and stores all of it or nothing.
class HeaderChanges
{
public:
    struct TraceValue {
        int trace;
        int field;
        qint32 value;
    };
    struct BinaryValue {
        int field;
        qint32 value;
    };
    // A binary header byte no standard field holds (the revision 2 fields),
    // by its offset in the 400-byte block.
    struct BinaryByte {
        int offset;
        uchar value;
    };

    void setTraceValue(int trace, int field, qint32 value) { m_traceValues.push_back({trace, field, value}); }
    void setTraceValue(int trace, TraceField field, qint32 value) { setTraceValue(trace, fieldIndex(field), value); }
    void setBinaryValue(int field, qint32 value) { m_binaryValues.push_back({field, value}); }
    void setBinaryValue(BinaryField field, qint32 value) { setBinaryValue(fieldIndex(field), value); }
    void setBinaryByte(int offset, uchar value) { m_binaryBytes.push_back({offset, value}); }
    void setTextHeader(const QByteArray& text) { m_textHeader = text; }
    void reserve(size_t traceValues) { m_traceValues.reserve(traceValues); }

    // Later values of one field replace earlier ones.
    const std::vector<TraceValue>& traceValues() const { return m_traceValues; }
    const std::vector<BinaryValue>& binaryValues() const { return m_binaryValues; }
    const std::vector<BinaryByte>& binaryBytes() const { return m_binaryBytes; }
    const std::optional<QByteArray>& textHeader() const { return m_textHeader; }
    // Values written as bytes of a custom field: each may be any value its
    // field's width stores, the most negative 32-bit one included.
    void allowFullRange() { m_fullRange = true; }
    bool fullRange() const { return m_fullRange; }
    bool isEmpty() const
    {
        return m_traceValues.empty() && m_binaryValues.empty() && m_binaryBytes.empty() && !m_textHeader;
    }

private:
    std::vector<TraceValue> m_traceValues;
    std::vector<BinaryValue> m_binaryValues;
    std::vector<BinaryByte> m_binaryBytes;
    std::optional<QByteArray> m_textHeader;
    bool m_fullRange = false;
};

// What SEGY::apply did.
struct ApplyResult {
    bool ok = false;
    // Traces whose header bytes changed, values whose stored bytes changed,
    // and whether the binary or textual header changed.
    qint64 changedTraces = 0;
    qint64 changedValues = 0;
    bool binaryChanged = false;
    bool textChanged = false;
    // On failure: why, and the first trace concerned (-1 for none).
    QString error;
    int failedTrace = -1;

    bool changedAnything() const { return changedValues > 0 || binaryChanged || textChanged; }
};
