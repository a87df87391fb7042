#pragma once

// Helpers shared by the text and sort tests: generated surveys with every
// trace header field filled, and loading into a file object.

#include "fixture.h"
#include "segy.h"

#include <QFile>
#include <QRandomGenerator>
#include <memory>

// A survey of traceCount traces whose header fields all hold values drawn
// from the full range of their width (the sample count excepted), so a text
// round trip meets negatives, extremes and long numbers.
inline SegyFixture randomSurvey(int traceCount, quint32 seed,
                                QDataStream::ByteOrder order = QDataStream::BigEndian)
{
    QRandomGenerator random(seed);
    SegyFixture fixture(order);
    fixture.geometry(4, 1, 2000);
    const HeaderTable& table = traceHeaderTable();
    for (int t = 0; t < traceCount; ++t) {
        fixture.addTrace(4, 1, [t](int i) { return t * 10.0 + i; });
        for (int field = 0; field < table.count; ++field) {
            const int startByte = table.startBytes[field];
            if (startByte == 115)
                continue;
            // A third of the values are small, as in real headers.
            const bool small = random.bounded(3) == 0;
            if (table.specs[field].width == 4) {
                qint32 v = small ? qint32(random.bounded(-50, 50)) : qint32(random.generate());
                if (v == INT_MIN)  // not representable as text input
                    v = INT_MIN + 1;
                fixture.tr32(t, startByte, v);
            } else {
                fixture.tr16(t, startByte, small ? qint16(random.bounded(-50, 50)) : qint16(random.generate()));
            }
        }
    }
    return fixture;
}

// Loads path into a new file object (null when the load fails).
inline std::unique_ptr<SEGY> loadSegy(const QString& path)
{
    std::unique_ptr<SEGY> segy(new SEGY);
    segy->setDevice(new QFile(path));
    if (!segy->open())
        return nullptr;
    return segy;
}

// Every trace header value, trace by trace.
inline QList<QList<int>> allTraceValues(const SEGY& segy)
{
    QList<QList<int>> rows;
    for (const SEGYTraceHeader* header : segy.traceHeaders()) {
        QList<int> row;
        for (int field = 0; field < TraceHeaderFieldCount; ++field)
            row << (header ? header->value(field) : 0);
        rows << row;
    }
    return rows;
}

inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
