// libFuzzer target: the correction's mark in arbitrary XMP packets, read and
// merged. A merged packet must read back the scale it was given: a merge
// that broke the packet would let a second run correct a result again.
#include "metadata/CorrectionMark.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string packet(reinterpret_cast<const char*>(data), size);
    fovella::CorrectionMarkScale(packet);
    const std::string marked = fovella::WithCorrectionMark(packet, 2524.16);
    if (!marked.empty() && fovella::CorrectionMarkScale(marked) != 2524.16)
        std::abort();
    return 0;
}
