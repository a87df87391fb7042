#pragma once

#include <QtGlobal>
#include <cstddef>
#include <vector>

class SEGYTraceHeader;

// Storage for the trace headers of one file. Headers are built side by side
// in large blocks instead of one heap allocation each, which keeps a
// multi-million-trace file small and quick to load; clear() destroys them all
// at once.
class TraceHeaderStore
{
public:
    TraceHeaderStore() = default;
    ~TraceHeaderStore();
    TraceHeaderStore(const TraceHeaderStore&) = delete;
    TraceHeaderStore& operator=(const TraceHeaderStore&) = delete;

    SEGYTraceHeader* create(qint64 filePosition);
    void clear();

private:
    struct Block {
        void* memory;
        size_t capacity;  // headers
        size_t used;
        size_t bytes;
        bool mapped;
    };
    void addBlock();

    std::vector<Block> m_blocks;
};
