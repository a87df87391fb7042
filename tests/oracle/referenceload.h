#pragma once

// A second, deliberately plain reading of the loader's rules, written
// straight from the byte layout: where every trace header starts, which
// messages the load reports, in order, and whether it succeeds. Tests hold
// the file model against it for real files and for mutated ones.

#include <QByteArray>
#include <QStringList>
#include <QVector>

struct ReferenceLoad {
    bool ok = false;
    bool littleEndian = false;
    int extendedBlocks = 0;     // blocks between the binary header and the first trace
    bool unendedRun = false;    // a count of -1 whose run reaches the end of the file
    QVector<qint64> positions;  // trace header offsets, in file order
    QStringList messages;       // errorMessage texts, in order
    QVector<int> progress;      // loadProgress values, each emitted once
};

ReferenceLoad referenceLoad(const QByteArray& file);

// What the model reported during one load.
class SEGY;
struct ObservedLoad {
    bool ok = false;
    QStringList messages;
    QVector<int> progress;
    int completed = 0;
    int failed = 0;
    int finished = 0;
};
ObservedLoad observeLoad(SEGY& segy);
