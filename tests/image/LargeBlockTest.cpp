#include "image/LargeBlock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>

namespace fovella {
namespace {

// Small blocks start on a cache line, those of half a megabyte and more on
// a huge page; every byte asked for can be written, and the block frees
// itself as it was allocated (ASan checks the pairing).
TEST(LargeBlock, BlocksAreAlignedWritableAndFreed)
{
    const struct {
        std::size_t bytes, alignment;
    } cases[] = {{1, 64}, {(512 << 10) - 1, 64}, {512 << 10, 2 << 20}, {(3 << 20) + 1, 2 << 20}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const LargeBytes block = AllocateLargeBytes(c.bytes);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block.get()) % c.alignment, 0u);
        std::memset(block.get(), 0xA5, c.bytes);
        EXPECT_EQ(block[c.bytes - 1], 0xA5);
    }
}

// A size whose rounding up to whole huge pages would wrap round to a small
// block is refused, not handed out short.
TEST(LargeBlock, SizeNearTheLimitIsRefused)
{
    EXPECT_EQ(AllocateLarge(std::numeric_limits<std::size_t>::max() - 100), nullptr);
}

}  // namespace
}  // namespace fovella
