#include "image/LargeBlock.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace fovella {

namespace {

constexpr std::size_t kCacheLine = 64;
constexpr std::size_t kHugePage = std::size_t(2) << 20;

std::align_val_t AlignmentFor(std::size_t bytes)
{
    return std::align_val_t(bytes >= kHugePage ? kHugePage : kCacheLine);
}

}  // namespace

void* AllocateLarge(std::size_t bytes) noexcept
{
    void* block = ::operator new(bytes, AlignmentFor(bytes), std::nothrow);
#ifdef __linux__
    if (block && bytes >= kHugePage)
        ::madvise(block, bytes & ~(kHugePage - 1), MADV_HUGEPAGE);
#endif
    return block;
}

void FreeLarge(void* block, std::size_t bytes) noexcept
{
    if (block)
        ::operator delete(block, AlignmentFor(bytes));
}

}  // namespace fovella
