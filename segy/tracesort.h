#pragma once

#include <QList>

class SEGY;
class SEGYTraceHeader;

struct TraceHeaderSortKey {
    int fieldIndex = 0;
    bool ascending = true;
};
