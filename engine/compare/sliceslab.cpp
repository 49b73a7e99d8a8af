#include "engine/compare/sliceslab.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cassert>
#include <new>
#include <utility>

namespace
{

constexpr std::size_t kSliceBytes = TSliceSlab::kSliceWords * sizeof(uint64_t);

std::size_t pageSize()
{
    static const std::size_t size = std::size_t(sysconf(_SC_PAGESIZE));
    return size;
}

}

TSliceSlab::TSliceSlab(std::size_t maxSlices, std::size_t slices)
    : m_reservedBytes((maxSlices * kSliceBytes + pageSize() - 1) / pageSize() * pageSize())
    , m_slices(slices)
{
    assert(slices <= maxSlices);
    void *address
        = mmap(nullptr, m_reservedBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (address == MAP_FAILED)
        throw std::bad_alloc();
    // A huge page would make a mostly empty reservation resident 2 MB at a time.
    madvise(address, m_reservedBytes, MADV_NOHUGEPAGE);
    m_words = static_cast<uint64_t *>(address);
}

TSliceSlab::~TSliceSlab()
{
    if (m_words)
        munmap(m_words, m_reservedBytes);
}

TSliceSlab::TSliceSlab(TSliceSlab &&other) noexcept
    : m_words(std::exchange(other.m_words, nullptr))
    , m_reservedBytes(std::exchange(other.m_reservedBytes, 0))
    , m_slices(std::exchange(other.m_slices, 0))
{
}

TSliceSlab &TSliceSlab::operator=(TSliceSlab &&other) noexcept
{
    std::swap(m_words, other.m_words);
    std::swap(m_reservedBytes, other.m_reservedBytes);
    std::swap(m_slices, other.m_slices);
    return *this;
}

void TSliceSlab::AddSlice()
{
    assert((m_slices + 1) * kSliceBytes <= m_reservedBytes);
    ++m_slices;
}

std::size_t TSliceSlab::ResidentBytes() const
{
    return (m_slices * kSliceBytes + pageSize() - 1) / pageSize() * pageSize();
}
