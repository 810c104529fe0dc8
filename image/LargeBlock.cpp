#include "image/LargeBlock.h"

#include <limits>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace fovella {

namespace {

constexpr std::size_t kCacheLine = 64;
constexpr std::size_t kHugePage = std::size_t(2) << 20;
// From this size up a block is given whole huge pages, its end rounded up:
// one fault and one cleared page instead of up to 512 small faults.
constexpr std::size_t kLeastHuge = kHugePage / 4;

bool Huge(std::size_t bytes) { return bytes >= kLeastHuge; }

std::size_t RoundedSize(std::size_t bytes) { return Huge(bytes) ? (bytes + kHugePage - 1) & ~(kHugePage - 1) : bytes; }

std::align_val_t AlignmentFor(std::size_t bytes) { return std::align_val_t(Huge(bytes) ? kHugePage : kCacheLine); }

}  // namespace

void* AllocateLarge(std::size_t bytes) noexcept
{
    if (bytes > std::numeric_limits<std::size_t>::max() - kHugePage)
        return nullptr;  // no such block, and its rounding would wrap round to a small one
    void* block = ::operator new(RoundedSize(bytes), AlignmentFor(bytes), std::nothrow);
#ifdef __linux__
    if (block && Huge(bytes))
        ::madvise(block, RoundedSize(bytes), MADV_HUGEPAGE);
#endif
    return block;
}

void FreeLarge(void* block, std::size_t bytes) noexcept
{
    if (block)
        ::operator delete(block, AlignmentFor(bytes));
}

}  // namespace fovella
