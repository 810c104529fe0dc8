// Memory for large pictures and working arrays.
//
// Blocks start on cache lines; from 512 KiB up they start on 2 MiB
// boundaries, end on one, and are marked for huge pages, so that the kernel
// can back them with few large pages. Two costs fall then: the first touch
// of every 4 KiB page is a fault of its own (several microseconds in a
// virtual machine; the edge map of a 6-megapixel picture alone touches some
// 1800 pages, its edges' links 600 more), and walks that touch many rows at
// each step, as the remap's column bands do, miss the TLB on small pages.
// Rounding the blocks of 0.5 to 2 MiB up as well took a tenth off the line
// estimate of a 6-megapixel JPEG.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace fovella {

// Null when the memory is not there.
void* AllocateLarge(std::size_t bytes) noexcept;
// `bytes` as given to AllocateLarge.
void FreeLarge(void* block, std::size_t bytes) noexcept;

// A block of AllocateLarge that frees itself, for a picture's pixels.
struct LargeBytesFree {
    std::size_t bytes = 0;
    void operator()(std::uint8_t* block) const noexcept { FreeLarge(block, bytes); }
};
using LargeBytes = std::unique_ptr<std::uint8_t[], LargeBytesFree>;

// Empty when the memory is not there.
inline LargeBytes AllocateLargeBytes(std::size_t bytes)
{
    return LargeBytes(static_cast<std::uint8_t*>(AllocateLarge(bytes)), LargeBytesFree{bytes});
}

template <class T>
struct LargeAllocator {
    using value_type = T;

    LargeAllocator() = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t n)
    {
        void* block = AllocateLarge(n * sizeof(T));
        if (!block)
            throw std::bad_alloc();
        return static_cast<T*>(block);
    }
    void deallocate(T* block, std::size_t n) noexcept { FreeLarge(block, n * sizeof(T)); }

    template <class U>
    bool operator==(const LargeAllocator<U>&) const noexcept
    {
        return true;
    }
    template <class U>
    bool operator!=(const LargeAllocator<U>&) const noexcept
    {
        return false;
    }
};

template <class T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

}  // namespace fovella
