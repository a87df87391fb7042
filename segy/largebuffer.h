#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

// Memory for large working arrays (millions of trace headers, sort keys):
// anonymous pages, on large pages where the system offers them, so that
// filling them costs a few page faults instead of one per 4 KB.
void* allocateLarge(size_t bytes, bool* mapped);
void releaseLarge(void* memory, size_t bytes, bool mapped);

// Asks for memory that will be read soon: loops over headers that lie far
// apart keep several reads in flight this way.
inline void prefetch(const void* address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

// An uninitialised array of trivially copyable values in such memory.
template <typename T>
class LargeArray
{
    static_assert(std::is_trivially_copyable<T>::value, "plain values only");

public:
    explicit LargeArray(size_t count = 0) : m_count(count)
    {
        if (count)
            m_data = static_cast<T*>(allocateLarge(count * sizeof(T), &m_mapped));
    }
    ~LargeArray() { releaseLarge(m_data, m_count * sizeof(T), m_mapped); }
    LargeArray(const LargeArray&) = delete;
    LargeArray& operator=(const LargeArray&) = delete;

    T* data() { return m_data; }
    const T* data() const { return m_data; }
    T& operator[](size_t i) { return m_data[i]; }
    const T& operator[](size_t i) const { return m_data[i]; }
    size_t size() const { return m_count; }
    void swap(LargeArray& other)
    {
        std::swap(m_data, other.m_data);
        std::swap(m_count, other.m_count);
        std::swap(m_mapped, other.m_mapped);
    }

private:
    T* m_data = nullptr;
    size_t m_count = 0;
    bool m_mapped = false;
};
