#include "largebuffer.h"

#include <QtGlobal>
#include <cstdlib>

#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#endif

void* allocateLarge(size_t bytes, bool* mapped)
{
    *mapped = false;
    if (bytes == 0)
        return nullptr;
#if defined(Q_OS_LINUX)
    void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages != MAP_FAILED) {
        madvise(pages, bytes, MADV_HUGEPAGE);
        *mapped = true;
        return pages;
    }
#endif
    void* memory = std::malloc(bytes);
    if (!memory)
        throw std::bad_alloc();
    return memory;
}

void releaseLarge(void* memory, size_t bytes, bool mapped)
{
    if (!memory)
        return;
#if defined(Q_OS_LINUX)
    if (mapped) {
        munmap(memory, bytes);
        return;
    }
#else
    Q_UNUSED(bytes);
    Q_UNUSED(mapped);
#endif
    std::free(memory);
}
