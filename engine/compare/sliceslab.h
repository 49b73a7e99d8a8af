#pragma once

#include <cstddef>
#include <cstdint>

// The bitset slices of one block of the signature index, one per common position, side by side.
//
// Room for the largest possible number of slices is reserved as address space when the block
// is made, and pages become resident only as slices are written, so that making one more
// position common adds a slice to every block without moving or copying any of them.
class TSliceSlab
{
public:
    static constexpr std::size_t kSliceWords = 8;

    // Reserves room for `maxSlices` slices and holds `slices` zero slices; throws std::bad_alloc
    // when the address space cannot be had.
    TSliceSlab(std::size_t maxSlices, std::size_t slices);
    ~TSliceSlab();
    TSliceSlab(TSliceSlab &&other) noexcept;
    TSliceSlab &operator=(TSliceSlab &&other) noexcept;
    TSliceSlab(const TSliceSlab &) = delete;
    TSliceSlab &operator=(const TSliceSlab &) = delete;

    // Adds one zero slice at the end.
    void AddSlice();

    std::size_t Slices() const { return m_slices; }
    // The words of the first slice; slice s starts kSliceWords * s words further, 64-byte aligned.
    const uint64_t *Words() const { return m_words; }
    uint64_t *Slice(std::size_t slice) { return m_words + slice * kSliceWords; }

    // Bytes of the pages that the slices so far occupy.
    std::size_t ResidentBytes() const;

private:
    uint64_t *m_words = nullptr;
    std::size_t m_reservedBytes = 0;
    std::size_t m_slices = 0;
};
