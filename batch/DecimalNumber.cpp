#include "batch/DecimalNumber.h"

#include <cstdio>
#include <charconv>
#include <cmath>

namespace fovella {

const char kNotANumber[] = "not a number";

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::optional<double> ParseDecimal(const std::string& text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    // Checked here rather than left to the conversion, which would take
    // "inf", "nan" and hexadecimal too.
    std::string number;
    std::size_t at = begin;
    if (at < end && (text[at] == '+' || text[at] == '-'))
        number += text[at++];
    std::size_t digits = 0;
    for (; at < end && IsDigit(text[at]); ++at, ++digits)
        number += text[at];
    if (at < end && (text[at] == '.' || text[at] == ',')) {
        number += '.';
        for (++at; at < end && IsDigit(text[at]); ++at, ++digits)
            number += text[at];
    }
    if (digits == 0)
        return std::nullopt;
    if (at < end && (text[at] == 'e' || text[at] == 'E')) {
        number += text[at++];
        if (at < end && (text[at] == '+' || text[at] == '-'))
            number += text[at++];
        std::size_t exponent = 0;
        for (; at < end && IsDigit(text[at]); ++at, ++exponent)
            number += text[at];
        if (exponent == 0)
            return std::nullopt;
    }
    if (at != end)
        return std::nullopt;
    // from_chars takes no leading '+'.
    const std::size_t skip = number[0] == '+' ? 1 : 0;
    double value = 0;
    const auto result = std::from_chars(number.data() + skip, number.data() + number.size(), value);
    if (result.ec != std::errc() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string Formatted(const char* format, double value)
{
    char text[96];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace fovella
