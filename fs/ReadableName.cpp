#include "fs/ReadableName.h"

#include <cstdio>

namespace fovella {

namespace {

// The length of the well-formed UTF-8 sequence at `at`, or 0 (the ranges of
// the Unicode standard's table of well-formed byte sequences: no overlong
// forms, no surrogates, nothing beyond U+10FFFF).
std::size_t SequenceLength(const std::string& text, std::size_t at)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else
        return 0;
    if (text.size() - at < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(k) < 0x80 || byte(k) > 0xBF)
            return 0;
    return length;
}

}  // namespace

std::string ReadableName(const std::string& name)
{
    std::string readable;
    readable.reserve(name.size());
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = SequenceLength(name, at);
        if (length == 0) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(name[at]));
            readable += escaped;
            ++at;
        } else {
            readable.append(name, at, length);
            at += length;
        }
    }
    return readable;
}

}  // namespace fovella
