#include "tracestore.h"

#include "headers.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#endif

namespace {

const size_t FirstBlockBytes = size_t(1) << 20;
const size_t LargestBlockBytes = size_t(64) << 20;

}  // namespace

TraceHeaderStore::~TraceHeaderStore()
{
    clear();
}

void TraceHeaderStore::addBlock()
{
    const size_t bytes = m_blocks.empty() ? FirstBlockBytes
                                          : std::min(LargestBlockBytes, 2 * m_blocks.back().capacity * sizeof(SEGYTraceHeader));
    Block block{nullptr, bytes / sizeof(SEGYTraceHeader), 0, false};
#if defined(Q_OS_LINUX)
    // Anonymous pages on large pages where the system offers them: far fewer
    // page faults while millions of headers are written.
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory != MAP_FAILED) {
        madvise(memory, bytes, MADV_HUGEPAGE);
        block.memory = memory;
        block.mapped = true;
    }
#endif
    if (!block.memory) {
        block.memory = std::malloc(bytes);
        if (!block.memory)
            throw std::bad_alloc();
    }
    m_blocks.push_back(block);
}

SEGYTraceHeader* TraceHeaderStore::create(qint64 filePosition)
{
    if (m_blocks.empty() || m_blocks.back().used == m_blocks.back().capacity)
        addBlock();
    Block& block = m_blocks.back();
    void* at = static_cast<SEGYTraceHeader*>(block.memory) + block.used;
    ++block.used;
    return new (at) SEGYTraceHeader(filePosition);
}

void TraceHeaderStore::clear()
{
    for (const Block& block : m_blocks) {
        auto* headers = static_cast<SEGYTraceHeader*>(block.memory);
        for (size_t i = 0; i < block.used; ++i)
            headers[i].~SEGYTraceHeader();
#if defined(Q_OS_LINUX)
        if (block.mapped) {
            munmap(block.memory, block.capacity * sizeof(SEGYTraceHeader));
            continue;
        }
#endif
        std::free(block.memory);
    }
    m_blocks.clear();
}
