#include "tracestore.h"

#include "headers.h"
#include "largebuffer.h"

#include <algorithm>
#include <new>

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
    Block block{nullptr, bytes / sizeof(SEGYTraceHeader), 0, bytes, false};
    block.memory = allocateLarge(bytes, &block.mapped);
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
        releaseLarge(block.memory, block.bytes, block.mapped);
    }
    m_blocks.clear();
}
